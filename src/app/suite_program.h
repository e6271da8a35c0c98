#pragma once

#include "app/command_line.h"
#include "app/emulator_launcher.h"
#include "app/main_window.h"
#include "core/settings_store.h"
#include "app/suite.h"
#include "ui/window_surfaces.h"

class MessageBoxes;

// The windowed program as the command line asks for it: the suite, its settings
// file, the main window and, with --emulate, the bundled emulator as its radio.
class SuiteProgram {
public:
    SuiteProgram(const CommandLine& options, MessageBoxes& messages);

    // Starts the emulator when asked for, loads the settings, opens the link and
    // shows the main window (with the connection dialog when the stored port does
    // not open). False when the emulator could not be started.
    bool start();

    Suite& suite() { return suite_; }
    MainWindow& window() { return window_; }
    SettingsStore& store() { return store_; }
    EmulatorLauncher& emulator() { return emulator_; }

private:
    CommandLine options_;
    StatusBarText status_;
    WindowSurfaces surfaces_;
    Suite suite_;
    EmulatorLauncher emulator_;
    SettingsStore store_;
    MainWindow window_;
};
