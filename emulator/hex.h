// Hex text <-> bytes, as used on the control channel and in the verbose log.
#pragma once

#include "radio_types.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace rm7700emu {

// "CC 8E 00": two upper-case digits per byte, single spaces between bytes.
std::string toHex(std::span<const std::uint8_t> bytes);

// Accepts bytes separated by blanks ("CC 8E 00") and runs of digit pairs ("CC8E00"),
// or a mix; nullopt on any other character or an odd digit count in a run.
std::optional<Bytes> parseHexBytes(std::string_view text);

// Exactly six hex digits, e.g. "0A1BFF".
std::optional<Address> parseAddress(std::string_view text);

// "0A1BFF".
std::string addressText(const Address& address);

} // namespace rm7700emu
