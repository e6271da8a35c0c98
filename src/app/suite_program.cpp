#include "app/suite_program.h"

SuiteProgram::SuiteProgram(const CommandLine& options, MessageBoxes& messages)
    : options_(options), suite_(messages, status_, surfaces_),
      store_(options.settingsFile.isEmpty() ? SettingsStore::defaultPath() : options.settingsFile),
      window_(suite_, store_, surfaces_, status_) {}

bool SuiteProgram::start() {
    // Paced like a real radio on a 57600 baud line unless told otherwise.
    if (options_.emulate && !emulator_.attachTo(suite_.link, QStringList{QStringLiteral("--baud"),
                                                                         QStringLiteral("57600")} +
                                                                 options_.emulatorArgs))
        return false;
    const bool emulate = options_.emulate;
    window_.Form_Load([emulate](Settings& settings) {
        if (emulate)
            settings.ConnectionType = 0; // in memory only: the emulator is a serial device
    });
    window_.show();
    return true;
}
