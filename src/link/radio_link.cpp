#include "link/radio_link.h"

#include "core/event_wait.h"
#include "core/settings.h"
#include "core/stop_flags.h"
#include "ui/message_boxes.h"

namespace {
constexpr int kTcpConnectTimeoutMs = 2000;
const char* const kSerialSendFailed = "Port not open.  Check the PC Settings page.";
const char* const kTcpSendFailed =
    "Unable to open port.  Check to see that no other programs are using the port.";
} // namespace

RadioLink::RadioLink(Settings& settings, StopFlags& flags, const EventWait& wait,
                     MessageBoxes& messages, QObject* parent)
    : QObject(parent), settings_(settings), flags_(flags), wait_(wait), messages_(messages) {
    connect(&serial_, &QSerialPort::readyRead, this, &RadioLink::onSerialReadyRead);
    connect(&serial_, &QSerialPort::errorOccurred, this, &RadioLink::onSerialError);
    connect(&tcp_, &QTcpSocket::readyRead, this, &RadioLink::onTcpReadyRead);
    connect(&tcp_, &QTcpSocket::disconnected, this, &RadioLink::onTcpDisconnected);
    connect(&tcp_, &QTcpSocket::errorOccurred, this, [this] {
        tcpAttemptFailed_ = true;
        if (tcp_.state() != QAbstractSocket::ConnectedState && inUse_ == Transport::Tcp)
            PortIsOpen = false;
    });
    connectTimer_.setSingleShot(true);
    connectTimer_.setInterval(kTcpConnectTimeoutMs);
    connect(&connectTimer_, &QTimer::timeout, this, [this] { ConnectTimedOut = true; });
}

RadioLink::~RadioLink() {
    if (serial_.isOpen())
        serial_.close();
    tcp_.abort();
}

void RadioLink::FillPortSettings() {
    portSettings = PortSettings::fromSettings(settings_);
}

bool RadioLink::OpenPort(int port) {
    switch (settings_.ConnectionType) {
    case 0:
        return OpenSerialPort(port);
    case 1:
        return OpenTcpLink(port);
    default:
        return false;
    }
}

QString RadioLink::serialDevicePath() const {
    if (!DeviceOverride.isEmpty())
        return DeviceOverride;
    return comPortDevicePath(settings_, portSettings.CommPort);
}

QString RadioLink::endpointText() const {
    if (settings_.ConnectionType == 1)
        return settings_.TcpAddress + u':' + QString::number(settings_.TcpPort);
    return serialDevicePath();
}

void RadioLink::closeSerial() {
    if (serial_.isOpen())
        serial_.close();
}

void RadioLink::closeTcp() {
    tcp_.abort();
}

bool RadioLink::OpenSerialPort(int /*port*/) {
    PortIsOpen = false;
    inUse_ = Transport::Serial;
    closeTcp();
    closeSerial();
    serial_.setPortName(serialDevicePath());
    // Settings made before the open are applied by the open itself. A device that
    // is missing, locked by another program or not a serial port makes it fail.
    if (portSettings.applyTo(serial_) && serial_.open(QIODevice::ReadWrite)) {
        serial_.clear(); // nothing stale from before this open
    }
    PortIsOpen = serial_.isOpen();
    if (PortIsOpen)
        lossReported_ = false;
    return PortIsOpen;
}

bool RadioLink::OpenTcpLink(int /*port*/) {
    // The old connection (or the serial port) goes first: while the new one is
    // being made, nothing is usable.
    PortIsOpen = false;
    inUse_ = Transport::Tcp;
    closeSerial();
    closeTcp();
    tcpAttemptFailed_ = false;
    ConnectTimedOut = false;
    tcp_.connectToHost(settings_.TcpAddress, static_cast<quint16>(settings_.TcpPort));
    connectTimer_.start();
    // A refused or unreachable peer ends the wait at once rather than after the
    // whole connect period.
    wait_.until([this] {
        return tcp_.state() == QAbstractSocket::ConnectedState || ConnectTimedOut ||
               tcpAttemptFailed_;
    });
    connectTimer_.stop();
    const bool connected = tcp_.state() == QAbstractSocket::ConnectedState;
    if (!connected)
        tcp_.abort();
    PortIsOpen = connected;
    if (connected)
        lossReported_ = false;
    return connected;
}

int RadioLink::SendToRadio(int port) {
    if (SendBuffer.isEmpty())
        return 0;

    if (settings_.ConnectionType == 1) {
        if (tcp_.state() == QAbstractSocket::ConnectedState &&
            tcp_.write(SendBuffer) == SendBuffer.size()) {
            tcp_.flush();
            return 0;
        }
        if (tcp_.state() == QAbstractSocket::UnconnectedState) {
            PortIsOpen = false;
            return reportLinkDown(kTcpSendFailed);
        }
        return 0;
    }

    if (serial_.isOpen() && serial_.write(SendBuffer) == SendBuffer.size()) {
        serial_.flush(); // hand the bytes to the driver now, not at the next event turn
        return 0;
    }
    // The port failed under us: try once to reopen it. The message is not resent.
    if (OpenSerialPort(port))
        return 0;
    return reportLinkDown(kSerialSendFailed);
}

// Every send while the link is down fails and stops the tools again, but the user
// hears about one loss once: the callers' retries and the shut-down's own exchanges
// would otherwise each bring up the same box.
int RadioLink::reportLinkDown(const char* message) {
    flags_.stopAllTools();
    if (!lossReported_) {
        lossReported_ = true; // first: the box runs an event loop of its own
        messages_.showMessage(QString::fromLatin1(message));
    }
    return 1;
}

void RadioLink::RaiseRts() {
    if (serial_.isOpen())
        serial_.setRequestToSend(true);
}

void RadioLink::CloseAtShutdown() {
    if (!serial_.isOpen())
        return;
    serial_.setFlowControl(QSerialPort::NoFlowControl);
    serial_.setRequestToSend(false);
    serial_.close();
    PortIsOpen = false;
}

void RadioLink::onSerialReadyRead() {
    const QByteArray bytes = serial_.readAll();
    if (inUse_ == Transport::Serial)
        ReceiveBuffer.append(bytes);
}

void RadioLink::onSerialError(QSerialPort::SerialPortError error) {
    switch (error) {
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
        // The device is gone (adapter unplugged, peer closed). The port would
        // report this again and again until closed: close it on the first report.
        if (serial_.isOpen()) {
            serial_.close();
            if (inUse_ == Transport::Serial) {
                PortIsOpen = false;
                emit linkLost();
            }
        }
        break;
    default:
        // Refused modem-line requests on a pseudo-terminal, open failures (reported
        // by the open's result) and the rest need nothing here.
        break;
    }
}

void RadioLink::onTcpReadyRead() {
    const QByteArray bytes = tcp_.readAll();
    if (inUse_ == Transport::Tcp)
        ReceiveBuffer.append(bytes);
}

void RadioLink::onTcpDisconnected() {
    if (inUse_ == Transport::Tcp && PortIsOpen) {
        PortIsOpen = false;
        emit linkLost();
    }
}
