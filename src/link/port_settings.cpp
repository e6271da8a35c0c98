#include "link/port_settings.h"

#include "core/number_text.h"
#include "core/settings.h"

#include <QFileInfo>
#include <QSerialPort>

PortSettings PortSettings::fromSettings(const Settings& settings) {
    PortSettings s;
    // A rate text that is not a number (only an out-of-table index can give one)
    // leaves 0, which no port accepts: the open then fails and the user is asked.
    s.Baud = static_cast<std::int32_t>(parseInteger(settings.BaudText, 0, 4000000).value_or(0));
    s.StopBits = 1.0f;
    s.CommPort = static_cast<std::int16_t>(settings.Port + 1);
    s.DataBits = 8;
    // The radio's link has no parity: a stored "Parity" other than 0 has no letter,
    // and without one no port would open.
    s.Parity = settings.ParityLetter.isEmpty() ? QStringLiteral("n") : settings.ParityLetter;
    return s;
}

QString PortSettings::settingsString() const {
    return shortestText(std::int64_t{Baud}) + u',' + Parity + u',' +
           shortestText(std::int64_t{DataBits}) + u',' + shortestText(StopBits);
}

bool PortSettings::applyTo(QSerialPort& port) const {
    QSerialPort::Parity parity;
    if (Parity.compare(u"n", Qt::CaseInsensitive) == 0)
        parity = QSerialPort::NoParity;
    else if (Parity.compare(u"e", Qt::CaseInsensitive) == 0)
        parity = QSerialPort::EvenParity;
    else if (Parity.compare(u"o", Qt::CaseInsensitive) == 0)
        parity = QSerialPort::OddParity;
    else if (Parity.compare(u"m", Qt::CaseInsensitive) == 0)
        parity = QSerialPort::MarkParity;
    else if (Parity.compare(u"s", Qt::CaseInsensitive) == 0)
        parity = QSerialPort::SpaceParity;
    else
        return false;

    QSerialPort::StopBits stopBits;
    if (StopBits == 1.0f)
        stopBits = QSerialPort::OneStop;
    else if (StopBits == 1.5f)
        stopBits = QSerialPort::OneAndHalfStop;
    else if (StopBits == 2.0f)
        stopBits = QSerialPort::TwoStop;
    else
        return false;

    if (Baud <= 0 || DataBits < 5 || DataBits > 8)
        return false;

    return port.setBaudRate(Baud) &&
           port.setDataBits(static_cast<QSerialPort::DataBits>(DataBits)) &&
           port.setParity(parity) && port.setStopBits(stopBits) &&
           port.setFlowControl(QSerialPort::NoFlowControl);
}

QString comPortDevicePath(const Settings& settings, int commPort) {
    if (commPort >= 1 && commPort <= static_cast<int>(settings.ComPortDevices.size())) {
        const QString& mapped = settings.ComPortDevices[static_cast<std::size_t>(commPort - 1)];
        if (!mapped.isEmpty()) {
            const QFileInfo link(mapped);
            const QString target = link.isSymLink() ? link.canonicalFilePath() : QString();
            return target.isEmpty() ? mapped : target;
        }
    }
    return QStringLiteral("/dev/ttyS%1").arg(commPort - 1);
}
