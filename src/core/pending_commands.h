#pragma once

#include <QObject>
#include <QTimer>
#include <array>
#include <functional>

struct StopFlags;
class EventWait;

// Commands of the user that need the radio while another radio operation holds
// it (Play while a query runs, Run Query during a run, a radio chosen during a
// run) wait their turn here: each runs once the radio is free and no wait is
// running below, from the top of the event loop, so that the bytes of two
// operations never interleave. One command per kind waits; a later one of the
// same kind replaces it. Stop and closing the program drop them all.
class PendingCommands : public QObject {
    Q_OBJECT
public:
    enum Kind { Transport, Query, RadioSelection, CloseProgram, KindCount };

    PendingCommands(const StopFlags& flags, const EventWait& wait, QObject* parent = nullptr);

    // Runs `command` at once when the radio is free and nothing waits below the
    // caller; otherwise keeps it until that is so.
    void runWhenRadioFree(Kind kind, std::function<void()> command);
    bool waiting(Kind kind) const { return static_cast<bool>(commands_[kind]); }
    void drop(Kind kind) { commands_[kind] = nullptr; }
    void dropAll();

    bool radioFree() const;

private:
    void runDue();

    // How often a waiting command looks whether its turn has come. Only runs while
    // a command waits.
    static constexpr int kCheckIntervalMs = 20;

    const StopFlags& flags_;
    const EventWait& wait_;
    std::array<std::function<void()>, KindCount> commands_;
    QTimer timer_;
};
