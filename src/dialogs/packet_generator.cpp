#include "dialogs/packet_generator.h"

namespace {

// The three runs of the pattern, in order; the generator starts again at '0'.
constexpr char kPattern[] = "0123456789"
                            "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
                            "abcdefghijklmnopqrstuvwxyz";
constexpr int kPatternLength = sizeof(kPattern) - 1;
constexpr int kFirstRunLength = 10;

} // namespace

QString GenerateTestPacket(int size) {
    // The generator only notices a count that has run past the size at the end of
    // a run, so a size below 1 completes the first run of ten digits.
    if (size < 1)
        return QString::fromLatin1(kPattern, kFirstRunLength);
    QString packet;
    packet.reserve(size);
    for (int i = 0; i < size; ++i)
        packet.append(QLatin1Char(kPattern[i % kPatternLength]));
    return packet;
}

std::optional<int> ReadPacketSize(const QString& text) {
    QString digits = text;
    digits.remove(QLatin1Char(' '));
    if (digits.isEmpty())
        return std::nullopt;
    // Only plain digits: a sign, a decimal point or an exponent cannot be typed
    // into the box, so text holding one did not come from the user's keys.
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    bool ok = false;
    const int value = digits.toInt(&ok);
    if (!ok)
        return std::nullopt; // too long for a number at all: out of range anyway
    return value;
}

QString ValidatedPacketSizeText(const QString& text, int remembered) {
    const std::optional<int> size = ReadPacketSize(text);
    if (size && *size >= 1 && *size <= kMaxTestPacketSize)
        return text;
    return QString::number(remembered);
}

bool PacketSizeKeyPasses(int characterCode) {
    if (characterCode >= '0' && characterCode <= '9')
        return true;
    return characterCode == 8 || characterCode == 32 || characterCode == 13;
}
