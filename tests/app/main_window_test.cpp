#include "hopbin/hop_bin_window.h"
#include "link/radio_commands.h"
#include "network/network_window.h"
#include "spectrum/spectrum_window.h"
#include "support/main_window_fixture.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenuBar>
#include <QRadioButton>
#include <QSlider>
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
    EXPECT_EQ(menus, (QStringList{QStringLiteral("File"), QStringLiteral("Tools"),
                                  QStringLiteral("Settings"), QStringLiteral("Window"),
                                  QStringLiteral("Help")}));
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
    EXPECT_EQ(selector->itemText(1), QStringLiteral("/../forty.ban"));
    EXPECT_EQ(selector->itemData(1, Qt::ToolTipRole).toString(), dialogs.openAnswer);
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

    // Choosing "Real-Time" while playing stops the playback.
    bool stoppedBySelector = false;
    QTimer::singleShot(300, window.get(), [&] {
        selector->setCurrentIndex(0);
        stoppedBySelector = suite->recorder.TransportMode == Recorder::Idle;
    });
    window->playAction()->trigger();
    EXPECT_TRUE(stoppedBySelector);
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
