#include "control_channel.h"

#include "hex.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <unistd.h>

namespace rm7700emu {

namespace {

struct CommandInfo {
    const char* name;
    ControlCommand::Kind kind;
    enum class Argument { None, Flag, Count, Rate, Hex } argument;
    double max; // largest accepted number
};

using Kind = ControlCommand::Kind;
using Arg = CommandInfo::Argument;

constexpr CommandInfo kCommands[] = {
    {"rx", Kind::Rx, Arg::None, 0},
    {"tx", Kind::Tx, Arg::None, 0},
    {"state", Kind::State, Arg::None, 0},
    {"silent", Kind::Silent, Arg::Flag, 1},
    {"late", Kind::Late, Arg::Count, 3'600'000},
    {"split", Kind::Split, Arg::Count, 64},
    {"garbage", Kind::Garbage, Arg::Count, 4096},
    {"drop", Kind::Drop, Arg::Count, 3'600'000},
    {"path", Kind::Path, Arg::None, 0},
    {"sync", Kind::Sync, Arg::Flag, 1},
    {"rate", Kind::Rate, Arg::Rate, 10'000},
    {"inject", Kind::Inject, Arg::Hex, 0},
    {"help", Kind::Help, Arg::None, 0},
    {"quit", Kind::Quit, Arg::None, 0},
};

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace

ParsedControl parseControlLine(std::string_view line) {
    line = trim(line);
    const std::size_t blank = line.find_first_of(" \t");
    const std::string_view name = line.substr(0, blank);
    const std::string_view rest =
        blank == std::string_view::npos ? std::string_view{} : trim(line.substr(blank));

    for (const CommandInfo& entry : kCommands) {
        if (name != entry.name) {
            continue;
        }
        ControlCommand command;
        command.kind = entry.kind;
        const std::string usage = std::string(entry.name);
        switch (entry.argument) {
        case Arg::None:
            if (!rest.empty()) {
                return {std::nullopt, usage + " takes no argument"};
            }
            return {command, {}};
        case Arg::Hex: {
            auto bytes = parseHexBytes(rest);
            if (!bytes || bytes->empty()) {
                return {std::nullopt, "inject needs hex bytes, e.g. inject CC 05 FF 00"};
            }
            command.bytes = std::move(*bytes);
            return {command, {}};
        }
        case Arg::Flag:
        case Arg::Count:
        case Arg::Rate: {
            const std::string text(rest);
            errno = 0;
            char* end = nullptr;
            const double value = std::strtod(text.c_str(), &end);
            const bool wholeNumber = entry.argument == Arg::Rate || std::floor(value) == value;
            const double min = entry.kind == Kind::Split ? 1 : 0;
            if (text.empty() || errno != 0 || *end != '\0' || !std::isfinite(value) ||
                !wholeNumber || value < min || value > entry.max) {
                if (entry.argument == Arg::Flag) {
                    return {std::nullopt, usage + " needs 0 or 1"};
                }
                return {std::nullopt, usage + " needs a number from " +
                                          std::to_string(static_cast<int>(min)) + " to " +
                                          std::to_string(static_cast<long>(entry.max))};
            }
            command.number = value;
            return {command, {}};
        }
        }
    }
    if (name.empty()) {
        return {std::nullopt, "empty command"};
    }
    return {std::nullopt, "unknown command: " + std::string(name)};
}

std::string controlCommandList() {
    std::string list;
    for (const CommandInfo& entry : kCommands) {
        if (!list.empty()) {
            list += ' ';
        }
        list += entry.name;
    }
    return list;
}

LineReader::Status LineReader::readFrom(int fd, std::vector<std::string>& lines) {
    // One read per call: the caller polls first, so this never blocks, and stdin can
    // stay in blocking mode (it may be a terminal shared with the shell).
    char buffer[4096];
    ssize_t n;
    do {
        n = ::read(fd, buffer, sizeof buffer);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        return errno == EAGAIN || errno == EWOULDBLOCK ? Status::Open : Status::EndOfFile;
    }
    if (n == 0) {
        if (!partial_.empty()) {
            lines.push_back(std::move(partial_));
            partial_.clear();
        }
        return Status::EndOfFile;
    }
    partial_.append(buffer, static_cast<std::size_t>(n));
    std::size_t newline;
    while ((newline = partial_.find('\n')) != std::string::npos) {
        std::string line = partial_.substr(0, newline);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(std::move(line));
        partial_.erase(0, newline + 1);
    }
    return Status::Open;
}

} // namespace rm7700emu
