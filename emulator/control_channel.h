// The control channel: one command per line on stdin, one answer line per command on
// stdout. Tests use it to look at what crossed the line and to script faults.
#pragma once

#include "radio_types.h"

#include <optional>
#include <string>
#include <string_view>

namespace rm7700emu {

struct ControlCommand {
    enum class Kind {
        Rx,
        Tx,
        State,
        Silent,
        Late,
        Split,
        Garbage,
        Drop,
        Path,
        Sync,
        Rate,
        Inject,
        Help,
        Quit
    };
    Kind kind = Kind::Help;
    double number = 0.0; // the argument of the commands that take a number
    Bytes bytes;         // inject
};

struct ParsedControl {
    std::optional<ControlCommand> command;
    std::string error; // the text after "error " when command is empty
};

ParsedControl parseControlLine(std::string_view line);

// The names of all commands, for "help".
std::string controlCommandList();

// Collects whole lines from a file descriptor that poll() reported readable.
class LineReader {
public:
    enum class Status { Open, EndOfFile };
    // Reads what is available and appends every complete line (without its newline,
    // and without a trailing CR) to `lines`.
    Status readFrom(int fd, std::vector<std::string>& lines);

private:
    std::string partial_;
};

} // namespace rm7700emu
