// A link that goes away under the suite: the user is told once per loss, however
// many exchanges (retries, the Stop action, the closing sequence) find it down, and
// none of them waits for an answer that cannot come.

#include "app/acquisition_control.h"
#include "support/suite_fixture.h"

#include <QDir>

using namespace Qt::StringLiterals;

const QString kPortNotOpen = u"Port not open.  Check the PC Settings page."_s;
const QString kTcpNotOpen =
    u"Unable to open port.  Check to see that no other programs are using the port."_s;

class LinkLoss : public SuiteOnEmulator {
protected:
    // Raised by a one-shot timer of the command timer's length, started before a step
    // that must not wait for the radio: had any exchange of the step waited for its
    // time-out, the event loop of that wait would have run this timer first.
    std::shared_ptr<bool> watchCommandPeriod() {
        auto over = std::make_shared<bool>(false);
        QTimer::singleShot(1000, Qt::PreciseTimer, &scope, [over] { *over = true; });
        return over;
    }
    // The messages shown so far, readable in a failure report.
    std::string shown() const { return messages.shown.join(u" | "_s).toStdString(); }
    static std::string times(const QString& message, int count) {
        return QStringList(count, message).join(u" | "_s).toStdString();
    }
    // Stop, pressed again and again while the link is down, toward `mode`: each ends
    // at once, none waits for the radio.
    void pressStopThrice(std::int32_t mode) {
        const auto over = watchCommandPeriod();
        for (int press = 0; press < 3; ++press) {
            suite->flags.StopRequested = false;
            suite->modes.ChangeRadioState(mode, false);
            EXPECT_TRUE(suite->flags.StopRequested);
        }
        EXPECT_FALSE(*over);
    }
};

// The adapter is pulled during a live hop bin run; then the program is closed. The
// run ends with one message; the closing sequence (option bit and own address
// written back) neither repeats it nor waits for the radio.
TEST_F(LinkLoss, PulledAdapterDuringARunIsReportedOnceAndTheCloseDoesNotWait) {
    startLink(Transport::Pty, {u"--report-rate"_s, u"500"_s});
    suite->modes.ReadLocalRadioAddress(); // as choosing a radio in the network window does
    ASSERT_EQ(suite->modes.LocalRadioAddress.size(), 3);
    suite->settings.MeterTest = 0;
    FakeTransportView view;
    AcquisitionControl acquisition(*suite, view);

    QTimer::singleShot(800, &scope, [this] { emulator.kill(); });
    bool stoppedByTest = false; // a safety net: the lost link should have ended the run
    QTimer::singleShot(15000, &scope, [&] { stoppedByTest = suite->flags.StopRequested = true; });
    acquisition.Play(); // Play with "Real-Time": the run ends when the link is lost
    ASSERT_FALSE(stoppedByTest);
    EXPECT_GT(suite->hopBinData.TotalReports, 10.0f);
    EXPECT_TRUE(suite->modes.RestoreOptionBit); // the close has the option bit to restore
    EXPECT_EQ(shown(), times(kPortNotOpen, 1));

    const auto over = watchCommandPeriod();
    acquisition.CloseFirstStage();
    EXPECT_FALSE(*over);
    EXPECT_EQ(shown(), times(kPortNotOpen, 1));
}

// Stop retries the way back to normal mode; a link known to be down ends that at
// once and is not reported again. A loss after the link was open again is a new one.
TEST_F(LinkLoss, EachLossOfTheSerialLinkIsReportedOnce) {
    const QString symlink =
        QDir::tempPath() + u"/veltrane-loss-radio-%1"_s.arg(QCoreApplication::applicationPid());
    startLink(Transport::Pty, {u"--link"_s, symlink});
    RadioLink& link = suite->link;
    ModeProtocol& modes = suite->modes;
    link.DeviceOverride = symlink; // the stable name survives a new pseudo-terminal
    ASSERT_TRUE(link.OpenPort(0));
    modes.ChangeRadioState(ModeProtocol::BinReport, false);
    ASSERT_EQ(modes.RadioState, ModeProtocol::BinReport);

    ASSERT_EQ(emulator.command(u"drop 1500"_s), u"ok"_s);
    ASSERT_TRUE(runEventsUntil([&] { return !link.PortIsOpen; }));
    pressStopThrice(ModeProtocol::Normal);
    EXPECT_EQ(shown(), times(kPortNotOpen, 1));
    EXPECT_EQ(modes.RadioState, ModeProtocol::BinReport); // nothing was answered

    // The radio comes back under the same name, as the acquisition loop finds.
    ASSERT_TRUE(runEventsUntil([&] { return link.OpenPort(0); }, 10000));
    suite->flags.StopRequested = false;
    modes.ChangeRadioState(ModeProtocol::Normal, false);
    EXPECT_EQ(modes.RadioState, ModeProtocol::Normal);
    EXPECT_EQ(shown(), times(kPortNotOpen, 1));

    ASSERT_EQ(emulator.command(u"drop 0"_s), u"ok"_s);
    ASSERT_TRUE(runEventsUntil([&] { return !link.PortIsOpen; }));
    modes.ChangeRadioState(ModeProtocol::AtCommand, false);
    modes.ChangeRadioState(ModeProtocol::AtCommand, false);
    EXPECT_EQ(shown(), times(kPortNotOpen, 2));
}

TEST_F(LinkLoss, EachLossOfTheTcpLinkIsReportedOnce) {
    startLink(Transport::Tcp);
    ASSERT_EQ(emulator.command(u"drop 0"_s), u"ok"_s);
    ASSERT_TRUE(runEventsUntil([&] { return !suite->link.PortIsOpen; }));
    pressStopThrice(ModeProtocol::AtCommand);
    EXPECT_EQ(shown(), times(kTcpNotOpen, 1));
}
