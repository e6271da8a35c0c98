#include "radio_model.h"

#include <algorithm>
#include <cmath>
#include <span>

namespace rm7700emu {

namespace {

using Command = RadioModel::Command;

constexpr std::int16_t kAny = -1; // wildcard: any byte value
constexpr std::uint8_t kCr = 0x0D;

struct Pattern {
    Command command;
    std::uint8_t length;
    std::array<std::int16_t, 6> bytes;
};

// What the radio listens for in each mode. In normal mode everything is user data
// except the escape sequence. The 0xCC commands are understood in AT command mode
// and in its sub-states (bin report and acquisition mode). The escape sequence is
// also accepted in configuration mode, where it brings the radio back to AT command
// mode; the host uses it to recover when it has lost track of the radio's mode.
constexpr Pattern kEscape{Command::EnterAt, 6, {'A', 'T', '+', '+', '+', kCr}};

constexpr Pattern kNormalPatterns[] = {kEscape};

constexpr Pattern kAtPatterns[] = {
    kEscape,
    {Command::ExitAt, 5, {0xCC, 'A', 'T', 'O', kCr}},
    {Command::EnterConfig, 2, {0xCC, 0x65}},
    {Command::BinReports, 3, {0xCC, 0x8F, kAny}},
    {Command::Acquisition, 3, {0xCC, 0x8E, kAny}},
    {Command::SetDestination, 5, {0xCC, 0x10, kAny, kAny, kAny}},
    {Command::ReadOwnAddress, 2, {0xCC, 0x11}},
    {Command::ReadOption, 3, {0xCC, 0x0A, 0x20}},
    {Command::WriteOptionBit, 3, {0xCC, 0x08, kAny}},
    {Command::Status, 3, {0xCC, 0x00, 0x00}},
};

constexpr Pattern kConfigPatterns[] = {
    kEscape,
    {Command::SelectPoint, 3, {0xB1, kAny, kAny}},
    {Command::ReadLevel, 2, {0x21, 0x02}},
    {Command::LeaveConfig, 1, {'V'}},
};

std::span<const Pattern> patternsFor(Mode mode) {
    switch (mode) {
    case Mode::Normal:
        return kNormalPatterns;
    case Mode::Configuration:
        return kConfigPatterns;
    case Mode::AtCommand:
    case Mode::BinReport:
    case Mode::Acquisition:
        break;
    }
    return kAtPatterns;
}

enum class MatchResult { None, Prefix, Complete };

struct Match {
    MatchResult result = MatchResult::None;
    Command command = Command::EnterAt;
};

Match match(std::span<const Pattern> patterns, const Bytes& input) {
    Match best;
    for (const Pattern& pattern : patterns) {
        if (input.size() > pattern.length) {
            continue;
        }
        bool same = true;
        for (std::size_t i = 0; i < input.size() && same; ++i) {
            same = pattern.bytes[i] == kAny || pattern.bytes[i] == input[i];
        }
        if (!same) {
            continue;
        }
        if (input.size() == pattern.length) {
            return {MatchResult::Complete, pattern.command};
        }
        best.result = MatchResult::Prefix;
    }
    return best;
}

} // namespace

RadioModel::RadioModel(RadioConfig config, Nanos start)
    : config_(std::move(config)), hops_(config_.seed), spectrum_(config_.spectrum, config_.seed),
      readingRng_(config_.seed, 0xB155), destination_(config_.destination),
      optionByte_(config_.optionByte), lastByteAt_(start), syncSince_(start) {}

void RadioModel::receive(std::uint8_t byte, Nanos at) {
    advance(at);
    if (silent_) {
        return;
    }
    pending_.push_back(byte);
    lastByteAt_ = at;

    // Match what has come in so far against the commands of the current mode. Bytes
    // that cannot start any command are dropped one at a time from the front, so a
    // command is found wherever it starts in the input.
    while (!pending_.empty()) {
        const Match m = match(patternsFor(mode_), pending_);
        if (m.result == MatchResult::Prefix) {
            return;
        }
        if (m.result == MatchResult::Complete) {
            const Bytes command = std::move(pending_);
            pending_.clear();
            execute(m.command, command, at);
            return;
        }
        pending_.erase(pending_.begin());
    }
}

void RadioModel::advance(Nanos now) {
    if (!pending_.empty() && now - lastByteAt_ > kPartialCommandTimeout) {
        pending_.clear();
    }
    if (!streaming() || nextRecordAt_ == kNever) {
        return;
    }
    // After a long stall (a suspended process) do not burst out the backlog: a real
    // radio would simply have sent those records to nobody.
    if (now - nextRecordAt_ > std::chrono::seconds(1)) {
        nextRecordAt_ = now;
    }
    const Nanos interval = streamInterval();
    while (nextRecordAt_ <= now) {
        if (!silent_) {
            emitStreamRecord(nextRecordAt_);
        }
        nextRecordAt_ += interval;
    }
}

Nanos RadioModel::nextDeadline() const {
    Nanos deadline = kNever;
    if (streaming()) {
        deadline = nextRecordAt_;
    }
    if (!pending_.empty()) {
        deadline = std::min(deadline, lastByteAt_ + kPartialCommandTimeout + Nanos(1));
    }
    return deadline;
}

std::vector<Emission> RadioModel::takeOutput() {
    std::vector<Emission> out;
    out.swap(output_);
    return out;
}

void RadioModel::setSilent(bool silent) {
    silent_ = silent;
    if (silent) {
        pending_.clear();
    }
}

void RadioModel::forceSync(std::optional<bool> inSync) {
    forcedSync_ = inSync;
}

void RadioModel::linkDown() {
    linkUp_ = false;
}

void RadioModel::linkUp(Nanos now) {
    linkUp_ = true;
    syncSince_ = now;
}

void RadioModel::setReportRate(double perSecond, Nanos now) {
    config_.reportRate = perSecond;
    if (mode_ == Mode::BinReport) {
        startStream(mode_, now);
    }
}

bool RadioModel::inSync(Nanos now) const {
    if (forcedSync_) {
        return *forcedSync_;
    }
    return linkUp_ && now - syncSince_ >= config_.syncDelay;
}

RadioSnapshot RadioModel::snapshot(Nanos now) const {
    return {mode_, config_.ownAddress, destination_, optionByte_, inSync(now), point_};
}

void RadioModel::execute(Command command, const Bytes& bytes, Nanos at) {
    switch (command) {
    case Command::EnterAt:
        // Already in AT command mode (or one of its sub-states) the radio just
        // confirms; a running stream keeps running.
        if (mode_ == Mode::Normal || mode_ == Mode::Configuration) {
            mode_ = Mode::AtCommand;
        }
        reply({0xCC, 'C', 'O', 'M'}, at);
        break;
    case Command::ExitAt:
        mode_ = Mode::Normal;
        reply({0xCC, 'D', 'A', 'T'}, at);
        break;
    case Command::EnterConfig:
        mode_ = Mode::Configuration;
        reply({0x65}, at);
        break;
    case Command::BinReports:
    case Command::Acquisition: {
        const std::uint8_t on = bytes[2];
        if (on > 1) {
            return; // not a command the radio knows
        }
        // The answer goes out before the first record of a stream.
        reply({0xCC, on}, at);
        if (on == 1) {
            startStream(command == Command::BinReports ? Mode::BinReport : Mode::Acquisition, at);
        } else {
            mode_ = Mode::AtCommand;
        }
        break;
    }
    case Command::SetDestination:
        destination_ = {bytes[2], bytes[3], bytes[4]};
        reply({0xCC, bytes[2], bytes[3], bytes[4]}, at);
        break;
    case Command::ReadOwnAddress:
        reply({0xCC, config_.ownAddress[0], config_.ownAddress[1], config_.ownAddress[2]}, at);
        break;
    case Command::ReadOption:
        reply({0xCC, optionByte_}, at);
        break;
    case Command::WriteOptionBit: {
        const std::uint8_t on = bytes[2];
        if (on > 1) {
            return;
        }
        optionByte_ = on ? (optionByte_ | 0x02) : (optionByte_ & ~0x02);
        reply({0xCC, on}, at);
        break;
    }
    case Command::Status:
        reply({0xCC, 0x00, inSync(at) ? kStatusInSync : kStatusFindingSync}, at);
        break;
    case Command::SelectPoint:
        if (bytes[2] != 0x00) {
            return;
        }
        point_ = bytes[1];
        reply(bytes, at);
        break;
    case Command::ReadLevel: {
        const std::uint16_t raw = spectrum_.measure(point_);
        reply({0x21, 0x02, static_cast<std::uint8_t>(raw & 0xFF),
               static_cast<std::uint8_t>(raw >> 8)},
              at);
        break;
    }
    case Command::LeaveConfig:
        mode_ = Mode::AtCommand;
        reply({'V'}, at);
        break;
    }
}

void RadioModel::reply(Bytes bytes, Nanos at) {
    output_.push_back({Emission::Kind::Reply, std::move(bytes), at});
}

void RadioModel::startStream(Mode mode, Nanos at) {
    mode_ = mode;
    const Nanos interval = streamInterval();
    nextRecordAt_ = interval == kNever ? kNever : at + interval;
}

Nanos RadioModel::streamInterval() const {
    const double rate = mode_ == Mode::BinReport ? config_.reportRate : config_.acquisitionRate;
    if (!(rate > 0.0)) {
        return kNever;
    }
    return Nanos(static_cast<std::int64_t>(std::llround(1e9 / rate)));
}

void RadioModel::emitStreamRecord(Nanos at) {
    const bool synced = inSync(at);
    if (mode_ == Mode::BinReport) {
        // Each hop gets a report; out of sync the radio hears nothing on any bin.
        const int bin = hops_.binAt(hop_++);
        std::array<std::uint8_t, 2> rssi{HopProfile::kMissed, HopProfile::kMissed};
        if (synced) {
            rssi = hops_.reading(bin, readingRng_);
        }
        output_.push_back(
            {Emission::Kind::Stream, {0xCC, static_cast<std::uint8_t>(bin), rssi[0], rssi[1]}, at});
        return;
    }
    // Acquisition mode: the remote radios answer in turn. Without sync nothing is heard.
    if (!synced || config_.radios.empty()) {
        return;
    }
    const std::uint64_t n = acquisitionCount_++;
    const RemoteRadio& radio = config_.radios[n % config_.radios.size()];
    const Address& a = radio.address;
    if (n % kLongRecordEvery == kLongRecordEvery - 1) {
        output_.push_back({Emission::Kind::Stream, {0x87, 0x00, 0x00, a[0], a[1], a[2]}, at});
    } else {
        const auto roleAndChannel =
            static_cast<std::uint8_t>((radio.client ? 0x80 : 0x00) | (radio.channel & 0x3F));
        output_.push_back({Emission::Kind::Stream, {0xCC, roleAndChannel, a[0], a[1], a[2]}, at});
    }
}

} // namespace rm7700emu
