// The radio link over a pseudo-terminal and over TCP: bytes pass unchanged both
// ways, devices that cannot be opened fail cleanly, and a radio that goes away is
// noticed and stops every tool with the message of its transport.

#include "link/radio_commands.h"
#include "support/suite_fixture.h"

#include <QDir>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>

using namespace Qt::StringLiterals;

class RadioLinkTest : public SuiteOnEmulator {
protected:
    // Every byte value, sent to the radio and injected by it, arrives unchanged. Then
    // the emulator drops the link: it is noticed once, and the next send fails with
    // `message` and stops every tool.
    void expectEveryByteBothWaysThenLoss(const QString& message) {
        QByteArray all;
        for (int v = 0; v < 256; ++v)
            all.append(static_cast<char>(v));
        RadioLink& link = suite->link;
        link.SendBuffer = all;
        EXPECT_EQ(link.SendToRadio(0), 0);
        QByteArray received;
        runEventsUntil([&] { return (received += emulator.takeReceived()).size() >= 256; });
        EXPECT_EQ(received, all);
        const QString hex = QString::fromLatin1(all.toHex(' ').toUpper());
        ASSERT_EQ(emulator.command(u"inject "_s + hex), u"ok"_s);
        runEventsUntil([&] { return link.ReceiveBuffer.size() >= 256; });
        EXPECT_EQ(link.ReceiveBuffer, all);
        link.SendBuffer.clear(); // nothing to send: nothing sent
        EXPECT_EQ(link.SendToRadio(0), 0);
        EXPECT_TRUE(emulator.takeReceived().isEmpty());

        QSignalSpy lost(&link, &RadioLink::linkLost);
        StopFlags& f = suite->flags;
        f.HopBinStopped = f.SpectrumStopped = f.QueryStopRequested = f.PingTestStopped = false;
        ASSERT_EQ(emulator.command(u"drop 0"_s), u"ok"_s);
        ASSERT_TRUE(runEventsUntil([&] { return !link.PortIsOpen; }));
        EXPECT_EQ(lost.count(), 1);
        link.SendBuffer = radio::enterAtCommand();
        EXPECT_EQ(link.SendToRadio(0), 1);
        EXPECT_EQ(messages.shown, QStringList{message});
        EXPECT_TRUE(f.StopRequested && f.QueryStopRequested && f.PingTestStopped &&
                    f.SpectrumStopped && f.HopBinStopped);
    }
};

TEST_F(RadioLinkTest, SerialLinkPassesEveryByteAndNoticesTheRadioGoing) {
    startLink();
    expectEveryByteBothWaysThenLoss(u"Port not open.  Check the PC Settings page."_s);
}

TEST_F(RadioLinkTest, TcpLinkPassesEveryByteAndNoticesThePeerClosing) {
    startLink(Transport::Tcp);
    expectEveryByteBothWaysThenLoss(
        u"Unable to open port.  Check to see that no other programs are using the port."_s);
}

TEST_F(RadioLinkTest, MissingBusyAndNonSerialDevicesFailCleanly) {
    startLink();
    EXPECT_TRUE(suite->link.OpenSerialPort(0)); // reopening an open port closes it first
    suite->modes.ChangeRadioState(ModeProtocol::AtCommand, false);
    EXPECT_EQ(suite->modes.RadioState, ModeProtocol::AtCommand);
    Suite other(messages, status, surfaces);
    other.settings.applyStartupConversions();
    other.link.FillPortSettings();
    for (const QString& device : {u"/dev/no-such-radio"_s, emulator.devicePath(), u"/dev/null"_s}) {
        other.link.DeviceOverride = device; // the emulator's is already open in `suite`
        EXPECT_FALSE(other.link.OpenPort(0) || other.link.PortIsOpen) << qPrintable(device);
    }
    EXPECT_TRUE(messages.shown.isEmpty()); // the caller decides what to tell the user

    suite->settings.ConnectionType = 2; // no such transport
    EXPECT_FALSE(suite->link.OpenPort(0));
    EXPECT_TRUE(suite->link.PortIsOpen); // the first owner is undisturbed
}

TEST_F(RadioLinkTest, SendAfterTheRadioCameBackReopensAndDropsTheMessage) {
    const QString symlink =
        QDir::tempPath() + u"/veltrane-test-radio-%1"_s.arg(QCoreApplication::applicationPid());
    startLink(Transport::Pty, {u"--link"_s, symlink});
    suite->link.DeviceOverride = symlink; // the stable name survives a new pseudo-terminal
    ASSERT_TRUE(suite->link.OpenSerialPort(0));

    ASSERT_EQ(emulator.command(u"drop 300"_s), u"ok"_s);
    ASSERT_TRUE(runEventsUntil([&] { return !suite->link.PortIsOpen; }));
    runEventsFor(600); // the radio is back under the same name

    suite->link.SendBuffer = radio::enterAtCommand();
    EXPECT_EQ(suite->link.SendToRadio(0), 0);
    EXPECT_TRUE(suite->link.PortIsOpen && messages.shown.isEmpty() && !suite->flags.StopRequested);
    suite->modes.ChangeRadioState(ModeProtocol::AtCommand, false); // the link works again
    EXPECT_EQ(suite->modes.RadioState, ModeProtocol::AtCommand);
}

// A refused connection fails at once; a listener whose accept queue is full drops
// further connection requests, so a connect to it times out, the user interface
// running meanwhile.
TEST_F(RadioLinkTest, RefusedFailsAtOnceAndAPeerThatNeverAcceptsTimesOut) {
    suite = std::make_unique<Suite>(messages, status, surfaces);
    suite->settings.ConnectionType = 1;
    QTcpServer probe; // find a port nobody listens on
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    suite->settings.TcpPort = probe.serverPort();
    probe.close();
    EXPECT_FALSE(suite->link.OpenPort(0) || suite->link.ConnectTimedOut || suite->link.PortIsOpen);

    QTcpServer listener; // accepts nobody, and its queue of one is taken
    listener.setListenBacklogSize(0);
    ASSERT_TRUE(listener.listen(QHostAddress::LocalHost));
    listener.pauseAccepting();
    QTcpSocket fillers[3];
    for (QTcpSocket& s : fillers)
        s.connectToHost(QHostAddress::LocalHost, listener.serverPort());
    runEventsFor(100);

    suite->settings.TcpPort = listener.serverPort();
    int ticks = 0;
    QTimer ui;
    QObject::connect(&ui, &QTimer::timeout, [&ticks] { ++ticks; });
    ui.start(100);
    EXPECT_TRUE(!suite->link.OpenTcpLink(0) && suite->link.ConnectTimedOut);
    EXPECT_GT(ticks, 0); // the event loop ran while it waited
}
