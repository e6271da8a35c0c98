#include "options.h"

#include "hex.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace rm7700emu {

namespace {

std::optional<long long> parseInteger(const std::string& text, long long lo, long long hi) {
    if (text.empty()) {
        return std::nullopt;
    }
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || value < lo || value > hi) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> parseNumber(const std::string& text, double lo, double hi) {
    if (text.empty()) {
        return std::nullopt;
    }
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(value) || value < lo || value > hi) {
        return std::nullopt;
    }
    return value;
}

std::vector<std::string> splitCommas(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t begin = 0;
    for (;;) {
        const std::size_t comma = text.find(',', begin);
        parts.push_back(text.substr(begin, comma - begin));
        if (comma == std::string::npos) {
            return parts;
        }
        begin = comma + 1;
    }
}

std::optional<RemoteRadio> parseRadio(const std::string& text) {
    const auto parts = splitCommas(text);
    if (parts.size() != 3) {
        return std::nullopt;
    }
    auto address = parseAddress(parts[0]);
    auto channel = parseInteger(parts[2], 0, 63);
    if (!address || !channel) {
        return std::nullopt;
    }
    RemoteRadio radio;
    radio.address = *address;
    radio.channel = static_cast<std::uint8_t>(*channel);
    if (parts[1] == "client") {
        radio.client = true;
    } else if (parts[1] != "server") {
        return std::nullopt;
    }
    return radio;
}

std::optional<Carrier> parseCarrier(const std::string& text) {
    const auto parts = splitCommas(text);
    if (parts.size() != 2) {
        return std::nullopt;
    }
    auto point = parseInteger(parts[0], 0, 255);
    auto level = parseNumber(parts[1], -200.0, 50.0);
    if (!point || !level) {
        return std::nullopt;
    }
    return Carrier{static_cast<int>(*point), *level};
}

} // namespace

std::vector<RemoteRadio> defaultRadios() {
    return {
        {{0x0A, 0x1B, 0xFF}, false, 10},
        {{0x2B, 0x3C, 0x4D}, true, 10},
        {{0x5E, 0x6F, 0x01}, true, 10},
    };
}

std::vector<Carrier> defaultCarriers() {
    return {{12, -55.0}, {33, -70.0}};
}

ParsedOptions parseOptions(int argc, const char* const* argv) {
    Options options;
    bool radiosGiven = false;
    bool carriersGiven = false;
    auto fail = [](std::string message) { return ParsedOptions{std::nullopt, std::move(message)}; };

    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        std::optional<std::string> inlineValue;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name.resize(eq);
        }
        auto flag = [&]() { return !inlineValue.has_value(); };
        // Fetches the option's value, from "--name=value" or the next argument.
        auto value = [&](std::string& out) {
            if (inlineValue) {
                out = *inlineValue;
                return true;
            }
            if (i + 1 >= argc) {
                return false;
            }
            out = argv[++i];
            return true;
        };
        std::string v;

        if (name == "--help" || name == "-h") {
            options.help = true;
        } else if (name == "--version") {
            options.version = true;
        } else if (name == "--verbose" && flag()) {
            options.verbose = true;
        } else if (name == "--exit-on-eof" && flag()) {
            options.exitOnEof = true;
        } else if (name == "--link") {
            if (!value(v) || v.empty()) {
                return fail("--link needs a path");
            }
            options.linkPath = v;
        } else if (name == "--tcp") {
            if (!value(v)) {
                return fail("--tcp needs a port");
            }
            auto port = parseInteger(v, 0, 65535);
            if (!port) {
                return fail("--tcp: not a port number: " + v);
            }
            options.tcpPort = static_cast<std::uint16_t>(*port);
        } else if (name == "--baud") {
            auto baud = value(v) ? parseInteger(v, 0, 10'000'000) : std::nullopt;
            if (!baud) {
                return fail("--baud needs a rate in baud (0 = unpaced)");
            }
            options.baud = static_cast<unsigned>(*baud);
        } else if (name == "--write-lead") {
            if (!value(v)) {
                return fail("--write-lead needs microseconds or auto");
            }
            if (v == "auto") {
                options.writeLeadUs.reset();
            } else if (auto us = parseInteger(v, 0, 100'000)) {
                options.writeLeadUs = static_cast<long>(*us);
            } else {
                return fail("--write-lead needs microseconds (0 to 100000) or auto");
            }
        } else if (name == "--fault-rate") {
            auto rate = value(v) ? parseNumber(v, 0.0, 1.0) : std::nullopt;
            if (!rate) {
                return fail("--fault-rate needs a probability from 0 to 1");
            }
            options.faultRate = *rate;
        } else if (name == "--sync-delay") {
            auto ms = value(v) ? parseInteger(v, 0, 3'600'000) : std::nullopt;
            if (!ms) {
                return fail("--sync-delay needs milliseconds");
            }
            options.radio.syncDelay = std::chrono::milliseconds(*ms);
        } else if (name == "--report-rate") {
            auto rate = value(v) ? parseNumber(v, 0.0, 10'000.0) : std::nullopt;
            if (!rate) {
                return fail("--report-rate needs reports per second (0 to 10000)");
            }
            options.radio.reportRate = *rate;
        } else if (name == "--query-rate") {
            auto rate = value(v) ? parseNumber(v, 0.0, 10'000.0) : std::nullopt;
            if (!rate) {
                return fail("--query-rate needs records per second (0 to 10000)");
            }
            options.radio.acquisitionRate = *rate;
        } else if (name == "--address" || name == "--destination") {
            auto address = value(v) ? parseAddress(v) : std::nullopt;
            if (!address) {
                return fail(name + " needs six hex digits, e.g. 123456");
            }
            (name == "--address" ? options.radio.ownAddress : options.radio.destination) = *address;
        } else if (name == "--option-byte") {
            auto byte = value(v) ? parseInteger(v, 0, 255) : std::nullopt;
            if (!byte) {
                return fail("--option-byte needs a number from 0 to 255");
            }
            options.radio.optionByte = static_cast<std::uint8_t>(*byte);
        } else if (name == "--radio") {
            auto radio = value(v) ? parseRadio(v) : std::nullopt;
            if (!radio) {
                return fail("--radio needs ADDR,ROLE,CHANNEL, e.g. 0A1BFF,server,10");
            }
            if (!radiosGiven) {
                options.radio.radios.clear();
                radiosGiven = true;
            }
            options.radio.radios.push_back(*radio);
        } else if (name == "--noise-floor") {
            auto db = value(v) ? parseNumber(v, -200.0, 50.0) : std::nullopt;
            if (!db) {
                return fail("--noise-floor needs a level in dB");
            }
            options.radio.spectrum.noiseFloorDb = *db;
        } else if (name == "--carrier") {
            auto carrier = value(v) ? parseCarrier(v) : std::nullopt;
            if (!carrier) {
                return fail("--carrier needs POINT,DB, e.g. 12,-55");
            }
            if (!carriersGiven) {
                options.radio.spectrum.carriers.clear();
                carriersGiven = true;
            }
            options.radio.spectrum.carriers.push_back(*carrier);
        } else if (name == "--seed") {
            auto seed =
                value(v) ? parseInteger(v, 0, std::numeric_limits<long long>::max()) : std::nullopt;
            if (!seed) {
                return fail("--seed needs a non-negative number");
            }
            options.radio.seed = static_cast<std::uint64_t>(*seed);
        } else {
            return fail("unknown option: " + std::string(argv[i]));
        }
    }
    if (!radiosGiven) {
        options.radio.radios = defaultRadios();
    }
    if (!carriersGiven) {
        options.radio.spectrum.carriers = defaultCarriers();
    }
    if (options.tcpPort && !options.linkPath.empty()) {
        return fail("--link only applies to a pseudo-terminal, not with --tcp");
    }
    return {options, {}};
}

std::string usageText() {
    return R"(Usage: rm7700-emu [OPTION]...
Plays an RM7700 frequency-hopping radio module on a pseudo-terminal (or a TCP port)
so the Veltrane Diagnostics Suite can run without hardware. The first line written
to stdout is the device path (or 127.0.0.1:PORT); after that stdout carries only the
answers to control commands read from stdin.

Transport:
  --link PATH           also make PATH a symlink to the pseudo-terminal (kept up to
                        date when the link comes back, removed on exit)
  --tcp PORT            serve TCP on 127.0.0.1:PORT instead (0 = any free port);
                        one client at a time
  --baud N              pace both directions at the line rate of N baud, 10 bits a
                        byte (default 0 = unpaced)
  --write-lead US|auto  with --baud, write each chunk US microseconds before its
                        last byte is due, to make up for the time the pty or
                        socket itself takes to deliver it (default auto: measured
                        at start-up)
  --exit-on-eof         exit when stdin reaches end of file (default: keep running)
  --verbose             log every chunk received and sent, in hex, to stderr

Radio:
  --address HEX6        own address (default 123456)
  --destination HEX6    destination address (default FFFFFF)
  --option-byte N       option byte; bit value 2 is the option bit (default 2)
  --sync-delay MS       link comes into sync MS ms after start or after the link
                        came back (default 2000)
  --report-rate N       bin reports per second (default 100)
  --query-rate N        acquisition mode records per second, all remote radios
                        together (default 20)
  --radio ADDR,ROLE,CH  a remote radio heard in acquisition mode, ROLE client or
                        server, CH 0..63; repeatable (default 0A1BFF,server,10
                        2B3C4D,client,10 5E6F01,client,10)
  --noise-floor DB      spectrum noise floor (default -100)
  --carrier POINT,DB    a carrier at spectrum point POINT, DB at its centre, falling
                        off 12 dB per point; repeatable (default 12,-55 and 33,-70)
  --seed N              seed of every random choice (default 1)

Faults:
  --fault-rate P        probability 0..1 that a reply is lost, 1500 ms late, split
                        into 2-4 writes or preceded by garbage; with P > 0 the link
                        also drops for 2 s about once a minute (default 0)

  --help                show this text
  --version             show the version

Control commands (stdin, one a line; each answered by one stdout line that starts
with "ok" or "error"):
  rx                    ok + bytes received since the last rx, e.g. "ok CC 8E 00"
  tx                    ok + bytes sent since the last tx
  state                 ok mode=<0|1|2|4|8> own=XXXXXX dest=XXXXXX option=XX
                        sync=<0|1> point=<n>
  silent 1|0            1: ignore all input and send nothing
  late MS               delay every reply by MS ms (0 = off)
  split N               write every reply in N pieces about 3 ms apart (1 = off)
  garbage N             write N junk bytes before every reply (0 = off)
  drop MS               the link goes away now and comes back after MS ms
                        (0 = stays away)
  path                  ok + the current device path or 127.0.0.1:PORT
  sync 0|1              force the link status (finding sync / in sync)
  rate N                bin reports per second
  inject HEX...         send these bytes now, e.g. "inject CC 05 FF 00"
  help                  ok + the list of commands
  quit                  answer ok and exit
)";
}

} // namespace rm7700emu
