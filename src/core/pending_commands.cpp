#include "core/pending_commands.h"

#include "core/event_wait.h"
#include "core/stop_flags.h"

PendingCommands::PendingCommands(const StopFlags& flags, const EventWait& wait, QObject* parent)
    : QObject(parent), flags_(flags), wait_(wait) {
    timer_.setInterval(kCheckIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &PendingCommands::runDue);
}

bool PendingCommands::radioFree() const {
    return !flags_.radioInUse() && wait_.depth() == 0;
}

void PendingCommands::runWhenRadioFree(Kind kind, std::function<void()> command) {
    if (radioFree() && !flags_.ApplicationClosing) {
        command();
        return;
    }
    commands_[kind] = std::move(command);
    timer_.start();
}

void PendingCommands::dropAll() {
    for (auto& command : commands_)
        command = nullptr;
    timer_.stop();
}

void PendingCommands::runDue() {
    if (!radioFree())
        return;
    timer_.stop();
    // In order of kind: a close of the program comes last, after what the user
    // asked before it has been given up.
    for (auto& command : commands_) {
        if (!command)
            continue;
        const auto run = std::exchange(command, nullptr);
        if (!flags_.ApplicationClosing)
            run();
        if (!radioFree()) { // that command took the radio: the others wait on
            timer_.start();
            return;
        }
    }
}
