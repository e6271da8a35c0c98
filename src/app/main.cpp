// veltrane-diagnostics: the Veltrane Diagnostics Suite for the RM7700 radio module.

#include "app/command_line.h"
#include "app/radio_check.h"
#include "app/suite_program.h"
#include "ui/qt_message_boxes.h"

#include <QApplication>
#include <QCoreApplication>
#include <QIcon>
#include <cstdio>

namespace {

void describeApplication() {
    QCoreApplication::setApplicationName(QStringLiteral("veltrane-diagnostics"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELTRANE_VERSION));
}

} // namespace

int main(int argc, char** argv) {
    if (WantsConsoleCheck(argc, argv)) {
        QCoreApplication app(argc, argv);
        describeApplication();
        return RunConsoleCheck(ParseCommandLine(QCoreApplication::arguments()));
    }

    QApplication app(argc, argv);
    describeApplication();
    QApplication::setApplicationDisplayName(QStringLiteral("Veltrane Diagnostics Suite"));
    // The installed icon and desktop entry (the desktop matches windows to it).
    QApplication::setDesktopFileName(QStringLiteral("veltrane-diagnostics"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("veltrane-diagnostics")));
    const CommandLine options = ParseCommandLine(QCoreApplication::arguments());

    QtMessageBoxes messages;
    SuiteProgram program(options, messages);
    messages.setParent(&program.window());
    if (!program.start())
        return 1;
    return app.exec();
}
