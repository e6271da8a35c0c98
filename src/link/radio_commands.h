#pragma once

#include <QByteArray>
#include <initializer_list>

// The byte strings of the RM7700's command set. Commands that begin with 0xCC are
// raw binary commands of AT command mode; quoted texts are plain ASCII.
namespace radio {

inline QByteArray bytes(std::initializer_list<unsigned char> values) {
    QByteArray out;
    out.reserve(static_cast<qsizetype>(values.size()));
    for (unsigned char v : values)
        out.append(static_cast<char>(v));
    return out;
}

inline constexpr unsigned char kLead = 0xCC; // frame start of binary commands and replies

inline QByteArray enterAtCommand() {
    return QByteArrayLiteral("AT+++\r");
}
inline QByteArray enterAtAnswer() {
    return bytes({kLead, 'C', 'O', 'M'});
}
inline QByteArray leaveAtCommand() {
    return bytes({kLead, 'A', 'T', 'O', '\r'});
}
inline QByteArray leaveAtAnswer() {
    return bytes({kLead, 'D', 'A', 'T'});
}
inline QByteArray enterConfig() {
    return bytes({kLead, 0x65});
}
inline QByteArray enterConfigAnswer() {
    return bytes({0x65});
}
inline QByteArray leaveConfig() {
    return QByteArrayLiteral("V");
}
inline constexpr char kLeaveConfigAnswerLast = 'V';

inline QByteArray binReportOn() {
    return bytes({kLead, 0x8F, 0x01});
}
inline QByteArray binReportOff() {
    return bytes({kLead, 0x8F, 0x00});
}
inline QByteArray acquisitionOn() {
    return bytes({kLead, 0x8E, 0x01});
}
inline QByteArray acquisitionOff() {
    return bytes({kLead, 0x8E, 0x00});
}
inline QByteArray answerOn() {
    return bytes({kLead, 0x01});
}
inline QByteArray answerOff() {
    return bytes({kLead, 0x00});
}

inline QByteArray readOwnAddress() {
    return bytes({kLead, 0x11});
}
inline QByteArray readOptionByte() {
    return bytes({kLead, 0x0A, 0x20});
}
inline QByteArray clearOptionBit() {
    return bytes({kLead, 0x08, 0x00});
}
inline QByteArray setOptionBit() {
    return bytes({kLead, 0x08, 0x01});
}
inline constexpr unsigned char kOptionBit = 0x02; // in the option byte

inline QByteArray setDestination(const QByteArray& address) {
    return bytes({kLead, 0x10}) + address;
}
inline QByteArray setDestinationAnswer(const QByteArray& address) {
    return bytes({kLead}) + address;
}

} // namespace radio
