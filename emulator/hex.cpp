#include "hex.h"

namespace rm7700emu {

namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

int digitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

} // namespace

std::string toHex(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::uint8_t b : bytes) {
        if (!text.empty()) {
            text += ' ';
        }
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
    }
    return text;
}

std::optional<Bytes> parseHexBytes(std::string_view text) {
    Bytes bytes;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ' || text[i] == '\t' || text[i] == ',') {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && digitValue(text[end]) >= 0) {
            ++end;
        }
        if (end == i || (end - i) % 2 != 0) {
            return std::nullopt;
        }
        for (std::size_t k = i; k < end; k += 2) {
            bytes.push_back(
                static_cast<std::uint8_t>(digitValue(text[k]) * 16 + digitValue(text[k + 1])));
        }
        i = end;
    }
    return bytes;
}

std::optional<Address> parseAddress(std::string_view text) {
    if (text.size() != 6) {
        return std::nullopt;
    }
    auto bytes = parseHexBytes(text);
    if (!bytes || bytes->size() != 3) {
        return std::nullopt;
    }
    return Address{(*bytes)[0], (*bytes)[1], (*bytes)[2]};
}

std::string addressText(const Address& address) {
    std::string text;
    for (std::uint8_t b : address) {
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
    }
    return text;
}

} // namespace rm7700emu
