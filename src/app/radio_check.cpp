#include "app/radio_check.h"

#include "app/command_line.h"
#include "app/emulator_launcher.h"
#include "core/settings_store.h"
#include "app/startup.h"
#include "app/suite.h"
#include "ui/message_boxes.h"
#include "ui/status_text.h"
#include "ui/surface.h"

#include <QTimer>
#include <cstdio>

namespace {

// Collects what the radio streams for `ms` milliseconds.
QByteArray collectFor(Suite& suite, int ms) {
    suite.link.ReceiveBuffer.clear();
    bool elapsed = false;
    QTimer::singleShot(ms, [&elapsed] { elapsed = true; });
    suite.wait.until([&] { return elapsed; });
    return suite.link.ReceiveBuffer;
}

bool reach(Suite& suite, std::int32_t mode) {
    suite.modes.ChangeRadioState(mode, false);
    const bool ok = suite.modes.RadioState == mode;
    if (!ok)
        std::printf("The radio did not reach: %s\n",
                    qPrintable(ModeProtocol::radioStateText(mode)));
    return ok;
}

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
    Surface* meterSurface() override { return nullptr; }
};

constexpr int kCheckTimeLimitMs = 20000;

int RunRadioCheck(Suite& suite) {
    // A radio that does not answer is retried until the time limit stops the check.
    suite.flags.StopRequested = false;

    suite.modes.ReadLocalRadioAddress();
    if (suite.modes.LocalRadioAddress.size() != 3)
        return 1;
    std::printf("Radio address: %s\n",
                suite.modes.LocalRadioAddress.toHex(' ').toUpper().constData());

    if (!reach(suite, ModeProtocol::BinReport))
        return 1;
    const QByteArray reports = collectFor(suite, 1000);
    std::printf("Bin report mode: %lld bytes in 1 s\n", static_cast<long long>(reports.size()));

    if (!reach(suite, ModeProtocol::Config))
        return 1;
    if (!reach(suite, ModeProtocol::Acquisition))
        return 1;
    const QByteArray records = collectFor(suite, 1000);
    std::printf("Acquisition mode: %lld bytes in 1 s\n", static_cast<long long>(records.size()));

    if (!reach(suite, ModeProtocol::Normal))
        return 1;
    std::printf("Radio check passed.\n");
    return 0;
}

} // namespace

int RunConsoleCheck(const CommandLine& options) {
    ConsoleStatus status;
    ConsoleMessages messages;
    NoSurfaces surfaces;
    Suite suite(messages, status, surfaces);

    EmulatorLauncher emulator;
    if (options.emulate) {
        if (!emulator.attachTo(suite.link, options.emulatorArgs))
            return 1;
        std::printf("Using the bundled RM7700 emulator on %s\n",
                    qPrintable(suite.link.DeviceOverride));
    }

    SettingsStore store(options.settingsFile.isEmpty() ? SettingsStore::defaultPath()
                                                       : options.settingsFile);
    LoadStartUpSettings(suite, store, messages);
    if (options.emulate)
        suite.settings.ConnectionType = 0; // in memory only: the emulator is a serial device
    if (!OpenStartUpLink(suite)) {
        std::fprintf(stderr, "The radio link did not open (%s).\n",
                     qPrintable(suite.link.endpointText()));
        return 1;
    }
    std::printf("Radio link: %s%s\n", qPrintable(suite.link.endpointText()),
                suite.settings.ConnectionType == 0
                    ? qPrintable(u' ' + suite.link.portSettings.settingsString())
                    : "");
    std::fflush(stdout);

    // A radio that never answers would be retried for ever: end the check in time.
    QTimer::singleShot(kCheckTimeLimitMs, [&suite] { suite.flags.StopRequested = true; });
    const int result = RunRadioCheck(suite);
    suite.link.CloseAtShutdown();
    return result;
}
