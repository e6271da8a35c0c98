#pragma once

#include <QString>
#include <deque>
#include <functional>

class EmulatorProcess;

// The emulator's control channel, one command at a time. Waiting for a reply runs the
// event loop, so another command may be asked for meanwhile (a fault ending while the
// radio's state is being read): it is queued and sent once the reply in hand has
// come, so that no reply is taken for another's.
class ControlQueue {
public:
    explicit ControlQueue(EmulatorProcess& emulator) : emulator_(emulator) {}

    // Sends `line`; `done` receives the reply ("ok ...", "error ...", or empty on a
    // time-out). May return before the reply when another command is in flight.
    void send(const QString& line, std::function<void(const QString&)> done = {});
    bool busy() const { return busy_; }

private:
    struct Command {
        QString line;
        std::function<void(const QString&)> done;
    };
    EmulatorProcess& emulator_;
    std::deque<Command> queue_;
    bool busy_ = false;
};

// The radio as the emulator reports it ("state").
struct RadioState {
    bool valid = false;
    int mode = -1;
    QString own;
    QString destination;

    static RadioState parse(const QString& reply);
    QString text() const;
};
