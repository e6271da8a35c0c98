#pragma once

#include "app/suite.h"
#include "support/emulator_process.h"
#include "support/fakes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

// Runs the event loop for `ms` milliseconds.
inline void runEventsFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until `done` holds or `ms` have passed; returns done().
inline bool runEventsUntil(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

// A whole suite (windows replaced by recorders) whose link runs to a fresh
// rm7700-emu over a real pseudo-terminal or TCP.
class SuiteOnEmulator : public ::testing::Test {
protected:
    enum class Transport { Pty, Tcp };

    // Starts the emulator and opens the link to it with the default settings.
    void startLink(Transport transport = Transport::Pty, const QStringList& emulatorArgs = {}) {
        suite = std::make_unique<Suite>(messages, status, surfaces);
        if (transport == Transport::Pty) {
            ASSERT_TRUE(emulator.start(emulatorArgs));
            suite->link.DeviceOverride = emulator.devicePath();
            suite->settings.ConnectionType = 0;
        } else {
            ASSERT_TRUE(emulator.startTcp(emulatorArgs));
            suite->settings.ConnectionType = 1;
            suite->settings.TcpPort = emulator.tcpPort();
        }
        suite->settings.applyStartupConversions();
        suite->link.FillPortSettings();
        ASSERT_TRUE(suite->link.OpenPort(0));
        suite->flags.StopRequested = false;
    }

    // Raises StopRequested after `ms`, as a click on Stop would. The timer dies
    // with the test.
    void stopAfter(int ms) {
        QTimer::singleShot(ms, &scope, [this] { suite->flags.StopRequested = true; });
    }

    ScriptedMessages messages;
    RecordedStatus status;
    TestSurfaces surfaces;
    EmulatorProcess emulator;
    std::unique_ptr<Suite> suite;
    QObject scope; // context of the test's timers: destroyed first, cancelling them
};
