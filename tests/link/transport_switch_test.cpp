// Changing the link between the serial port and TCP, as the connection dialog does:
// the transport left behind is closed, so it neither holds its device (the serial
// port's lock, a device server's only client slot) nor reaches into the link that
// is in use.

#include "link/radio_commands.h"
#include "support/suite_fixture.h"

#include <QSignalSpy>
#include <QTcpSocket>

using namespace Qt::StringLiterals;

// `emulator` is the radio on the serial port; `tcpRadio` a second one behind a
// device server.
class TransportSwitch : public SuiteOnEmulator {
protected:
    // Both radios running, the link moved from the serial port to TCP.
    void SetUp() override {
        startLink();
        ASSERT_TRUE(tcpRadio.startTcp());
        suite->settings.ConnectionType = 1;
        suite->settings.TcpAddress = u"127.0.0.1"_s;
        suite->settings.TcpPort = tcpRadio.tcpPort();
        ASSERT_TRUE(suite->link.OpenPort(0));
    }

    EmulatorProcess tcpRadio;
};

TEST_F(TransportSwitch, FromSerialToTcpTheSerialPortIsClosedAndItsFailureIsNotTheLinks) {
    RadioLink& link = suite->link;
    QSignalSpy lost(&link, &RadioLink::linkLost);

    {
        // The serial device is free: another program can open it.
        Suite other(messages, status, surfaces);
        other.settings.applyStartupConversions();
        other.link.FillPortSettings();
        other.link.DeviceOverride = emulator.devicePath();
        EXPECT_TRUE(other.link.OpenPort(0));
    }

    // The serial radio is unplugged: that is not the TCP link's business.
    emulator.kill();
    runEventsFor(200);
    EXPECT_TRUE(link.PortIsOpen);
    EXPECT_EQ(lost.count(), 0);
    suite->modes.ChangeRadioState(ModeProtocol::AtCommand, false);
    EXPECT_EQ(suite->modes.RadioState, ModeProtocol::AtCommand);
    EXPECT_TRUE(tcpRadio.command(u"state"_s).contains(u"mode=1"_s));
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(TransportSwitch, FromTcpBackToSerialTheConnectionIsClosed) {
    QSignalSpy lost(&suite->link, &RadioLink::linkLost);

    suite->settings.ConnectionType = 0;
    ASSERT_TRUE(suite->link.OpenPort(0));
    EXPECT_EQ(lost.count(), 0); // closing the connection on purpose is not a loss

    // The device server serves one client: it takes another one now, and its radio
    // answers it.
    QTcpSocket probe;
    probe.connectToHost(u"127.0.0.1"_s, tcpRadio.tcpPort());
    ASSERT_TRUE(runEventsUntil([&] { return probe.state() == QAbstractSocket::ConnectedState; }));
    probe.write(radio::enterAtCommand());
    QByteArray answer;
    runEventsUntil([&] { return (answer += probe.readAll()).contains(radio::enterAtAnswer()); });
    EXPECT_TRUE(answer.contains(radio::enterAtAnswer()));

    // The serial link works.
    suite->modes.ChangeRadioState(ModeProtocol::AtCommand, false);
    EXPECT_EQ(suite->modes.RadioState, ModeProtocol::AtCommand);
    EXPECT_TRUE(emulator.command(u"state"_s).contains(u"mode=1"_s));
}
