#pragma once

#include <QByteArray>
#include <QString>

// The records the attached radio streams in acquisition mode, one per remote radio
// heard:
//   0xCC, role and channel (bit 7 set: a client; bits 5..0: the RF channel),
//        the 3 address bytes                                          5 bytes
//   0x87, 2 bytes not used, the 3 address bytes                       6 bytes
// A 0x87 record names no role and no channel.
struct QueryRecord {
    QByteArray address; // 3 bytes, first byte first
    bool hasRole = false;
    bool client = false;
    int channel = 0;
};

// What to do with the head of the receive buffer.
struct QueryHead {
    enum class Action {
        Record,  // a whole record: `record`, `size` bytes long
        DropOne, // garbage: drop one byte and look again
        Wait,    // too few bytes to tell: wait for more
    };
    Action action = Action::Wait;
    QueryRecord record;
    qsizetype size = 0;
};

inline constexpr unsigned char kQueryRecordLead = 0xCC;
inline constexpr unsigned char kQueryLongRecordLead = 0x87;
inline constexpr qsizetype kQueryRecordSize = 5;
inline constexpr qsizetype kQueryLongRecordSize = 6;
// Unrecognised bytes are dropped only while more than this many are waiting.
inline constexpr qsizetype kQueryResyncThreshold = 6;

QueryHead examineQueryHead(const QByteArray& buffer);

// "0A 1B FF": the address bytes as two upper-case hex digits each, one space apart.
QString addressText(const QByteArray& address);
// The 3 address bytes back from an address text (characters 1-2, 4-5, 7-8); a pair
// that is not hexadecimal gives 0.
QByteArray addressBytes(const QString& text);
QString roleText(bool client);
// The RF channel as upper-case hex without leading zeros: 10 gives "A".
QString channelText(int channel);
