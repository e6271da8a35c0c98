// Basic vocabulary shared by the parts of the RM7700 emulator.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <limits>
#include <vector>

namespace rm7700emu {

// All emulator time is monotonic nanoseconds from an arbitrary origin. The pure parts
// (model, pacer, queue) never read a clock themselves: the caller passes "now", which
// keeps them deterministic and easy to test.
using Nanos = std::chrono::nanoseconds;
inline constexpr Nanos kNever = Nanos::max();

using Bytes = std::vector<std::uint8_t>;

// A radio address as it travels on the wire: three bytes, first byte first.
using Address = std::array<std::uint8_t, 3>;

// The radio's operating modes. The values are the ones the host program uses for
// its own record of the radio's mode, so they are also what the "state" control
// command prints. Bin report and acquisition mode are sub-states of AT command mode:
// AT commands keep working in them.
enum class Mode : std::uint8_t {
    Normal = 0,
    AtCommand = 1,
    Configuration = 2,
    BinReport = 4,
    Acquisition = 8,
};

// A remote radio that the attached radio hears in acquisition mode.
struct RemoteRadio {
    Address address{};
    bool client = false;      // role bit: true = client, false = server
    std::uint8_t channel = 0; // RF channel, 0..63
};

// A transmitter visible to the spectrum measurement: its level at the centre point,
// falling off on both sides.
struct Carrier {
    int point = 0;
    double levelDb = 0.0;
};

} // namespace rm7700emu
