#include "app/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

namespace {

// The options that the window system part of the toolkit takes from the command
// line when the window opens. They are read here only so that they are not
// refused as unknown; they stay out of --help.
void acceptToolkitOptions(QCommandLineParser& parser) {
    for (const char* name :
         {"platform", "platformpluginpath", "platformtheme", "plugin", "qmljsdebugger",
          "qwindowgeometry", "qwindowicon", "qwindowtitle", "session", "display", "geometry",
          "title", "icon", "name", "style", "stylesheet", "fontengine"}) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : {"reverse", "widgetcount", "nograb", "dograb", "sync", "testability"}) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

} // namespace

CommandLine ParseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Veltrane Diagnostics Suite: hop bin analyzer, spectrum analyzer and "
                       "network diagnostics for the RM7700 radio module."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption settings(
        QStringLiteral("settings"),
        QStringLiteral("Use FILE as the settings store instead of the per-user one."),
        QStringLiteral("FILE"));
    const QCommandLineOption emulate(
        QStringLiteral("emulate"),
        QStringLiteral("Start the bundled RM7700 emulator (rm7700-emu) on a pseudo-terminal and "
                       "use it as the radio. The stored port is left unchanged."));
    const QCommandLineOption emulatorArg(
        QStringLiteral("emulator-arg"),
        QStringLiteral("Pass ARG to rm7700-emu (repeatable), e.g. --emulator-arg=--baud=57600."),
        QStringLiteral("ARG"));
    const QCommandLineOption check(
        QStringLiteral("check"),
        QStringLiteral("Check the radio from the console without opening a window: read its "
                       "address, walk it through its modes and back to normal mode."));
    parser.addOption(settings);
    parser.addOption(check);
    parser.addOption(emulate);
    parser.addOption(emulatorArg);
    // The toolkit's options are single-dash words (-platform offscreen), and so is
    // -check.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    acceptToolkitOptions(parser);

    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "%s\n\n%s", qPrintable(parser.errorText()),
                     qPrintable(parser.helpText()));
        std::exit(2);
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    CommandLine line;
    line.settingsFile = parser.value(settings);
    line.emulate = parser.isSet(emulate);
    line.emulatorArgs = parser.values(emulatorArg);
    line.check = parser.isSet(check);
    line.platform = parser.value(QStringLiteral("platform"));
    return line;
}
