#pragma once

#include <QString>
#include <functional>

class ControlQueue;

// Faults of the radio and its line, switched on and off through the emulator's
// control channel: silence, junk before every reply, replies in pieces, late
// replies, the link dropped (coming back on a new pseudo-terminal behind the same
// symlink), and stray bytes.
class RadioFaults {
public:
    explicit RadioFaults(ControlQueue& control) : control_(control) {}

    struct Episode {
        QString what;      // for the log
        QString on;        // control command that starts it
        QString off;       // control command that ends it; empty: it ends by itself
        int lastingMs = 0; // when `off` is due
    };
    // The fault chosen by `a`, its strength and length by `b`.
    static Episode choose(quint32 a, quint32 b);

    void start(const Episode& episode);
    void end(const Episode& episode);
    // Every fault off (a drop still comes back by itself).
    void allOff();
    int started() const { return started_; }

private:
    ControlQueue& control_;
    int started_ = 0;
};
