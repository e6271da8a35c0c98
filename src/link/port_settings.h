#pragma once

#include <QString>
#include <cstdint>

struct Settings;
class QSerialPort;

// The serial line settings handed to the port, filled from the settings right
// before every serial open.
struct PortSettings {
    std::int32_t Baud = 57600;
    float StopBits = 1.0f;
    std::int16_t DataBits = 8;
    QString Parity = QStringLiteral("n");
    std::int16_t CommPort = 1; // COM number: the "Port" setting + 1

    // Baud from the rate text, CommPort from "Port" + 1, 8 data bits, 1 stop bit and
    // the parity letter ("n" also when the stored "Parity" gives none).
    static PortSettings fromSettings(const Settings& settings);

    // "57600,n,8,1": baud, parity letter, data bits, stop bits.
    QString settingsString() const;

    // Applies the line settings (no handshaking) to a port; false when one of them
    // is not a valid serial setting (a parity letter other than n/e/o/m/s, an
    // unusable baud rate or data/stop bit count).
    bool applyTo(QSerialPort& port) const;
};

// The device behind a COM number: the path stored for it in section "COM Ports",
// otherwise /dev/ttyS<n-1>. A stored link (an adapter's /dev/serial/by-id name) is
// followed to the device it names now, so that the port is locked under the same
// name by whoever opens it; a link whose adapter is unplugged stays as it is.
QString comPortDevicePath(const Settings& settings, int commPort);
