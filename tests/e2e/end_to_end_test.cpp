// The program as a user runs it with --emulate: the command line, the settings file,
// the bundled emulator on a pseudo-terminal and the main window with its tool
// windows, assembled exactly as veltrane-diagnostics assembles them. One session:
// start-up, a live hop bin run, a recording and its playback, a spectrum sweep, a
// network query, closing; then what the radio received, the recording and the
// settings file are checked.

#include "app/command_line.h"
#include "app/suite_program.h"
#include "dialogs/connection_dialog.h"
#include "link/radio_commands.h"
#include "network/network_window.h"
#include "support/fakes.h"
#include "support/suite_fixture.h"

#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>

namespace {

// Runs `action` (a click that runs the acquisition loop inside it) and ends it with
// Stop after `ms`.
void runFor(SuiteProgram& program, int ms, const std::function<void()>& action) {
    QTimer::singleShot(ms, &program.window(),
                       [&program] { program.window().stopAction()->trigger(); });
    action();
}

QByteArray bytesFromReply(const QString& reply) {
    return QByteArray::fromHex(reply.mid(2).toLatin1()); // "ok CC 8E 00"
}

} // namespace

TEST(EndToEnd, ASessionOnTheBundledEmulator) {
    qputenv("RM7700_EMU", RM7700_EMU_BUILT);
    QTemporaryDir dir;
    const QString settingsPath = dir.filePath(QStringLiteral("settings.ini"));
    const CommandLine options =
        ParseCommandLine({QStringLiteral("veltrane-diagnostics"), QStringLiteral("--emulate"),
                          QStringLiteral("--settings"), settingsPath,
                          QStringLiteral("--emulator-arg=--sync-delay=0"),
                          QStringLiteral("--emulator-arg=--report-rate=500"),
                          QStringLiteral("--emulator-arg=--query-rate=100")});
    ScriptedMessages messages;
    ScriptedFileDialogs dialogs;
    QByteArray received;
    {
        SuiteProgram program(options, messages);
        ASSERT_TRUE(program.start());
        MainWindow& window = program.window();
        Suite& suite = program.suite();
        window.setFileDialogs(dialogs);
        ASSERT_TRUE(runEventsUntil([&window] { return window.MainWindowActivated; }));
        EXPECT_TRUE(suite.link.PortIsOpen);
        EXPECT_EQ(window.findChild<ConnectionDialog*>(), nullptr);
        EmulatorLauncher& emulator = program.emulator();
        ASSERT_TRUE(emulator.command(QStringLiteral("state")).startsWith(QStringLiteral("ok")));

        // A live hop bin run.
        runFor(program, 2500, [&window] { window.playAction()->trigger(); });
        EXPECT_GT(suite.hopBinData.TotalReports, 100.0f);
        EXPECT_GT(suite.hopBinData.HighestBin, 40);

        // Recorded, then played back to the same statistics.
        dialogs.saveAnswer = dir.filePath(QStringLiteral("session.ban"));
        runFor(program, 2000, [&window] { window.recordAction()->trigger(); });
        const HopBinData recorded = suite.hopBinData;
        EXPECT_EQ(QFile(dialogs.saveAnswer).size(),
                  static_cast<qint64>(recorded.TotalReports) * 16);
        dialogs.openAnswer = dialogs.saveAnswer;
        window.loadFileAction()->trigger();
        QTimer::singleShot(20000, &window, [&window] { window.stopAction()->trigger(); });
        window.playAction()->trigger(); // ends by itself at the end of the recording
        EXPECT_EQ(suite.hopBinData, recorded);
        EXPECT_EQ(suite.recorder.TransportMode, Recorder::Idle);

        // The spectrum test: sweeps until Stop.
        NetworkWindow* network = window.networkWindow();
        ASSERT_TRUE(network);
        network->testOption(1)->click();
        ASSERT_TRUE(window.spectrumWindow());
        runFor(program, 3000, [&window] { window.playAction()->trigger(); });
        EXPECT_TRUE(suite.spectrumData.SweepTimeText.startsWith(QStringLiteral("Sweep Time")));

        // The network query finds the emulator's three radios.
        QTimer::singleShot(2000, network, [network] { network->ButtonStopQuery_Click(); });
        network->ButtonRunQuery_Click();
        EXPECT_EQ(network->resultRows(), 3);

        network->retriesBox()->setText(QStringLiteral("3"));
        network->Text1_LostFocus();
        received = bytesFromReply(emulator.command(QStringLiteral("rx")));
        window.close();
        EXPECT_TRUE(emulator.command(QStringLiteral("state")).contains(QStringLiteral("mode=0")));
    }

    // What the radio was asked: bin report mode, spectrum points, acquisition mode,
    // and back to normal mode.
    EXPECT_TRUE(received.contains(radio::binReportOn()));
    EXPECT_TRUE(received.contains(radio::bytes({0xB1, 0x00, 0x00})));
    EXPECT_TRUE(received.contains(radio::bytes({0x21, 0x02})));
    EXPECT_TRUE(received.contains(radio::acquisitionOn()));
    EXPECT_TRUE(received.contains(radio::acquisitionOff()));
    EXPECT_TRUE(messages.shown.isEmpty()) << qPrintable(messages.shown.join(QLatin1Char('\n')));

    // The settings file holds what was changed.
    QFile file(settingsPath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString stored = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(stored.contains(QStringLiteral("Meter%20Test=1"))) << qPrintable(stored);
    EXPECT_TRUE(stored.contains(QStringLiteral("Retries=3"))) << qPrintable(stored);
}
