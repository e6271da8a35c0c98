// The veltrane-diagnostics program as a user starts it.

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

using namespace Qt::StringLiterals;

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
    if (!process.waitForFinished(30000))
        return {}; // the QProcess kills it on the way out
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

} // namespace

// What a user over ssh meets: no display at all, or a DISPLAY that leads nowhere.
// Help and version need none; a window that cannot open is reported in one line.
TEST(CommandLine, HelpAndVersionNeedNoDisplayAndAWindowThatCannotOpenIsReported) {
    const QProcessEnvironment noDisplay; // empty: no DISPLAY, no QT_QPA_PLATFORM
    const ProgramRun version = runSuite({u"--version"_s}, noDisplay);
    EXPECT_EQ(QString::number(version.exitCode) + version.out, u"0veltrane-diagnostics 2.0.0\n"_s)
        << qPrintable(version.err);

    const ProgramRun help = runSuite({u"--help"_s}, noDisplay);
    EXPECT_EQ(help.exitCode, 0) << qPrintable(help.err);
    EXPECT_TRUE(help.out.contains(u"--settings <FILE>"_s) && help.out.contains(u"--emulate"_s))
        << qPrintable(help.out);
    EXPECT_FALSE(help.out.contains(u"platform"_s)); // the toolkit's own options

    const ProgramRun unknown = runSuite({u"--no-such-option"_s}, noDisplay);
    EXPECT_TRUE(unknown.exitCode == 2 && unknown.err.contains(u"no-such-option"_s));

    // The toolkit's options are still taken, before and after the suite's own.
    const ProgramRun withToolkitOptions =
        runSuite({u"-platform"_s, u"offscreen"_s, u"--version"_s, u"-style=fusion"_s}, noDisplay);
    EXPECT_EQ(withToolkitOptions.exitCode, 0) << qPrintable(withToolkitOptions.err);

    // Without a window to open, the suite says so in one line.
    QProcessEnvironment unreachable;
    unreachable.insert(u"DISPLAY"_s, u":7391"_s); // no server there
    for (const QProcessEnvironment& environment : {noDisplay, unreachable}) {
        const ProgramRun run = runSuite({}, environment);
        EXPECT_TRUE(run.exitCode == 1 && run.out.isEmpty() && run.err.endsWith(u'\n') &&
                    run.err.count(u'\n') == 1 && run.err.contains(u"display"_s))
            << run.exitCode << qPrintable(environment.value(u"DISPLAY"_s) + run.err); // -1: crashed
    }
}

// --check on the emulated radio with the settings of the given store, which it
// leaves as it was; a port that does not open is reported.
TEST(CommandLine, ConsoleCheckOfTheRadioLink) {
    QTemporaryDir dir;
    const QString store = dir.filePath(u"settings.ini"_s);
    const auto check = [&](const QByteArray& content, bool emulate) {
        QFile file(store);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(content) > 0);
        file.close();
        QStringList args{u"--check"_s, u"--settings"_s, store};
        return runSuite(emulate ? args << u"--emulate"_s : args);
    };
    const ProgramRun run = check("[Settings]\nBaud=11\nPort=4\n", true);
    EXPECT_EQ(run.exitCode, 0) << qPrintable(run.out + run.err);
    for (const char* line : {" 115200,n,8,1\n", "Radio address: 12 34 56",
                             "Radio State: Bin Report Mode", "Radio State: Acquisition Mode"})
        EXPECT_TRUE(run.out.contains(QLatin1String(line))) << line;
    EXPECT_TRUE(run.out.endsWith(u"Radio State: Normal Mode\nRadio check passed.\n"_s));
    QFile file(store);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly) &&
                file.readAll() == "[Settings]\nBaud=11\nPort=4\n");

    const ProgramRun failed = check("[COM%20Ports]\nCOM1=/dev/no-such-radio\n", false);
    EXPECT_TRUE(failed.exitCode == 1 &&
                failed.err.contains(u"The radio link did not open (/dev/no-such-radio)."_s))
        << qPrintable(failed.err);
}
