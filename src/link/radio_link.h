#pragma once

#include "link/port_settings.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QTcpSocket>
#include <QTimer>

struct Settings;
struct StopFlags;
class EventWait;
class MessageBoxes;

// The byte pipe to the attached radio: a serial port, or a TCP connection to a
// serial device server. Everything above talks to the radio by putting a message
// into SendBuffer, calling SendToRadio and watching ReceiveBuffer grow while the
// event loop runs. Bytes pass unchanged in both directions (0x00 and 0x80..0xFF
// included); nothing is parsed here.
class RadioLink : public QObject {
    Q_OBJECT
public:
    RadioLink(Settings& settings, StopFlags& flags, const EventWait& wait, MessageBoxes& messages,
              QObject* parent = nullptr);
    ~RadioLink() override;

    // Which transport is used comes from Settings::ConnectionType (0 serial, 1 TCP).
    PortSettings portSettings; // filled before every serial open
    bool PortIsOpen = false;   // true while the link is usable
    QByteArray SendBuffer;     // the next message to send
    QByteArray ReceiveBuffer;  // received and not yet consumed
    bool ConnectTimedOut = false;

    // When not empty, the serial open uses this device whatever COM number is
    // selected (the bundled emulator's pseudo-terminal, without touching the
    // user's stored port).
    QString DeviceOverride;

    // Fills portSettings from the settings (start-up and the connection dialog).
    void FillPortSettings();

    // The program has a single link; `port` is always 0 and only kept for the
    // callers' sake. Only one transport is open at a time: opening one closes the
    // other first, so a serial port left behind cannot hold RTS up or fail under a
    // working TCP link, and a socket left behind cannot hold a device server's only
    // client slot.
    bool OpenPort(int port);
    bool OpenSerialPort(int port);
    bool OpenTcpLink(int port);
    // 0: sent, or the serial port could be reopened (the message is then lost and
    // the waiting caller runs into its time-out). 1: the link is unusable; every
    // running tool has been told to stop, and the user has been told why once for
    // this loss of the link (the next loss, after the link was open again, is told
    // again).
    int SendToRadio(int port);

    // RTS is raised each time the main window is activated. A pseudo-terminal or
    // an adapter without the line refuses; that is harmless.
    void RaiseRts();
    // Shut-down: no handshaking, RTS low, port closed.
    void CloseAtShutdown();

    // The device path the next serial open uses.
    QString serialDevicePath() const;
    // Where the link goes, for messages: the serial device, or host:port.
    QString endpointText() const;

signals:
    // The link went away under the suite (adapter unplugged, peer gone).
    void linkLost();

private:
    // The transport chosen by the last open attempt. Bytes and errors of the other
    // one (should any still come) are not the link's.
    enum class Transport { None, Serial, Tcp };

    void closeSerial();
    void closeTcp();
    int reportLinkDown(const char* message);
    void onSerialReadyRead();
    void onSerialError(QSerialPort::SerialPortError error);
    void onTcpReadyRead();
    void onTcpDisconnected();

    Settings& settings_;
    StopFlags& flags_;
    const EventWait& wait_;
    MessageBoxes& messages_;

    QSerialPort serial_;
    QTcpSocket tcp_;
    QTimer connectTimer_; // the 2000 ms TCP connect timer
    bool tcpAttemptFailed_ = false;
    Transport inUse_ = Transport::None;
    // The user has been told that the link is down; cleared when it opens again.
    bool lossReported_ = false;
};
