// veltrane-diagnostics: the Veltrane Diagnostics Suite for the RM7700 radio module.

#include "app/command_line.h"
#include "app/emulator_launcher.h"
#include "app/main_window.h"
#include "app/radio_check.h"
#include "app/settings_store.h"
#include "app/suite.h"
#include "ui/qt_message_boxes.h"
#include "ui/window_surfaces.h"

#include <QApplication>
#include <QCoreApplication>
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
    const CommandLine options = ParseCommandLine(QCoreApplication::arguments());

    QtMessageBoxes messages;
    StatusBarText status;
    WindowSurfaces surfaces;
    Suite suite(messages, status, surfaces);

    EmulatorLauncher emulator;
    // Paced like a real radio on a 57600 baud line unless told otherwise.
    if (options.emulate && !emulator.attachTo(suite.link, QStringList{QStringLiteral("--baud"),
                                                                      QStringLiteral("57600")} +
                                                              options.emulatorArgs))
        return 1;

    SettingsStore store(options.settingsFile.isEmpty() ? SettingsStore::defaultPath()
                                                       : options.settingsFile);
    MainWindow window(suite, store, surfaces, status);
    messages.setParent(&window);
    window.Form_Load([&options](Settings& settings) {
        if (options.emulate)
            settings.ConnectionType = 0; // in memory only: the emulator is a serial device
    });
    window.show(); // with the connection dialog when the stored port did not open
    return app.exec();
}
