#pragma once

// Shared by the benchmarks: a suite whose link runs to a fresh rm7700-emu, and
// the process's CPU time.

#include "app/suite.h"
#include "support/emulator_process.h"
#include "support/fakes.h"

#include <sys/resource.h>

// User plus system CPU time of this process so far, in seconds.
inline double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A suite (windows replaced by recorders) on a fresh emulator.
struct BenchSuite {
    RecordedStatus status;
    ScriptedMessages messages;
    TestSurfaces surfaces;
    EmulatorProcess emulator;
    Suite suite{messages, status, surfaces};

    // Starts the emulator with `args` and opens the link at the baud-rate table
    // index `baudIndex`.
    bool open(const QStringList& args, int baudIndex = 10) {
        if (!emulator.start(args))
            return false;
        suite.link.DeviceOverride = emulator.devicePath();
        suite.settings.Baud = static_cast<std::int16_t>(baudIndex);
        suite.settings.applyStartupConversions();
        suite.link.FillPortSettings();
        suite.flags.StopRequested = false;
        return suite.link.OpenPort(0);
    }
};
