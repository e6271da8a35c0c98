#include "core/number_text.h"
#include "dialogs/about_box.h"
#include "hopbin/hop_bin_window.h"
#include "link/radio_commands.h"
#include "network/network_window.h"
#include "spectrum/spectrum_window.h"
#include "support/main_window_fixture.h"
#include "support/readouts_on_screen.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QToolBar>

using radio::bytes;

namespace {
const QByteArray kEnterAt = QByteArrayLiteral("AT+++\r");
const QByteArray kLeaveAt = bytes({0xCC, 'A', 'T', 'O', 0x0D});
} // namespace

TEST_F(MainWindowOnEmulator, StartsWithTheHopBinAndNetworkWindowsTiled) {
    startSuite();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Veltrane Diagnostics Suite"));
    QStringList menus;
    for (QAction* menu : window->menuBar()->actions())
        menus << menu->text().remove(u'&');
    EXPECT_EQ(menus, (QStringList{QStringLiteral("File"), QStringLiteral("Edit"),
                                  QStringLiteral("Tools"), QStringLiteral("Settings"),
                                  QStringLiteral("Window"), QStringLiteral("Help")}));
    for (QToolBar* bar : window->findChildren<QToolBar*>()) {
        for (QAction* action : bar->actions()) {
            if (!action->isSeparator() && !action->text().isEmpty()) {
                EXPECT_FALSE(action->toolTip().isEmpty()) << qPrintable(action->text());
            }
        }
    }

    HopBinWindow* hopBin = window->hopBinWindow();
    NetworkWindow* network = window->networkWindow();
    ASSERT_TRUE(hopBin && network);
    const QWidget* hopBinFrame = hopBin->parentWidget();
    const QWidget* networkFrame = network->parentWidget();
    const int client = window->findChild<QMdiArea*>()->viewport()->width();
    // The network window takes the right third, or the width its controls need
    // where a third is too narrow for them (as in this small window); the analyzer
    // takes the rest.
    EXPECT_EQ(hopBinFrame->x(), 0);
    EXPECT_NEAR(networkFrame->width(),
                std::max(0.33 * client, static_cast<double>(networkFrame->minimumWidth())), 1.0);
    EXPECT_NEAR(networkFrame->x() + networkFrame->width(), client, 1.0);
    EXPECT_NEAR(hopBinFrame->width(), networkFrame->x(), 1.0);
    EXPECT_TRUE(network->testOption(0)->isChecked());
    EXPECT_TRUE(suite->flags.HopBinStopped); // nothing runs before Play
}

TEST_F(MainWindowOnEmulator, PlayRunsTheHopBinAnalyzerLiveUntilStop) {
    startSuite();
    float reportsDuringRun = 0;
    std::int32_t modeDuringRun = -1;
    playFor(2500, [&] {
        reportsDuringRun = suite->hopBinData.TotalReports;
        modeDuringRun = suite->recorder.TransportMode;
    });

    EXPECT_GT(reportsDuringRun, 20.0f);
    EXPECT_GT(suite->hopBinData.HighestBin, 40);
    EXPECT_EQ(modeDuringRun, Recorder::Playing);
    EXPECT_EQ(suite->recorder.TransportMode, Recorder::Idle);
    EXPECT_EQ(suite->modes.RadioState, ModeProtocol::Normal);
    EXPECT_EQ(status.text(), QStringLiteral("Radio State: Normal Mode"));
    const QString state = emulator.command(QStringLiteral("state"));
    EXPECT_TRUE(state.contains(QStringLiteral("mode=0"))) << qPrintable(state);
    EXPECT_TRUE(state.contains(QStringLiteral("option=02"))) << qPrintable(state);

    // The run began by clearing the option bit, then polled the link status and
    // entered bin report mode.
    const QByteArray sent = emulator.takeReceived();
    const QByteArray start = kEnterAt + bytes({0xCC, 0x0A, 0x20}) + bytes({0xCC, 0x08, 0x00}) +
                             kLeaveAt + kEnterAt + bytes({0xCC, 0x00, 0x00}) + kLeaveAt + kEnterAt +
                             bytes({0xCC, 0x8F, 0x01});
    EXPECT_TRUE(sent.startsWith(start)) << sent.toHex(' ').constData();
}

TEST_F(MainWindowOnEmulator, ClosingDuringARunReturnsTheRadioToNormalModeAndSavesTheSettings) {
    startSuite();
    playFor(1500, [&] {
        emulator.takeReceived();                                               // the run so far
        window->findChildren<QToolBar*>()[1]->actions()[1]->setChecked(false); // Display Peak
        window->close(); // the run ends first, then the window closes
    });
    ASSERT_TRUE(runEventsUntil([this] { return suite->flags.ApplicationClosing; }));
    const QByteArray sentOnClose = emulator.takeReceived();

    EXPECT_EQ(sentOnClose, bytes({0xCC, 0x8F, 0x00}) + kLeaveAt + kEnterAt +
                               bytes({0xCC, 0x08, 0x01}) + kLeaveAt)
        << sentOnClose.toHex(' ').constData();
    EXPECT_TRUE(suite->flags.ApplicationClosing);
    const QString stored = storedText();
    EXPECT_TRUE(stored.contains(QStringLiteral("Peak%20Check=0"))) << qPrintable(stored);
    EXPECT_TRUE(stored.contains(QStringLiteral("Meter%20Test=0")));
    EXPECT_TRUE(stored.contains(QStringLiteral("Center%20Frequency=915")));
}

TEST_F(MainWindowOnEmulator, RetriesBoxAcceptsOneTo255Only) {
    startSuite();
    NetworkWindow* network = window->networkWindow();
    ASSERT_TRUE(network);
    network->retriesBox()->setText(QStringLiteral("7"));
    network->Text1_LostFocus();
    EXPECT_EQ(suite->settings.Retries, 7);
    EXPECT_EQ(suite->hopBins.RetriesInBox, 7);
    EXPECT_TRUE(messages.shown.isEmpty());

    network->retriesBox()->setText(QStringLiteral("256"));
    network->Text1_LostFocus();
    EXPECT_EQ(messages.shown, QStringList{QStringLiteral("Retries must be set between 1 and 255")});
    EXPECT_EQ(network->retriesBox()->text(), QStringLiteral("1"));
    EXPECT_EQ(suite->settings.Retries, 1);
}

TEST_F(MainWindowOnEmulator, TestAndMeterChoiceSwitchWindowsAndScale) {
    startSuite();
    NetworkWindow* network = window->networkWindow();
    ASSERT_TRUE(network);

    network->meterOption(1)->setChecked(true);
    network->MeterSelection_Option_Click(1);
    EXPECT_EQ(suite->settings.MeterType[0], 1);
    EXPECT_EQ(suite->meter.MeterTitle, QStringLiteral("Percentage Good"));

    network->testOption(1)->setChecked(true);
    network->TestSelection_Option_Click(1);
    runEventsFor(50);
    EXPECT_EQ(suite->settings.MeterTest, 1);
    EXPECT_EQ(window->hopBinWindow(), nullptr);

    network->testOption(0)->setChecked(true);
    network->TestSelection_Option_Click(0);
    runEventsFor(50);
    EXPECT_EQ(suite->settings.MeterTest, 0);
    EXPECT_NE(window->hopBinWindow(), nullptr);
    EXPECT_TRUE(network->meterOption(1)->isChecked()); // the hop bin test's own meter choice
}

TEST_F(MainWindowOnEmulator, SpectrumTestOpensItsWindowAndPlaySweepsUntilStop) {
    startSuite({}, "[Settings]\nMeter%20Test=1\n");
    SpectrumWindow* spectrum = window->spectrumWindow();
    ASSERT_TRUE(spectrum);
    EXPECT_EQ(spectrum->windowTitle(), QStringLiteral("Spectrum Analyzer"));
    EXPECT_EQ(window->hopBinWindow(), nullptr);
    const QWidget* spectrumFrame = spectrum->parentWidget();
    const int client = window->findChild<QMdiArea*>()->viewport()->width();
    // Tiled beside the network window, up to its left edge.
    const QWidget* networkFrame = window->networkWindow()->parentWidget();
    EXPECT_EQ(spectrumFrame->x(), 0);
    EXPECT_NEAR(spectrumFrame->width(), networkFrame->x(), 1.0);
    EXPECT_NEAR(networkFrame->x() + networkFrame->width(), client, 1.0);

    QString sweepTime;
    bool maxHoldByKey = false;
    playFor(2500, [&] {
        sweepTime = suite->spectrumData.SweepTimeText;
        QKeyEvent f2(QEvent::KeyPress, Qt::Key_F2, Qt::NoModifier);
        QCoreApplication::sendEvent(spectrum, &f2);
        maxHoldByKey = suite->spectrumMarkers.MaxHold;
    });

    EXPECT_TRUE(sweepTime.startsWith(QStringLiteral("Sweep Time (mS): "))) << qPrintable(sweepTime);
    EXPECT_TRUE(maxHoldByKey);
    EXPECT_EQ(suite->modes.RadioState, ModeProtocol::Normal);
    EXPECT_TRUE(emulator.command(QStringLiteral("state")).contains(QStringLiteral("mode=0")));
}

TEST(SpectrumWindowKeys, QtKeysMapToTheRadioToolsKeyCodes) {
    EXPECT_EQ(SpectrumWindow::virtualKeyCode(Qt::Key_F1), 0x70);
    EXPECT_EQ(SpectrumWindow::virtualKeyCode(Qt::Key_F7), 0x76);
    EXPECT_EQ(SpectrumWindow::virtualKeyCode(Qt::Key_Left), 0x25);
    EXPECT_EQ(SpectrumWindow::virtualKeyCode(Qt::Key_Right), 0x27);
    EXPECT_EQ(SpectrumWindow::virtualKeyCode(Qt::Key_F8), 0);
    EXPECT_EQ(SpectrumWindow::virtualKeyCode(Qt::Key_Up), 0);
}

// The recording controls of the window itself: the selector's entries, the counter
// and the slider, which the user moves to choose where playback continues.
TEST_F(MainWindowOnEmulator, LoadedRecordingsFillTheSelectorAndTheSliderSetsThePosition) {
    startSuite();
    ScriptedFileDialogs dialogs;
    window->setFileDialogs(dialogs);
    dialogs.openAnswer = dir.filePath(QStringLiteral("forty.ban"));
    {
        QFile file(dialogs.openAnswer);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        // Forty sweeps of one record, 100 ms apart.
        for (int n = 0; n < 40; ++n)
            file.write(encodeRecord(FileVar{0, 1000.0f + 100.0f * n, -70, -70}).data(), 16);
    }
    ASSERT_TRUE(window->recordAction()->isEnabled());
    window->loadFileAction()->trigger();
    window->loadFileAction()->trigger();

    QComboBox* selector = window->sourceSelector();
    ASSERT_EQ(selector->count(), 3);
    EXPECT_EQ(selector->currentIndex(), 1);
    EXPECT_EQ(selector->itemText(1), QStringLiteral("forty.ban"));
    EXPECT_EQ(selector->itemData(1, Qt::ToolTipRole).toString(), dialogs.openAnswer);
    EXPECT_EQ(selector->toolTip(), dialogs.openAnswer); // also on the closed selector
    EXPECT_EQ(suite->recorder.SelectedSource, 1);
    EXPECT_EQ(window->positionText(), QStringLiteral("0/40"));

    QSlider* slider = window->positionSlider();
    ASSERT_TRUE(runEventsUntil([&] { return slider->maximum() == 40; }));
    EXPECT_TRUE(slider->isEnabled());
    // Keys (like the wheel or a click beside the handle) move the position at once;
    // dragging moves it when the handle is let go.
    slider->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(suite->recorder.RecordCounter, slider->value());
    slider->setSliderDown(true);
    slider->setValue(25);
    EXPECT_TRUE(suite->recorder.SliderHeld);
    EXPECT_NE(suite->recorder.RecordCounter, 25);
    slider->setSliderDown(false);
    EXPECT_FALSE(suite->recorder.SliderHeld);
    EXPECT_EQ(suite->recorder.RecordCounter, 25);

    // Choosing "Real-Time" while playing stops the playback (well before its end:
    // 100 ms a record from record 25 on).
    QTimer::singleShot(300, window.get(), [&] { selector->setCurrentIndex(0); });
    window->playAction()->trigger();
    EXPECT_EQ(suite->recorder.TransportMode, Recorder::Idle);
    EXPECT_LT(suite->recorder.RecordCounter, 35);
}

// A pulled adapter during a hop bin run: the run ends with the message instead of
// waiting for reports that cannot come.
TEST_F(MainWindowOnEmulator, APulledAdapterEndsTheRunWithTheMessage) {
    startSuite({QStringLiteral("--report-rate"), QStringLiteral("500")});
    QTimer::singleShot(800, window.get(), [this] { emulator.command(QStringLiteral("drop 0")); });
    bool stoppedByUser = false;
    QTimer::singleShot(8000, window.get(), [&] {
        stoppedByUser = true;
        window->stopAction()->trigger();
    });
    window->playAction()->trigger(); // returns when the failed link has stopped the run
    EXPECT_FALSE(stoppedByUser);
    EXPECT_EQ(messages.shown.value(0),
              QStringLiteral("Port not open.  Check the PC Settings page."));
    EXPECT_FALSE(suite->link.PortIsOpen);
    EXPECT_GT(suite->hopBinData.TotalReports, 10.0f);
}

// The counter and the slider follow a recording as it grows, and a playback as it
// goes, many times a second although records come far faster than that.
TEST_F(MainWindowOnEmulator, CounterAndSliderMoveWhileRecordingAndPlayingBack) {
    startSuite({QStringLiteral("--sync-delay"), QStringLiteral("0"),
                QStringLiteral("--report-rate"), QStringLiteral("1000")});
    ScriptedFileDialogs dialogs;
    window->setFileDialogs(dialogs);
    dialogs.saveAnswer = dir.filePath(QStringLiteral("moving.ban"));
    QLabel* counter = window->positionCounter();
    QSlider* slider = window->positionSlider();

    // Counts what the user sees change, looking every 50 ms while `button` runs.
    const auto changesDuring = [&](QAction* button, int ms) {
        int texts = 0, values = 0;
        QString lastText = counter->text();
        int lastValue = slider->value();
        QTimer look;
        look.setInterval(50);
        QObject::connect(&look, &QTimer::timeout, [&] {
            texts += counter->text() != lastText;
            values += slider->value() != lastValue;
            lastText = counter->text();
            lastValue = slider->value();
        });
        look.start();
        QTimer::singleShot(ms, window.get(), [this] { window->stopAction()->trigger(); });
        button->trigger(); // returns when Stop has ended the run
        return std::pair{texts, values};
    };

    const auto [recordTexts, recordValues] = changesDuring(window->recordAction(), 1500);
    EXPECT_GE(recordTexts, 5);
    EXPECT_GE(recordValues, 5);
    ASSERT_EQ(window->sourceSelector()->currentIndex(), 1); // the new recording

    // (A playback waits a second before its first sweep.)
    const auto [playTexts, playValues] = changesDuring(window->playAction(), 2500);
    EXPECT_GE(playTexts, 5);
    EXPECT_GE(playValues, 5);
}

// Help > About, chosen with the mouse again and again, shows one box.
TEST_F(MainWindowOnEmulator, HelpAboutShowsOneBoxAndBringsItBack) {
    startSuite();
    QMenuBar* bar = window->menuBar();
    QAction* helpTitle = nullptr;
    for (QAction* action : bar->actions())
        if (action->text() == QStringLiteral("&Help"))
            helpTitle = action;
    ASSERT_TRUE(helpTitle && helpTitle->menu());
    QMenu* help = helpTitle->menu();
    QAction* about = nullptr;
    for (QAction* action : help->actions())
        if (action->text() == QStringLiteral("About"))
            about = action;
    ASSERT_TRUE(about);

    const auto chooseAbout = [&] {
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(helpTitle).center());
        ASSERT_TRUE(runEventsUntil([&] { return help->isVisible(); }));
        QTest::mouseClick(help, Qt::LeftButton, {}, help->actionGeometry(about).center());
        ASSERT_TRUE(runEventsUntil([&] { return !help->isVisible(); }));
        runEventsFor(50);
    };
    const auto shownBoxes = [&] {
        QList<AboutBox*> shown;
        for (AboutBox* box : window->findChildren<AboutBox*>())
            if (box->isVisible())
                shown << box;
        return shown;
    };

    chooseAbout();
    const QList<AboutBox*> first = shownBoxes();
    ASSERT_EQ(first.size(), 1);
    chooseAbout();
    chooseAbout();
    EXPECT_EQ(shownBoxes(), first);

    // Closed, it comes back with the next Help > About.
    QTest::mouseClick(first[0]->okButton(), Qt::LeftButton);
    ASSERT_TRUE(runEventsUntil([&] { return shownBoxes().isEmpty(); }));
    chooseAbout();
    EXPECT_EQ(shownBoxes().size(), 1);
}

// "Total" and "Missed Bins" under the meter are the live figures of the hop bin
// test; the spectrum test has none and hides them.
TEST_F(MainWindowOnEmulator, TotalsUnderTheMeterFollowTheHopBinTest) {
    startSuite({QStringLiteral("--report-rate"), QStringLiteral("500")});
    NetworkWindow* network = window->networkWindow();
    ASSERT_TRUE(network);
    QLabel* total = network->totalLabel();
    QLabel* missed = network->missedBinsLabel();
    EXPECT_EQ(total->text(), QStringLiteral("Total: 0"));
    EXPECT_EQ(missed->text(), QStringLiteral("Missed Bins: 0"));

    QString totalDuringRun, missedDuringRun;
    float reportsDuringRun = 0;
    playFor(1500, [&] {
        totalDuringRun = total->text();
        missedDuringRun = missed->text();
        reportsDuringRun = suite->hopBinData.TotalReports;
    });
    ASSERT_TRUE(totalDuringRun.startsWith(QStringLiteral("Total: ")));
    const auto shown = parseInteger(totalDuringRun.mid(7), 1, 100000000);
    ASSERT_TRUE(shown.has_value()) << qPrintable(totalDuringRun);
    EXPECT_LE(*shown, reportsDuringRun); // as the meter drew it, at most the count now
    EXPECT_TRUE(missedDuringRun.startsWith(QStringLiteral("Missed Bins: ")));

    QPushButton* clear = nullptr;
    for (QPushButton* button : network->findChildren<QPushButton*>())
        if (button->text() == QStringLiteral("Clear Results"))
            clear = button;
    ASSERT_TRUE(clear);
    QTest::mouseClick(clear, Qt::LeftButton);
    EXPECT_EQ(total->text(), QStringLiteral("Total: 0"));
    EXPECT_EQ(missed->text(), QStringLiteral("Missed Bins: 0"));

    QTest::mouseClick(network->testOption(1), Qt::LeftButton);
    ASSERT_TRUE(runEventsUntil([&] { return window->spectrumWindow() != nullptr; }));
    EXPECT_FALSE(total->isVisible());
    EXPECT_FALSE(missed->isVisible());
    QTest::mouseClick(network->testOption(0), Qt::LeftButton);
    ASSERT_TRUE(runEventsUntil([&] { return window->hopBinWindow() != nullptr; }));
    EXPECT_TRUE(total->isVisible());
    EXPECT_TRUE(missed->isVisible());
}

// Hand-edited values the suite cannot use read as their defaults: the buttons, the
// spectrum and the port all agree on them, and the port opens.
TEST_F(MainWindowOnEmulator, StoredValuesOutOfRangeReadAsTheirDefaults) {
    // The stored parity has no letter: before, no port would open with it.
    startSuite({}, "[Settings]\nParity=1\nReal%20Time%20Check=2\nPeak%20Check=-1\n"
                   "Average%20Check=7\nNumber%20of%20Points=300\nPort=65536\n");
    EXPECT_TRUE(suite->link.PortIsOpen);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(window->findChildren<QToolBar*>()[1]->actions()[i]->isChecked()) << i;
    EXPECT_EQ(suite->settings.RealTimeCheck, 1);
    EXPECT_EQ(suite->spectrumData.pointCount(), 50);
    EXPECT_EQ(suite->link.portSettings.CommPort, 1);
}

// The spectrum's marker keys, pressed between sweeps, never leave a readout under
// another: each line shows the readout of the markers where they are.
TEST_F(MainWindowOnEmulator, MarkerKeysLeaveNoStaleReadoutOnTheSpectrum) {
    startSuite({}, "[Settings]\nMeter%20Test=1\n");
    SpectrumWindow* spectrum = window->spectrumWindow();
    ASSERT_TRUE(spectrum);
    Surface* picture = surfaces.spectrum;
    ASSERT_TRUE(picture);
    RecordingSurface recorded(picture->scaleWidth(), picture->scaleHeight());

    QStringList stale;
    bool keysPressed = false;
    playFor(1500, [&] {
        surfaces.spectrum = &recorded;
        QTest::keyClick(spectrum, Qt::Key_F7); // repainted from a clear picture
        const std::pair<Qt::Key, const char*> keys[] = {
            {Qt::Key_Right, "Right"}, {Qt::Key_F4, "F4"},       {Qt::Key_Right, "Right"},
            {Qt::Key_Right, "Right"}, {Qt::Key_F5, "F5"},       {Qt::Key_Left, "Left"},
            {Qt::Key_F3, "F3"},       {Qt::Key_Right, "Right"}, {Qt::Key_F4, "F4"},
            {Qt::Key_F3, "F3"},       {Qt::Key_F1, "F1"},       {Qt::Key_Left, "Left"},
        };
        for (const auto& [key, name] : keys) {
            QTest::keyClick(spectrum, key);
            for (const auto& [y, texts] : readoutsOnScreen(recorded, suite->settings))
                if (texts.size() > 1)
                    stale << QLatin1String(name) + QStringLiteral(": ") +
                                 texts.join(QStringLiteral(" | "));
        }
        keysPressed = !recorded.ops().empty();
        surfaces.spectrum = picture;
    });
    EXPECT_TRUE(keysPressed);
    EXPECT_TRUE(stale.isEmpty()) << qPrintable(stale.join(u'\n'));
}

// Load File offers every file under "All Files", also one whose name has no dot;
// the selector shows the file's name and, in its tool tip, where it is.
TEST_F(MainWindowOnEmulator, AllFilesOffersNamesWithoutADot) {
    startSuite();
    const QString folder = suite->settings.ProgramDirectory + QStringLiteral("Recordings");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/field-run");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        for (int n = 0; n < 10; ++n)
            file.write(encodeRecord(FileVar{0, 1000.0f + 100.0f * n, -70, -70}).data(), 16);
    }

    // The user picks "All Files", clicks the file and Open; a file that never shows
    // up is given up after a while.
    bool filterChosen = false, listed = false;
    QElapsedTimer clock;
    clock.start();
    QTimer user;
    user.setInterval(20);
    QObject::connect(&user, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        if (clock.elapsed() > 5000) {
            dialog->reject();
            return;
        }
        auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        auto* files = dialog->findChild<QListView*>(QStringLiteral("listView"));
        if (!types || !files)
            return;
        if (!filterChosen) {
            QTest::keyClick(types, Qt::Key_Down);
            filterChosen = types->currentText() == QStringLiteral("All Files (*)");
            return;
        }
        QAbstractItemModel* model = files->model();
        const QModelIndex first = model->index(0, 0, files->rootIndex());
        const QModelIndexList found =
            first.isValid() ? model->match(first, Qt::DisplayRole, QStringLiteral("field-run"), 1,
                                           Qt::MatchExactly)
                            : QModelIndexList{};
        if (found.isEmpty() || files->visualRect(found[0]).isEmpty())
            return;
        listed = true;
        QTest::mouseClick(files->viewport(), Qt::LeftButton, {},
                          files->visualRect(found[0]).center());
        auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        QTest::mouseClick(buttons->button(QDialogButtonBox::Open), Qt::LeftButton);
    });
    user.start();
    window->loadFileAction()->trigger();
    user.stop();

    EXPECT_TRUE(filterChosen);
    EXPECT_TRUE(listed);
    QComboBox* selector = window->sourceSelector();
    ASSERT_EQ(selector->count(), 2);
    EXPECT_EQ(selector->itemText(1), QStringLiteral("field-run"));
    EXPECT_EQ(QFileInfo(selector->toolTip()).canonicalFilePath(),
              QFileInfo(path).canonicalFilePath());
}
