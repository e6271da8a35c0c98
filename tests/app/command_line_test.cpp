// The veltrane-diagnostics program as a user starts it.

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

namespace {

struct ProgramRun {
    int exitCode = -1;
    QString out, err;
};

// Runs the program with `args`; with `environment` set, in exactly that environment
// (no DISPLAY, no QT_QPA_PLATFORM unless it names them), as over ssh.
ProgramRun runSuite(const QStringList& args,
                    const std::optional<QProcessEnvironment>& environment = std::nullopt) {
    QProcess process;
    if (environment)
        process.setProcessEnvironment(*environment);
    process.start(QStringLiteral(VELTRANE_EXE_PATH), args);
    ProgramRun run;
    if (!process.waitForFinished(30000))
        return run; // the QProcess kills it on the way out
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

} // namespace

// What a user over ssh meets: no display at all, or a DISPLAY that leads nowhere.
TEST(CommandLine, HelpAndVersionNeedNoDisplay) {
    const QProcessEnvironment noDisplay; // empty: no DISPLAY, no QT_QPA_PLATFORM
    const ProgramRun version = runSuite({QStringLiteral("--version")}, noDisplay);
    EXPECT_EQ(version.exitCode, 0) << qPrintable(version.err);
    EXPECT_EQ(version.out.trimmed(), QStringLiteral("veltrane-diagnostics 2.0.0"));

    const ProgramRun help = runSuite({QStringLiteral("--help")}, noDisplay);
    EXPECT_EQ(help.exitCode, 0) << qPrintable(help.err);
    EXPECT_TRUE(help.out.contains(QStringLiteral("--settings <FILE>")) &&
                help.out.contains(QStringLiteral("--emulate")))
        << qPrintable(help.out);
    EXPECT_FALSE(help.out.contains(QStringLiteral("platform"))); // the toolkit's own options

    const ProgramRun unknown = runSuite({QStringLiteral("--no-such-option")}, noDisplay);
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(unknown.err.contains(QStringLiteral("no-such-option")));

    // The toolkit's options are still taken, before and after the suite's own.
    const ProgramRun withToolkitOptions =
        runSuite({QStringLiteral("-platform"), QStringLiteral("offscreen"),
                  QStringLiteral("--version"), QStringLiteral("-style=fusion")},
                 noDisplay);
    EXPECT_EQ(withToolkitOptions.exitCode, 0) << qPrintable(withToolkitOptions.err);
}

TEST(CommandLine, AWindowThatCannotOpenIsReportedInOneLine) {
    QProcessEnvironment unreachable;
    unreachable.insert(QStringLiteral("DISPLAY"), QStringLiteral(":7391")); // no server there
    for (const QProcessEnvironment& environment : {QProcessEnvironment(), unreachable}) {
        const ProgramRun run = runSuite({}, environment);
        const QString display = environment.value(QStringLiteral("DISPLAY"));
        EXPECT_EQ(run.exitCode, 1) << qPrintable(display + run.err); // -1: crashed
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.err.endsWith(QLatin1Char('\n')) && run.err.count(QLatin1Char('\n')) == 1 &&
                    run.err.contains(QStringLiteral("display")))
            << qPrintable(run.err);
    }
}

// --check on the emulated radio with the settings of the given store, which it
// leaves as it was; a port that does not open is reported.
TEST(CommandLine, ConsoleCheckOfTheRadioLink) {
    QTemporaryDir dir;
    const QString store = dir.filePath(QStringLiteral("settings.ini"));
    const auto check = [&](const QByteArray& content, bool emulate) {
        QFile file(store);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        file.close();
        QStringList args{QStringLiteral("--check"), QStringLiteral("--settings"), store};
        return runSuite(emulate ? args << QStringLiteral("--emulate") : args);
    };
    const ProgramRun run = check("[Settings]\nBaud=11\nPort=4\n", true);
    EXPECT_EQ(run.exitCode, 0) << qPrintable(run.out + run.err);
    for (const char* line : {" 115200,n,8,1\n", "Radio address: 12 34 56",
                             "Radio State: Bin Report Mode", "Radio State: Acquisition Mode"})
        EXPECT_TRUE(run.out.contains(QLatin1String(line))) << line;
    EXPECT_TRUE(
        run.out.endsWith(QStringLiteral("Radio State: Normal Mode\nRadio check passed.\n")));
    QFile file(store);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("[Settings]\nBaud=11\nPort=4\n"));

    const ProgramRun failed = check("[COM%20Ports]\nCOM1=/dev/no-such-radio\n", false);
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_TRUE(
        failed.err.contains(QStringLiteral("The radio link did not open (/dev/no-such-radio).")))
        << qPrintable(failed.err);
}
