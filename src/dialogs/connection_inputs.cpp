#include "dialogs/connection_inputs.h"

#include "core/number_text.h"

#include <QStringList>

namespace {
constexpr char16_t kBackspace = 8;
constexpr char16_t kEnter = 13;

QString numberText(double value) {
    return shortestText(static_cast<float>(value));
}

QString bracket(const QString& first, const QString& second) {
    return QLatin1Char('(') + first + QStringLiteral(" to ") + second + QLatin1Char(')');
}
} // namespace

ScaleEnds MeterScaleEnds(int test, int meterType) {
    if (meterType != 0)
        return {0.0f, 100.0f};
    return test == 1 ? ScaleEnds{-40.0f, -110.0f} : ScaleEnds{-110.0f, -40.0f};
}

double BoxNumber(const QString& text) {
    QString digits;
    for (const QChar c : text) {
        if (c == QLatin1Char(' '))
            continue;
        const bool sign = digits.isEmpty() && (c == QLatin1Char('-') || c == QLatin1Char('+'));
        if (!sign && !c.isDigit())
            break;
        digits += c;
    }
    bool ok = false;
    const double value = digits.toDouble(&ok);
    return ok ? value : 0.0;
}

ThresholdRanges RangeTexts(const QString& marginalText, const QString& badText, ScaleEnds ends) {
    const double marginal = BoxNumber(marginalText);
    const double bad = BoxNumber(badText);
    const double step = ends.ascending() ? 1.0 : -1.0;
    ThresholdRanges ranges;
    ranges.good = bracket(numberText(ends.s3), numberText(marginal + step));
    ranges.marginal = bracket(marginalText, badText);
    ranges.bad = bracket(numberText(bad - step), numberText(ends.s0));
    return ranges;
}

ThresholdPair DefaultThresholds(int test, int meterType) {
    if (meterType != 0)
        return {85, 70};
    return test == 1 ? ThresholdPair{-85, -75} : ThresholdPair{-80, -95};
}

bool ThresholdKeyAccepted(QChar key) {
    return key.isDigit() || key == QChar(kBackspace) || key == QLatin1Char(' ') ||
           key == QChar(kEnter) || key == QLatin1Char('-');
}

QString ValidatedThreshold(int box, const QString& text, const QString& otherText, int remembered,
                           ScaleEnds ends) {
    const QString back = QString::number(remembered);
    if (text.trimmed().isEmpty())
        return back;
    const double value = BoxNumber(text);
    const double other = BoxNumber(otherText);
    // Along the scale's direction: s0 < bad < marginal < s3.
    const double sign = ends.ascending() ? 1.0 : -1.0;
    const double v = sign * value;
    const bool inOrder = box == 0 ? (sign * other < v && v < sign * ends.s3)
                                  : (sign * ends.s0 < v && v < sign * other);
    return inOrder ? text : back;
}

std::optional<int> IpPartValue(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 0 || value > 255)
        return std::nullopt;
    return value;
}

TcpPortCheck CheckTcpPort(const QString& text) {
    TcpPortCheck check;
    if (text.isEmpty())
        return check;
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    if (!ok || value < 0 || value > 65535) {
        check.outOfRange = true;
        return check;
    }
    check.text = QString::number(value);
    return check;
}

QString JoinIpAddress(const QString& a, const QString& b, const QString& c, const QString& d) {
    QStringList parts;
    for (const QString& part : {a, b, c, d})
        parts << (part.isEmpty() ? QStringLiteral("0") : QString::number(part.toInt()));
    return parts.join(QLatin1Char('.'));
}

ConnectionChoice ConnectionChoice::of(const Settings& settings) {
    ConnectionChoice choice;
    choice.port = settings.Port;
    choice.baud = settings.Baud;
    choice.baudText = settings.BaudText;
    choice.comPortDevices = settings.ComPortDevices;
    choice.connectionType = settings.ConnectionType;
    choice.tcpAddress = settings.TcpAddress;
    choice.tcpPort = settings.TcpPort;
    return choice;
}

void ConnectionChoice::applyTo(Settings& settings) const {
    settings.Port = port;
    settings.Baud = baud;
    settings.BaudText = baudText;
    settings.ComPortDevices = comPortDevices;
    settings.ConnectionType = connectionType;
    settings.TcpAddress = tcpAddress;
    settings.TcpPort = tcpPort;
}
