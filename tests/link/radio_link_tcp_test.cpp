#include "link/radio_commands.h"
#include "support/suite_fixture.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using TcpLink = SuiteOnEmulator;

TEST_F(TcpLink, ReceivedBytesReachTheReceiveBufferAsOnTheSerialLink) {
    startLink(Transport::Tcp);
    RadioLink& link = suite->link;
    EXPECT_TRUE(link.PortIsOpen);

    link.SendBuffer = radio::bytes({0x00, 0x80, 0xFF, 0xCC});
    EXPECT_EQ(link.SendToRadio(0), 0);
    QByteArray received;
    runEventsUntil([&] {
        received += emulator.takeReceived();
        return received.size() >= 4;
    });
    EXPECT_EQ(received, radio::bytes({0x00, 0x80, 0xFF, 0xCC}));

    ASSERT_EQ(emulator.command(QStringLiteral("inject 00 CC FF 80")), QStringLiteral("ok"));
    runEventsUntil([&] { return link.ReceiveBuffer.size() >= 4; });
    EXPECT_EQ(link.ReceiveBuffer, radio::bytes({0x00, 0xCC, 0xFF, 0x80}));
}

TEST_F(TcpLink, ModeChangesWorkOverTcp) {
    startLink(Transport::Tcp);
    suite->modes.ChangeRadioState(ModeProtocol::Acquisition, false);
    EXPECT_EQ(suite->modes.RadioState, ModeProtocol::Acquisition);
    suite->modes.ChangeRadioState(ModeProtocol::Normal, false);
    EXPECT_EQ(suite->modes.RadioState, ModeProtocol::Normal);
    EXPECT_TRUE(emulator.command(QStringLiteral("state")).contains(QStringLiteral("mode=0")));
}

TEST_F(TcpLink, PeerClosingIsNoticedAndTheNextSendStopsEveryTool) {
    startLink(Transport::Tcp);
    QSignalSpy lost(&suite->link, &RadioLink::linkLost);
    ASSERT_EQ(emulator.command(QStringLiteral("drop 0")), QStringLiteral("ok"));
    ASSERT_TRUE(runEventsUntil([&] { return !suite->link.PortIsOpen; }));
    EXPECT_EQ(lost.count(), 1);

    suite->flags.HopBinStopped = false;
    suite->link.SendBuffer = radio::enterAtCommand();
    EXPECT_EQ(suite->link.SendToRadio(0), 1);
    EXPECT_EQ(
        messages.shown,
        QStringList{QStringLiteral(
            "Unable to open port.  Check to see that no other programs are using the port.")});
    EXPECT_TRUE(suite->flags.StopRequested);
    EXPECT_TRUE(suite->flags.HopBinStopped);
}

TEST_F(TcpLink, RefusedConnectionFailsWithoutWaitingForTheTimer) {
    suite = std::make_unique<Suite>(messages, status, surfaces);
    QTcpServer probe; // find a port nobody listens on
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const quint16 closedPort = probe.serverPort();
    probe.close();

    suite->settings.ConnectionType = 1;
    suite->settings.TcpPort = closedPort;
    EXPECT_FALSE(suite->link.OpenPort(0));
    EXPECT_FALSE(suite->link.ConnectTimedOut);
    EXPECT_FALSE(suite->link.PortIsOpen);
}

// A listener whose accept queue is full drops further connection requests, so a
// connect to it never completes.
TEST_F(TcpLink, PeerThatNeverAcceptsTimesOutWhileTheUserInterfaceRuns) {
    suite = std::make_unique<Suite>(messages, status, surfaces);
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    std::vector<int> fillers;
    for (int i = 0; i < 3; ++i) {
        const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
        fillers.push_back(s);
    }
    runEventsFor(100);

    suite->settings.ConnectionType = 1;
    suite->settings.TcpPort = ntohs(address.sin_port);
    int ticks = 0;
    QTimer ui;
    QObject::connect(&ui, &QTimer::timeout, [&ticks] { ++ticks; });
    ui.start(100);
    EXPECT_FALSE(suite->link.OpenTcpLink(0));
    EXPECT_TRUE(suite->link.ConnectTimedOut);
    EXPECT_GE(ticks, 15); // about 2000 ms of a live event loop

    for (int s : fillers)
        ::close(s);
    ::close(listener);
}
