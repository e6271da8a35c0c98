#pragma once

// Shared by the benchmarks: a suite whose link runs to a fresh rm7700-emu, and
// the process's CPU time.

#include "app/suite.h"
#include "link/radio_commands.h"
#include "support/cpu_time.h"
#include "support/emulator_process.h"
#include "support/fakes.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <algorithm>

// The longest time between two turns of the event loop, seen by a 1 ms timer that
// notes how late it comes: a loop that blocks (a hang) shows here.
class EventLoopGaps {
public:
    EventLoopGaps() {
        turns_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&turns_, &QTimer::timeout, [this] {
            const double now = static_cast<double>(clock_.nsecsElapsed()) / 1e6;
            if (lastTurn_ >= 0)
                longestMs_ = std::max(longestMs_, now - lastTurn_);
            lastTurn_ = now;
        });
    }
    void start() {
        clock_.start();
        lastTurn_ = -1;
        turns_.start(1);
    }
    void stop() { turns_.stop(); }
    double longestMs() const { return longestMs_; }

private:
    QElapsedTimer clock_;
    QTimer turns_;
    double lastTurn_ = -1;
    double longestMs_ = 0;
};

// Resident memory of this process in MB.
inline double residentMegabytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

// A suite (windows replaced by recorders) on a fresh emulator.
struct BenchSuite {
    RecordedStatus status;
    ScriptedMessages messages;
    TestSurfaces surfaces;
    EmulatorProcess emulator;
    Suite suite{messages, status, surfaces};
    QTimer forgetDrawing;

    // The recording surfaces keep every drawing call; a long run forgets them every
    // 100 ms so that memory measures the suite, not the test surfaces.
    void forgetDrawingAsItGoes() {
        QObject::connect(&forgetDrawing, &QTimer::timeout, [this] {
            surfaces.hopBin.reset();
            surfaces.spectrum.reset();
            surfaces.meter.reset();
        });
        forgetDrawing.start(100);
    }

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

// The reports in what the radio sent during a run: everything after the answer to
// the bin report command, which follows the answer to "AT+++" (0xCC "COM" cannot
// occur inside the report stream: no hop bin is 0x43).
inline qsizetype reportsIn(const QByteArray& sent) {
    const QByteArray streamStart =
        radio::enterAtAnswer() + radio::answerOn(); // CC 'C' 'O' 'M' CC 01
    const qsizetype at = sent.lastIndexOf(streamStart);
    if (at < 0)
        return -1;
    return (sent.size() - at - streamStart.size()) / 4;
}
