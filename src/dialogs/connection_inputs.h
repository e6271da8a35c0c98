#pragma once

#include "core/settings.h"

#include <QChar>
#include <QString>
#include <optional>

// The input rules of the "Port Select" dialog: the stop-light thresholds of the link
// quality meter with their Good / Marginal / Bad ranges, the four parts of an IP
// address and the TCP port.

// The ends of the meter's scale for a test and meter choice: s0 at the left of the
// dial, s3 at the right. Percent Good runs 0 to 100, the hop bin RSSI -110 to -40
// dBm; on the spectrum test a strong signal is interference, so it runs -40 to -110.
struct ScaleEnds {
    float s0 = 0;
    float s3 = 100;
    bool ascending() const { return s0 <= s3; }
};
ScaleEnds MeterScaleEnds(int test, int meterType);

// The number in a box as the radio's tools read it: spaces ignored, the leading
// number taken ("-8x" is -8), nothing numeric is 0.
double BoxNumber(const QString& text);

struct ThresholdRanges {
    QString good;
    QString marginal;
    QString bad;
};
// "(100 to 86)", "(85 to 70)", "(69 to 0)" for the boxes' texts 85 and 70 on 0..100.
ThresholdRanges RangeTexts(const QString& marginalText, const QString& badText, ScaleEnds ends);

struct ThresholdPair {
    int marginal = 0;
    int bad = 0;
};
ThresholdPair DefaultThresholds(int test, int meterType);

// Keys that a threshold box accepts: digits, Backspace, space, Enter and minus.
bool ThresholdKeyAccepted(QChar key);
// The text a threshold box keeps when it is left: box 0 (good to marginal) must lie
// strictly between box 1 and s3, box 1 (marginal to bad) strictly between s0 and
// box 0, in the scale's direction; otherwise, or when empty, the value it had when
// it got the focus comes back.
QString ValidatedThreshold(int box, const QString& text, const QString& otherText, int remembered,
                           ScaleEnds ends);

// One part of an IP address once three digits are typed: the value, or nothing
// (outside 0..255) with the message "Value must be between 0 and 255.".
std::optional<int> IpPartValue(const QString& text);
inline constexpr const char* kIpPartMessage = "Value must be between 0 and 255.";

// The TCP port box when it is left: the value's text without leading zeros, or
// nothing when the remembered text must come back (empty: silently; out of range:
// with "Select a value between 0 and 65,535.").
struct TcpPortCheck {
    std::optional<QString> text;
    bool outOfRange = false;
};
TcpPortCheck CheckTcpPort(const QString& text);
inline constexpr const char* kTcpPortMessage = "Select a value between 0 and 65,535.";
inline constexpr int kTcpPortMaxLength = 5;

// "10.0.0.7" from four boxes; an empty part counts as 0.
QString JoinIpAddress(const QString& a, const QString& b, const QString& c, const QString& d);

// The part of the settings that OK changes to reach the radio. A failed open puts
// back exactly these, so that what the user changed elsewhere while the link was
// being tried (test, meter, retries, colours) stays.
struct ConnectionChoice {
    std::int32_t port = 0;
    std::int16_t baud = 0;
    QString baudText;
    decltype(Settings::ComPortDevices) comPortDevices;
    std::int16_t connectionType = 0;
    QString tcpAddress;
    std::int32_t tcpPort = 0;

    static ConnectionChoice of(const Settings& settings);
    void applyTo(Settings& settings) const;
};
