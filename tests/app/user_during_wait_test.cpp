// What the user does while the suite waits for the radio: clicks, key presses,
// closes and activation changes arrive inside the waits of a run or a query. Each
// case sends real input to the real main window on the emulator from a timer that
// fires during the wait.

#include "user_input.h"

#include <qpa/qwindowsysteminterface.h>

using namespace Qt::StringLiterals;

using radio::bytes;

class UserDuringWait : public MainWindowOnEmulator {
protected:
    inline static const QStringList kFastRadio = u"--sync-delay 0 --report-rate 500"_s.split(u' ');
    // A click on the tool bar button of `action`, as the user makes it.
    void click(QAction* action) {
        for (QToolBar* bar : window->findChildren<QToolBar*>())
            if (QWidget* button = bar->widgetForAction(action))
                return QTest::mouseClick(button, Qt::LeftButton);
        ADD_FAILURE() << "no button for " << qPrintable(action->text());
    }
    // Runs `what` after `ms`, inside whatever wait is running then.
    void at(int ms, std::function<void()> what) { QTimer::singleShot(ms, &scope, std::move(what)); }
    // Runs `what` from the event loop (a click whose handler runs the loop until
    // Stop) and returns a flag that is raised when it has returned.
    std::shared_ptr<bool> later(std::function<void()> what) {
        auto returned = std::make_shared<bool>(false);
        at(0, [what, returned] { what(), *returned = true; });
        return returned;
    }
    std::shared_ptr<bool> clickLater(QAction* action) {
        return later([this, action] { click(action); });
    }
    bool radioInNormalMode() { return emulator.command(u"state"_s).contains(u"mode=0"_s); }
    // Nothing reaches the radio for a while.
    bool radioLeftAlone(int ms) {
        emulator.takeReceived();
        runEventsFor(ms);
        return emulator.takeReceived().isEmpty();
    }
    static void activate(QWindow* window) {
        QWindowSystemInterface::handleWindowActivated<QWindowSystemInterface::SynchronousDelivery>(
            window, Qt::ActiveWindowFocusReason);
    }

    ScriptedFileDialogs files;
    QObject scope; // the test's timers die with it
};

// The query window closed while a radio selection retries against a radio that went
// silent during Run Query: the selector that started the selection must outlive it.
TEST_F(UserDuringWait, ClosingTheQueryWindowDuringARadioSelectionEndsBoth) {
    startSuite({u"--sync-delay"_s, u"0"_s, u"--query-rate"_s, u"200"_s});
    NetworkWindow* network = window->networkWindow();
    QPushButton* runQuery = network ? buttonCalled(network, u"Run Query"_s) : nullptr;
    ASSERT_TRUE(runQuery);
    auto returned = later([runQuery] { QTest::mouseClick(runQuery, Qt::LeftButton); });
    at(1000, [&] {
        emulator.command(u"silent 1"_s);
        QComboBox* selector = network->radioSelector();
        selector->setFocus();
        QTest::keyClick(selector, Qt::Key_Up); // the user picks another radio
    });
    at(2500, [&] { network->parentWidget()->close(); }); // its sub-window
    at(3500, [&] { emulator.command(u"silent 0"_s); });
    ASSERT_TRUE(runEventsUntil([&] { return *returned; }, 15000));

    EXPECT_EQ(window->networkWindow(), nullptr);
    EXPECT_TRUE(radioInNormalMode());
    EXPECT_FALSE(suite->flags.radioInUse());
    // The closed window is gone once nothing waits any more.
    ASSERT_TRUE(runEventsUntil(
        [&] { return window->findChild<QMdiArea*>()->subWindowList().size() == 1; }));
}

// Closing the analyzer's window during a run (a hop bin recording, a spectrum
// sweep) ends the run as Stop does: the radio back in normal mode and left alone,
// nothing shown as running, the recording closed whole.
class ClosingDuringARun : public UserDuringWait, public ::testing::WithParamInterface<bool> {};

TEST_P(ClosingDuringARun, ClosingTheAnalyzerWindowEndsTheRun) {
    const bool spectrum = GetParam();
    startSuite(kFastRadio);
    window->setFileDialogs(files);
    files.saveAnswer = dir.filePath(u"site.ban"_s);
    if (spectrum)
        QTest::mouseClick(window->networkWindow()->testOption(1), Qt::LeftButton);
    QWidget* analyzer = spectrum ? static_cast<QWidget*>(window->spectrumWindow())
                                 : static_cast<QWidget*>(window->hopBinWindow());
    auto returned = clickLater(spectrum ? window->playAction() : window->recordAction());
    at(1500, [&] { analyzer->parentWidget()->close(); }); // its sub-window
    ASSERT_TRUE(runEventsUntil([&] { return *returned; }, 10000));

    EXPECT_EQ(suite->recorder.TransportMode, Recorder::Idle);
    EXPECT_EQ(window->transportImages(),
              (std::array<int, 3>{TransportView::RecordNormal, TransportView::PlayNormal,
                                  TransportView::PauseNormal}));
    EXPECT_TRUE(radioInNormalMode());
    EXPECT_TRUE(radioLeftAlone(500));
    EXPECT_TRUE(spectrum ? suite->flags.SpectrumStopped : suite->flags.HopBinStopped);
    const qint64 records = suite->recorder.RecordCounter - 1,
                 size = QFileInfo(files.saveAnswer).size();
    EXPECT_TRUE(spectrum || (records > 50 && size == records * 16)) << records << ' ' << size;
}
INSTANTIATE_TEST_SUITE_P(HopBinAndSpectrum, ClosingDuringARun, ::testing::Bool());

// Alt-tab to another program and back during a run changes nothing; activation
// within the suite (a dialog of its own closing) still resets the data at rest.
TEST_F(UserDuringWait, SwitchingProgramsDuringARunResetsNothing) {
    startSuite(kFastRadio);
    window->setFileDialogs(files);
    files.saveAnswer = dir.filePath(u"site.ban"_s);
    activate(window->windowHandle());
    float before = 0, after = 0;
    auto returned = clickLater(window->recordAction());
    at(1500, [&] {
        before = suite->hopBinData.TotalReports;
        activate(nullptr); // to the browser
        activate(window->windowHandle());
        after = suite->hopBinData.TotalReports;
    });
    at(2500, [&] { click(window->stopAction()); });
    ASSERT_TRUE(runEventsUntil([&] { return *returned; }, 10000));
    EXPECT_TRUE(before > 0.0f && after >= before) << before << " then " << after;
    EXPECT_EQ(QFileInfo(files.saveAnswer).size(), (suite->recorder.RecordCounter - 1) * 16);

    // At rest, back from another program: still nothing.
    const float kept = suite->hopBinData.TotalReports;
    activate(nullptr);
    activate(window->windowHandle());
    EXPECT_EQ(suite->hopBinData.TotalReports, kept);
    // A window of the suite's own hands the activation back: the data start afresh.
    QWidget other;
    other.show();
    activate(other.windowHandle());
    activate(window->windowHandle());
    EXPECT_EQ(suite->hopBinData.TotalReports, 0.0f);
}

// The radio goes silent during a run. Stop ends the run; the return to normal mode
// retries until the radio answers again, or until a second Stop.
TEST_F(UserDuringWait, StopEndsTheRetriesOfARadioThatWentSilent) {
    startSuite(kFastRadio);
    auto returned = clickLater(window->playAction());
    QByteArray retried;
    at(1000, [&] { emulator.command(u"silent 1"_s); });
    at(2000, [&] {
        click(window->stopAction());
        emulator.takeReceived();
    });
    at(4500, [&] {
        retried = emulator.takeReceived();
        click(window->stopAction());
    });
    ASSERT_TRUE(runEventsUntil([&] { return *returned; }, 10000));
    EXPECT_FALSE(retried.isEmpty()); // the first Stop kept trying
    EXPECT_FALSE(suite->flags.radioInUse());
    EXPECT_TRUE(radioLeftAlone(1500)); // idle: no retries behind the user's back
    EXPECT_EQ(window->transportImages()[1], TransportView::PlayNormal);

    // Once it answers again, one Stop brings it back to normal mode.
    emulator.command(u"silent 0"_s);
    returned = clickLater(window->playAction());
    at(1500, [&] { emulator.command(u"silent 1"_s); });
    at(2500, [&] { click(window->stopAction()); });
    at(3500, [&] { emulator.command(u"silent 0"_s); });
    ASSERT_TRUE(runEventsUntil([&] { return *returned; }, 10000));
    EXPECT_TRUE(radioInNormalMode());
    EXPECT_EQ(suite->modes.RadioState, ModeProtocol::Normal);
}

// A spectrum recording played back and paused touches no radio; Record > append
// during the playback starts a live run that enters configuration mode first.
TEST_F(UserDuringWait, ASpectrumPlaybackLeavesTheRadioAloneUntilRecordStartsALiveRun) {
    startSuite(kFastRadio);
    QTest::mouseClick(window->networkWindow()->testOption(1), Qt::LeftButton);
    window->setFileDialogs(files);
    const QString path = dir.filePath(u"sweeps.san"_s);
    std::vector<FileVar> sweeps;
    for (int sweep = 0; sweep < 20; ++sweep)
        for (int point = 0; point < suite->settings.NumberOfPoints; ++point)
            sweeps.push_back({static_cast<std::int16_t>(point), 1000.0f + 300 * sweep, 0.5f, 0.5f});
    writeRecords(path, sweeps);
    files.openAnswer = path;
    click(window->loadFileAction());
    ASSERT_EQ(window->sourceSelector()->currentIndex(), 1);

    auto returned = clickLater(window->playAction());
    bool aloneWhilePlaying = false, aloneWhilePaused = false;
    QByteArray afterRecord;
    at(700, [&] { aloneWhilePlaying = radioLeftAlone(300); });
    at(1200, [&] {
        click(window->pauseAction());
        aloneWhilePaused = radioLeftAlone(1500);
        messages.answer = MessageBoxes::Answer::Yes; // append to the recording
        click(window->recordAction());
    });
    bool stopped = false;
    at(4500, [&] {
        afterRecord = emulator.takeReceived();
        click(window->stopAction());
        stopped = true;
    });
    // Play returns when the playback has ended; the recording that waited for it
    // runs in a click of its own.
    ASSERT_TRUE(runEventsUntil([&] { return *returned && stopped; }, 15000));
    ASSERT_TRUE(runEventsUntil([&] { return !suite->flags.radioInUse(); }, 5000));
    EXPECT_TRUE(aloneWhilePlaying && aloneWhilePaused);
    EXPECT_TRUE(afterRecord.startsWith(kEnterAt + bytes({0xCC, 0x65})))
        << afterRecord.left(24).toHex(' ').constData();
    EXPECT_EQ(messages.shown,
              QStringList{u"Do you want to append the data to the current file?"_s});
    EXPECT_TRUE(radioInNormalMode());
    EXPECT_GT(QFileInfo(path).size(), 20 * suite->settings.NumberOfPoints * 16);
}
