#include "core/number_text.h"
#include "dialogs/about_box.h"
#include "user_input.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QListView>
#include <QSlider>

using namespace Qt::StringLiterals;

using radio::bytes;

// The hop bin analyzer and the network window tiled side by side, with "Total" and
// "Missed Bins" under the meter showing the hop bin test's live figures. The
// spectrum analyzer, chosen with the mouse, takes the hop bin window's place, hides
// them and takes its keys.
TEST_F(MainWindowOnEmulator, StartsWithTheAnalyzerAndNetworkWindowsTiled) {
    startSuite({u"--report-rate"_s, u"500"_s});
    NetworkWindow* network = window->networkWindow();
    ASSERT_TRUE(window->hopBinWindow() && network);
    EXPECT_TRUE(network->testOption(0)->isChecked());
    EXPECT_TRUE(suite->flags.HopBinStopped); // nothing runs before Play
    // The network window takes the right third, or the width its controls need
    // where a third is too narrow for them (as in this small window); the analyzer
    // takes the rest.
    const QWidget* networkFrame = network->parentWidget();
    const int client = window->findChild<QMdiArea*>()->viewport()->width();
    const auto expectTiled = [&](const QWidget* analyzerFrame) {
        EXPECT_EQ(analyzerFrame->x(), 0);
        EXPECT_NEAR(networkFrame->width(),
                    std::max(0.33 * client, static_cast<double>(networkFrame->minimumWidth())),
                    1.0);
        EXPECT_NEAR(networkFrame->x() + networkFrame->width(), client, 1.0);
        EXPECT_NEAR(analyzerFrame->width(), networkFrame->x(), 1.0);
    };
    expectTiled(window->hopBinWindow()->parentWidget());

    QLabel* total = network->totalLabel();
    QLabel* missed = network->missedBinsLabel();
    const auto showsZero = [&] {
        return total->text() + missed->text() == u"Total: 0Missed Bins: 0"_s;
    };
    const auto shown = [&](bool visible) {
        return total->isVisible() == visible && missed->isVisible() == visible;
    };
    EXPECT_TRUE(showsZero());
    QString totalDuringRun;
    float reportsDuringRun = 0;
    playFor(1500, [&] {
        totalDuringRun = total->text();
        reportsDuringRun = suite->hopBinData.TotalReports;
    });
    const auto count = parseInteger(totalDuringRun.mid(7), 1, 100000000);
    ASSERT_TRUE(totalDuringRun.startsWith(u"Total: "_s) && count) << qPrintable(totalDuringRun);
    EXPECT_LE(*count, reportsDuringRun); // as the meter drew it, at most the count now
    QTest::mouseClick(buttonCalled(network, u"Clear Results"_s), Qt::LeftButton);
    EXPECT_TRUE(showsZero());

    QTest::mouseClick(network->testOption(1), Qt::LeftButton);
    SpectrumWindow* spectrum = window->spectrumWindow();
    ASSERT_TRUE(spectrum);
    EXPECT_EQ(window->hopBinWindow(), nullptr);
    expectTiled(spectrum->parentWidget());
    EXPECT_TRUE(shown(false));
    bool maxHoldByKey = false;
    playFor(1500, [&] {
        QTest::keyClick(spectrum, Qt::Key_F2);
        maxHoldByKey = suite->spectrumMarkers.MaxHold;
    });
    EXPECT_TRUE(maxHoldByKey);
    EXPECT_TRUE(emulator.command(u"state"_s).contains(u"mode=0"_s));
    QTest::mouseClick(network->testOption(0), Qt::LeftButton);
    ASSERT_TRUE(runEventsUntil([&] { return window->hopBinWindow() != nullptr; }));
    EXPECT_TRUE(shown(true));
}

// A live hop bin run starts by clearing the option bit, polling the link status and
// entering bin report mode; closing the window during the run ends it, returns the
// radio to normal mode with its option bit set, and stores the settings.
TEST_F(MainWindowOnEmulator, PlayRunsLiveAndClosingDuringTheRunRestoresTheRadio) {
    startSuite();
    float reportsDuringRun = 0;
    std::int32_t modeDuringRun = -1;
    QByteArray sentDuringRun;
    playFor(2500, [&] {
        reportsDuringRun = suite->hopBinData.TotalReports;
        modeDuringRun = suite->recorder.TransportMode;
        sentDuringRun = emulator.takeReceived();
        window->findChildren<QToolBar*>()[1]->actions()[1]->setChecked(false); // Display Peak
        window->close(); // the run ends first, then the window closes
    });
    ASSERT_TRUE(runEventsUntil([this] { return suite->flags.ApplicationClosing; }));
    EXPECT_GT(reportsDuringRun, 20.0f);
    EXPECT_GT(suite->hopBinData.HighestBin, 40);
    EXPECT_TRUE(modeDuringRun == Recorder::Playing &&
                suite->recorder.TransportMode == Recorder::Idle);
    EXPECT_EQ(suite->modes.RadioState, ModeProtocol::Normal);
    EXPECT_EQ(status.text(), u"Radio State: Normal Mode"_s);
    const QString state = emulator.command(u"state"_s);
    EXPECT_TRUE(state.contains(u"mode=0 "_s) && state.contains(u"option=02"_s))
        << qPrintable(state);

    const QByteArray start = kEnterAt + bytes({0xCC, 0x0A, 0x20, 0xCC, 0x08, 0x00}) + kLeaveAt +
                             kEnterAt + bytes({0xCC, 0x00, 0x00}) + kLeaveAt + kEnterAt +
                             bytes({0xCC, 0x8F, 0x01});
    EXPECT_TRUE(sentDuringRun.startsWith(start)) << sentDuringRun.toHex(' ').constData();
    const QByteArray sentOnClose = emulator.takeReceived();
    EXPECT_EQ(sentOnClose, bytes({0xCC, 0x8F, 0x00}) + kLeaveAt + kEnterAt +
                               bytes({0xCC, 0x08, 0x01}) + kLeaveAt)
        << sentOnClose.toHex(' ').constData();
    const QString stored = storedText();
    for (const QString& value :
         {u"Peak%20Check=0"_s, u"Meter%20Test=0"_s, u"Center%20Frequency=915"_s})
        EXPECT_TRUE(stored.contains(value)) << qPrintable(stored);
}

// The spectrum window's keys as the radio tool's key codes: F1 to F7 and the arrows.
TEST(SpectrumWindowKeys, FunctionAndArrowKeysOnly) {
    const std::pair<Qt::Key, int> keys[] = {{Qt::Key_F1, 0x70},   {Qt::Key_F7, 0x76},
                                            {Qt::Key_Left, 0x25}, {Qt::Key_Right, 0x27},
                                            {Qt::Key_F8, 0},      {Qt::Key_Up, 0}};
    for (const auto& [key, code] : keys)
        EXPECT_EQ(SpectrumWindow::virtualKeyCode(key), code) << key;
}

// The counter and the slider follow a recording as it grows, and a playback as it
// goes, many times a second although records come far faster than that.
TEST_F(MainWindowOnEmulator, CounterAndSliderMoveWhileRecordingAndPlayingBack) {
    startSuite({u"--sync-delay"_s, u"0"_s, u"--report-rate"_s, u"1000"_s});
    ScriptedFileDialogs dialogs;
    window->setFileDialogs(dialogs);
    dialogs.saveAnswer = dir.filePath(u"moving.ban"_s);
    QLabel* counter = window->positionCounter();
    QSlider* slider = window->positionSlider();

    // Counts what the user sees change, looking every 50 ms while `button` runs: the
    // fewer of the counter's and the slider's changes.
    const auto changesDuring = [&](QAction* button, int ms) {
        int texts = 0, values = 0;
        QString lastText = counter->text();
        int lastValue = slider->value();
        QTimer look;
        QObject::connect(&look, &QTimer::timeout, [&] {
            texts += counter->text() != std::exchange(lastText, counter->text());
            values += slider->value() != std::exchange(lastValue, slider->value());
        });
        look.start(50);
        QTimer::singleShot(ms, window.get(), [this] { window->stopAction()->trigger(); });
        button->trigger(); // returns when Stop has ended the run
        return std::min(texts, values);
    };
    EXPECT_GE(changesDuring(window->recordAction(), 1500), 5);
    ASSERT_EQ(window->sourceSelector()->currentIndex(), 1); // the new recording
    // (A playback waits a second before its first sweep.)
    EXPECT_GE(changesDuring(window->playAction(), 2500), 5);
}

// Hand-edited values the suite cannot use read as their defaults: the buttons, the
// spectrum and the port all agree on them, and the port opens. Help > About, chosen
// with the mouse again and again, shows one box; Help > Help opens the user guide.
TEST_F(MainWindowOnEmulator, StoredValuesOutOfRangeReadAsTheirDefaultsAndHelpAboutShowsOneBox) {
    // The stored parity has no letter: before, no port would open with it.
    startSuite({}, "[Settings]\nParity=1\nReal%20Time%20Check=2\nPeak%20Check=-1\n"
                   "Average%20Check=7\nNumber%20of%20Points=300\nPort=65536\n");
    EXPECT_TRUE(suite->link.PortIsOpen);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(window->findChildren<QToolBar*>()[1]->actions()[i]->isChecked()) << i;
    EXPECT_EQ(suite->settings.RealTimeCheck, 1);
    EXPECT_EQ(suite->spectrumData.pointCount(), 50);
    EXPECT_EQ(suite->link.portSettings.CommPort, 1);

    QString opened;
    window->openDocument = [&opened](const QString& path) { return !(opened = path).isEmpty(); };
    chooseFromMenu(*window, u"&Help"_s, u"Help"_s);
    EXPECT_TRUE(opened.endsWith(u"/user-guide.html"_s)) << qPrintable(opened);
    EXPECT_TRUE(messages.shown.isEmpty());
    const auto chooseAbout = [&](int times) {
        for (int i = 0; i < times; ++i)
            chooseFromMenu(*window, u"&Help"_s, u"About"_s);
        runEventsFor(50);
        QList<AboutBox*> shown;
        for (AboutBox* box : window->findChildren<AboutBox*>())
            if (box->isVisible())
                shown << box;
        return shown;
    };
    const QList<AboutBox*> first = chooseAbout(1);
    ASSERT_EQ(first.size(), 1);
    EXPECT_EQ(chooseAbout(2), first);
    // Closed, it comes back with the next Help > About.
    QTest::mouseClick(first[0]->okButton(), Qt::LeftButton);
    ASSERT_TRUE(runEventsUntil([&] { return !first[0]->isVisible(); }));
    EXPECT_EQ(chooseAbout(1).size(), 1);
}

// Load File offers every file under "All Files", also one whose name has no dot;
// the selector lists the newest recording first by its name, with where it is in
// its tool tip. The slider, which the user moves, chooses where playback continues.
TEST_F(MainWindowOnEmulator, LoadedRecordingsFillTheSelectorAndTheSliderSetsThePosition) {
    startSuite();
    const QString folder = suite->settings.ProgramDirectory + u"Recordings"_s;
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + u"/field-run"_s;
    std::vector<FileVar> forty;
    for (int n = 0; n < 40; ++n)
        forty.push_back(FileVar{0, 1000.0f + 100.0f * n, -70, -70}); // 100 ms apart
    writeRecords(path, forty);

    // The user picks "All Files", clicks the file and Open; a file that never shows
    // up is given up after a while.
    bool filterChosen = false, listed = false;
    int looks = 0;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog && ++looks > 250)
            return dialog->reject();
        auto* types = dialog ? dialog->findChild<QComboBox*>(u"fileTypeCombo"_s) : nullptr;
        auto* files = dialog ? dialog->findChild<QListView*>(u"listView"_s) : nullptr;
        if (!types || !files)
            return;
        if (!filterChosen) {
            QTest::keyClick(types, Qt::Key_Down);
            filterChosen = types->currentText() == u"All Files (*)"_s;
            return;
        }
        QAbstractItemModel* model = files->model();
        const QModelIndex first = model->index(0, 0, files->rootIndex());
        const QModelIndexList found =
            first.isValid()
                ? model->match(first, Qt::DisplayRole, u"field-run"_s, 1, Qt::MatchExactly)
                : QModelIndexList{};
        if (found.isEmpty() || files->visualRect(found[0]).isEmpty())
            return;
        listed = true;
        QTest::mouseClick(files->viewport(), Qt::LeftButton, {},
                          files->visualRect(found[0]).center());
        auto* buttons = dialog->findChild<QDialogButtonBox*>(u"buttonBox"_s);
        QTest::mouseClick(buttons->button(QDialogButtonBox::Open), Qt::LeftButton);
    });
    user.start(20);
    ASSERT_TRUE(window->recordAction()->isEnabled());
    window->loadFileAction()->trigger();
    user.stop();
    EXPECT_TRUE(listed);
    QComboBox* selector = window->sourceSelector();
    ASSERT_EQ(selector->count(), 2);
    EXPECT_EQ(selector->itemText(1), u"field-run"_s);
    EXPECT_EQ(QFileInfo(selector->toolTip()).canonicalFilePath(),
              QFileInfo(path).canonicalFilePath());

    ScriptedFileDialogs dialogs; // the same file again, as a second entry
    window->setFileDialogs(dialogs);
    dialogs.openAnswer = path;
    window->loadFileAction()->trigger();
    ASSERT_EQ(selector->count(), 3);
    EXPECT_TRUE(selector->currentIndex() == 1 && suite->recorder.SelectedSource == 1);
    EXPECT_EQ(window->positionText(), u"0/40"_s);
    QSlider* slider = window->positionSlider();
    ASSERT_TRUE(runEventsUntil([&] { return slider->maximum() == 40; }));
    // Keys (like the wheel or a click beside the handle) move the position at once;
    // dragging moves it when the handle is let go.
    slider->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(suite->recorder.RecordCounter, slider->value());
    slider->setSliderDown(true);
    slider->setValue(25);
    EXPECT_TRUE(suite->recorder.SliderHeld && suite->recorder.RecordCounter != 25);
    slider->setSliderDown(false);
    EXPECT_TRUE(!suite->recorder.SliderHeld && suite->recorder.RecordCounter == 25);

    // Choosing "Real-Time" while playing stops the playback (well before its end:
    // 100 ms a record from record 25 on).
    QTimer::singleShot(300, window.get(), [&] { selector->setCurrentIndex(0); });
    window->playAction()->trigger();
    EXPECT_TRUE(suite->recorder.TransportMode == Recorder::Idle &&
                suite->recorder.RecordCounter < 35);
}
