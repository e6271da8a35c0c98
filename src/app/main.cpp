// veltrane-diagnostics: start-up, link and the console radio check. The windows of
// the suite are built on top of this start-up.

#include "app/command_line.h"
#include "app/emulator_launcher.h"
#include "app/settings_store.h"
#include "app/smoke_run.h"
#include "app/startup.h"
#include "app/suite.h"
#include "ui/message_boxes.h"
#include "ui/status_text.h"
#include "ui/surface.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

namespace {

class ConsoleStatus : public StatusText {
public:
    void setRadioStateText(const QString& text) override {
        std::printf("%s\n", qPrintable(text));
        std::fflush(stdout);
    }
};

class ConsoleMessages : public MessageBoxes {
public:
    void showMessage(const QString& text) override {
        std::fprintf(stderr, "%s\n", qPrintable(text));
    }
    Answer askYesNoCancel(const QString& text) override {
        std::fprintf(stderr, "%s (cancelled)\n", qPrintable(text));
        return Answer::Cancel;
    }
};

class NoSurfaces : public AnalyzerSurfaces {
public:
    Surface* hopBinSurface() override { return nullptr; }
    Surface* spectrumSurface() override { return nullptr; }
};

constexpr int kCheckTimeLimitMs = 20000;

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("veltrane-diagnostics"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELTRANE_VERSION));
    const CommandLine options = ParseCommandLine(QCoreApplication::arguments());

    ConsoleStatus status;
    ConsoleMessages messages;
    NoSurfaces surfaces;
    Suite suite(messages, status, surfaces);

    EmulatorLauncher emulator;
    if (options.emulate) {
        const QString device = emulator.start(options.emulatorArgs);
        if (device.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(emulator.errorText()));
            return 1;
        }
        std::printf("Using the bundled RM7700 emulator on %s\n", qPrintable(device));
        suite.link.DeviceOverride = device;
    }

    SettingsStore store(options.settingsFile.isEmpty() ? SettingsStore::defaultPath()
                                                       : options.settingsFile);
    LoadStartUpSettings(suite, store, messages);
    if (options.emulate)
        suite.settings.ConnectionType = 0; // in memory only: the emulator is a serial device
    if (!OpenStartUpLink(suite)) {
        std::fprintf(stderr, "The radio link did not open (%s).\n",
                     qPrintable(suite.settings.ConnectionType == 1
                                    ? suite.settings.TcpAddress + u':' +
                                          QString::number(suite.settings.TcpPort)
                                    : suite.link.serialDevicePath()));
        return 1;
    }
    if (suite.settings.ConnectionType == 0)
        std::printf("Radio link: %s %s\n", qPrintable(suite.link.serialDevicePath()),
                    qPrintable(suite.link.portSettings.settingsString()));
    else
        std::printf("Radio link: %s:%d\n", qPrintable(suite.settings.TcpAddress),
                    suite.settings.TcpPort);
    std::fflush(stdout);

    // A radio that never answers would be retried for ever: end the check in time.
    QTimer::singleShot(kCheckTimeLimitMs, [&suite] { suite.flags.StopRequested = true; });
    const int result = RunRadioSmokeCheck(suite);
    suite.link.CloseAtShutdown();
    return result;
}
