#pragma once

#include "app/main_window.h"
#include "core/settings_store.h"
#include "bench_support.h"
#include "ui/window_surfaces.h"

#include <QTemporaryDir>

// The suite with its main window on a fresh emulator, its settings in a
// temporary store.
struct WindowedSuite {
    EmulatorProcess emulator;
    QTemporaryDir dir;
    ScriptedMessages messages;
    StatusBarText status;
    WindowSurfaces surfaces;
    Suite suite{messages, status, surfaces};
    SettingsStore store{dir.filePath(QStringLiteral("settings.ini"))};
    MainWindow window{suite, store, surfaces, status};

    bool open(const QStringList& emulatorArgs, int baudIndex) {
        if (!emulator.start(emulatorArgs))
            return false;
        suite.link.DeviceOverride = emulator.devicePath();
        return window.Form_Load([baudIndex](Settings& s) {
            s.ConnectionType = 0;
            s.Baud = static_cast<std::int16_t>(baudIndex);
            s.applyStartupConversions();
        });
    }
};
