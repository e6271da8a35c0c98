// Command line of rm7700-emu.
#pragma once

#include "radio_model.h"

#include <optional>
#include <string>

namespace rm7700emu {

inline constexpr const char* kVersion = "1.0.0";

struct Options {
    std::string linkPath;                 // --link: symlink to the pty slave
    std::optional<std::uint16_t> tcpPort; // --tcp: serve TCP instead of a pty
    unsigned baud = 0;                    // --baud: line rate to emulate, 0 = unpaced
    // --write-lead: how early paced chunks are written to make up for the transport's
    // own delivery time, in microseconds; empty = measure it at start-up.
    std::optional<long> writeLeadUs;
    bool verbose = false;
    bool exitOnEof = false;
    double faultRate = 0.0;
    RadioConfig radio; // everything the radio itself needs
    bool help = false;
    bool version = false;
};

struct ParsedOptions {
    std::optional<Options> options; // empty on error
    std::string error;
};

ParsedOptions parseOptions(int argc, const char* const* argv);

// The --help text: every option and every control command.
std::string usageText();

// The remote radios and carriers used when none are given.
std::vector<RemoteRadio> defaultRadios();
std::vector<Carrier> defaultCarriers();

} // namespace rm7700emu
