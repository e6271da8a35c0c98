#pragma once

#include <QString>
#include <optional>

// The pure logic of the Ping Test window: the transmit test packet and the rules of
// its size box. Nothing here needs a window.

// The largest packet the size box accepts (four digits).
inline constexpr int kMaxTestPacketSize = 9999;

// A packet of `size` characters in the repeating 62-character pattern 0-9, A-Z, a-z
// ("01234" for 5; the whole pattern and "01" for 64). A size below 1 can only be
// seen while the box is being edited; it gives the first run, "0123456789".
QString GenerateTestPacket(int size);

// The number a size box text stands for. Spaces (the key filter lets them through)
// are ignored, so " 1 2" reads as 12. Empty text, or text that is not a plain
// decimal number once the spaces are gone, reads as nullopt.
std::optional<int> ReadPacketSize(const QString& text);

// What the size box holds after it loses the focus: its own text when that reads as
// a size from 1 to 9999, otherwise `remembered` (the value it had when it got the
// focus) as decimal text. Never shows a message.
QString ValidatedPacketSizeText(const QString& text, int remembered);

// The size box's key filter, on the character code of a typed key: the digits,
// Backspace (8), space (32) and Enter (13) pass; every other character is dropped.
bool PacketSizeKeyPasses(int characterCode);
