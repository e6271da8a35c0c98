#include "link/radio_commands.h"
#include "support/suite_fixture.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryFile>

namespace {

QByteArray everyByteValue() {
    QByteArray all;
    for (int v = 0; v < 256; ++v)
        all.append(static_cast<char>(v));
    return all;
}

QString hexText(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

} // namespace

using SerialLink = SuiteOnEmulator;

TEST_F(SerialLink, EveryByteValuePassesUnchangedBothWays) {
    startLink();
    RadioLink& link = suite->link;
    EXPECT_TRUE(link.PortIsOpen);

    link.SendBuffer = everyByteValue();
    EXPECT_EQ(link.SendToRadio(0), 0);
    QByteArray received;
    runEventsUntil([&] {
        received += emulator.takeReceived();
        return received.size() >= 256;
    });
    EXPECT_EQ(received, everyByteValue());

    ASSERT_EQ(emulator.command(QStringLiteral("inject ") + hexText(everyByteValue())),
              QStringLiteral("ok"));
    runEventsUntil([&] { return link.ReceiveBuffer.size() >= 256; });
    EXPECT_EQ(link.ReceiveBuffer, everyByteValue());
}

TEST_F(SerialLink, ReopeningAnOpenPortClosesAndReopensIt) {
    startLink();
    EXPECT_TRUE(suite->link.OpenSerialPort(0));
    EXPECT_TRUE(suite->link.PortIsOpen);
    suite->modes.ChangeRadioState(ModeProtocol::AtCommand, false);
    EXPECT_EQ(suite->modes.RadioState, ModeProtocol::AtCommand);
}

TEST_F(SerialLink, MissingBusyAndNonSerialDevicesFailCleanly) {
    startLink();
    Suite other(messages, status, surfaces);
    other.settings.applyStartupConversions();
    other.link.FillPortSettings();

    other.link.DeviceOverride = QStringLiteral("/dev/no-such-radio");
    EXPECT_FALSE(other.link.OpenPort(0));
    EXPECT_FALSE(other.link.PortIsOpen);

    other.link.DeviceOverride = emulator.devicePath(); // already opened by `suite`
    EXPECT_FALSE(other.link.OpenPort(0));

    other.link.DeviceOverride = QStringLiteral("/dev/null");
    EXPECT_FALSE(other.link.OpenPort(0));

    QTemporaryFile plainFile;
    ASSERT_TRUE(plainFile.open());
    other.link.DeviceOverride = plainFile.fileName();
    EXPECT_FALSE(other.link.OpenPort(0));
    EXPECT_FALSE(other.link.PortIsOpen);
    EXPECT_TRUE(messages.shown.isEmpty()); // the caller decides what to tell the user

    EXPECT_TRUE(suite->link.PortIsOpen); // the first owner is undisturbed
}

TEST_F(SerialLink, UnknownConnectionTypeOpensNothing) {
    startLink();
    suite->settings.ConnectionType = 2;
    EXPECT_FALSE(suite->link.OpenPort(0));
    EXPECT_TRUE(suite->link.PortIsOpen); // the serial port was not touched
}

TEST_F(SerialLink, UnpluggedRadioIsNoticedAndTheNextSendStopsEveryTool) {
    startLink();
    RadioLink& link = suite->link;
    QSignalSpy lost(&link, &RadioLink::linkLost);
    suite->flags.HopBinStopped = false;
    suite->flags.SpectrumStopped = false;
    suite->flags.QueryStopRequested = false;
    suite->flags.PingTestStopped = false;

    emulator.kill();
    ASSERT_TRUE(runEventsUntil([&] { return !link.PortIsOpen; }));
    EXPECT_EQ(lost.count(), 1);

    link.SendBuffer = radio::enterAtCommand();
    EXPECT_EQ(link.SendToRadio(0), 1);
    EXPECT_EQ(messages.shown,
              QStringList{QStringLiteral("Port not open.  Check the PC Settings page.")});
    const StopFlags& f = suite->flags;
    EXPECT_TRUE(f.StopRequested && f.QueryStopRequested && f.PingTestStopped && f.SpectrumStopped &&
                f.HopBinStopped);
}

TEST_F(SerialLink, SendAfterTheRadioCameBackReopensAndDropsTheMessage) {
    const QString symlink =
        QDir::tempPath() +
        QStringLiteral("/veltrane-test-radio-%1").arg(QCoreApplication::applicationPid());
    startLink(Transport::Pty, {QStringLiteral("--link"), symlink});
    suite->link.DeviceOverride = symlink; // the stable name survives a new pseudo-terminal
    ASSERT_TRUE(suite->link.OpenSerialPort(0));

    ASSERT_EQ(emulator.command(QStringLiteral("drop 300")), QStringLiteral("ok"));
    ASSERT_TRUE(runEventsUntil([&] { return !suite->link.PortIsOpen; }));
    runEventsFor(600); // the radio is back under the same name

    suite->link.SendBuffer = radio::enterAtCommand();
    EXPECT_EQ(suite->link.SendToRadio(0), 0);
    EXPECT_TRUE(suite->link.PortIsOpen);
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_FALSE(suite->flags.StopRequested);

    // The link works again for the next exchange.
    suite->modes.ChangeRadioState(ModeProtocol::AtCommand, false);
    EXPECT_EQ(suite->modes.RadioState, ModeProtocol::AtCommand);
}

TEST_F(SerialLink, EmptySendBufferSendsNothing) {
    startLink();
    suite->link.SendBuffer.clear();
    EXPECT_EQ(suite->link.SendToRadio(0), 0);
    runEventsFor(50);
    EXPECT_TRUE(emulator.takeReceived().isEmpty());
}
