#include "network/query_record.h"

namespace {
constexpr unsigned char kClientBit = 0x80;
constexpr unsigned char kChannelBits = 0x3F;
constexpr int kAddressSize = 3;

unsigned char byteAt(const QByteArray& bytes, qsizetype i) {
    return static_cast<unsigned char>(bytes.at(i));
}
} // namespace

QueryHead examineQueryHead(const QByteArray& buffer) {
    QueryHead head;
    if (buffer.size() >= kQueryRecordSize && byteAt(buffer, 0) == kQueryRecordLead) {
        const unsigned char roleAndChannel = byteAt(buffer, 1);
        head.action = QueryHead::Action::Record;
        head.size = kQueryRecordSize;
        head.record.address = buffer.mid(2, kAddressSize);
        head.record.hasRole = true;
        head.record.client = (roleAndChannel & kClientBit) != 0;
        head.record.channel = roleAndChannel & kChannelBits;
    } else if (buffer.size() >= kQueryLongRecordSize && byteAt(buffer, 0) == kQueryLongRecordLead) {
        head.action = QueryHead::Action::Record;
        head.size = kQueryLongRecordSize;
        head.record.address = buffer.mid(3, kAddressSize);
    } else if (buffer.size() > kQueryResyncThreshold) {
        head.action = QueryHead::Action::DropOne;
    }
    return head;
}

QString addressText(const QByteArray& address) {
    return QString::fromLatin1(address.toHex(' ').toUpper());
}

QByteArray addressBytes(const QString& text) {
    QByteArray bytes;
    for (int i = 0; i < kAddressSize; ++i) {
        bool ok = false;
        const uint value = text.mid(3 * i, 2).toUInt(&ok, 16);
        bytes.append(static_cast<char>(ok ? value : 0));
    }
    return bytes;
}

QString roleText(bool client) {
    return client ? QStringLiteral("Client") : QStringLiteral("Server");
}

QString channelText(int channel) {
    return QString::number(channel, 16).toUpper();
}
