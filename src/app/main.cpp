// veltrane-diagnostics: the Veltrane Diagnostics Suite for the RM7700 radio module.

#include "app/command_line.h"
#include "app/radio_check.h"
#include "app/suite_program.h"
#include "app/window_platform.h"
#include "ui/qt_message_boxes.h"

#include <QApplication>
#include <QCoreApplication>
#include <QIcon>
#include <memory>

namespace {

void describeApplication() {
    QCoreApplication::setApplicationName(QStringLiteral("veltrane-diagnostics"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELTRANE_VERSION));
}

} // namespace

int main(int argc, char** argv) {
    CommandLine options;
    {
        // The whole command line is read before the window system is touched:
        // --help, --version and the console check need no display (over ssh).
        QCoreApplication console(argc, argv);
        describeApplication();
        options = ParseCommandLine(QCoreApplication::arguments());
        if (options.check)
            return RunConsoleCheck(options);
    }
    if (const QString reason = MissingDisplayReason(options.platform); !reason.isEmpty()) {
        ReportWindowNotOpened(reason);
        return 1;
    }

    auto platformStart = std::make_unique<PlatformStartGuard>();
    QApplication app(argc, argv);
    platformStart.reset();
    describeApplication();
    QApplication::setApplicationDisplayName(QStringLiteral("Veltrane Diagnostics Suite"));
    // The installed icon and desktop entry (the desktop matches windows to it).
    QApplication::setDesktopFileName(QStringLiteral("veltrane-diagnostics"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("veltrane-diagnostics")));

    QtMessageBoxes messages;
    SuiteProgram program(options, messages);
    messages.setParent(&program.window());
    if (!program.start())
        return 1;
    return app.exec();
}
