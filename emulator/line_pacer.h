// Serial line timing. A pseudo-terminal or a socket moves bytes instantly; a real
// serial line moves one byte every 10 bit times (start bit, 8 data bits, stop bit).
// The pacer works out when each byte would have finished arriving in either
// direction, so that the emulator answers no sooner than a real radio could.
#pragma once

#include "radio_types.h"

namespace rm7700emu {

class LinePacer {
public:
    static constexpr int kBitsPerByte = 10;

    // baud 0: unpaced, bytes take no time at all.
    explicit LinePacer(unsigned baud = 0) : baud_(baud) {}

    unsigned baud() const { return baud_; }
    bool paced() const { return baud_ != 0; }

    // Time that `count` back-to-back bytes occupy the line.
    Nanos duration(std::size_t count) const;

    // Host to radio: `count` bytes were read at `readAt`. They arrive one after
    // another from then on, but not before the bytes read earlier have arrived.
    // Returns the time each byte has fully arrived.
    std::vector<Nanos> receive(std::size_t count, Nanos readAt);

    // Radio to host: `count` bytes are ready to go at `readyAt`; they follow any bytes
    // already on the line. Returns the time the last byte has arrived at the host,
    // which is when the emulator writes the whole chunk.
    Nanos transmit(std::size_t count, Nanos readyAt);

    // Earliest time a new chunk could start on the radio-to-host line.
    Nanos transmitFreeAt() const { return txFreeAt_; }

    // The link went away: nothing is in flight any more.
    void reset();

private:
    unsigned baud_;
    Nanos rxFreeAt_{0};
    Nanos txFreeAt_{0};
};

} // namespace rm7700emu
