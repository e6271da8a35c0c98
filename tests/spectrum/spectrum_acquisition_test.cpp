// The spectrum sweep against the emulated radio over a pseudo-terminal: the bytes
// of a sweep reading the emulator's carrier, recovery from a silent radio and from
// garbled answers, the sweep time text and the meter.

#include "core/number_text.h"
#include "support/suite_fixture.h"

class SpectrumAcquisitionTest : public SuiteOnEmulator {
protected:
    // A suite on a fresh emulated radio in configuration mode, playing "Real-Time"
    // with the spectrum test selected, and the record of sent bytes emptied.
    void startRadio(const QStringList& emulatorArgs = {}) {
        startLink(Transport::Pty, emulatorArgs);
        ASSERT_FALSE(HasFatalFailure());
        suite->settings.MeterTest = 1, suite->recorder.TransportMode = Recorder::Playing;
        suite->flags.SpectrumStopped = false;
        suite->spectrum.ResetSpectrum();
        suite->modes.ChangeRadioState(ModeProtocol::Config, false);
        ASSERT_EQ(suite->modes.RadioState, ModeProtocol::Config);
        runEventsFor(20);
        emulator.takeReceived();
    }
    // Select point i (echoed by the radio), then ask for its level.
    static QByteArray pointBytes(int i) {
        return QByteArray::fromHex("b1") + char(i) + QByteArray::fromHex("002102");
    }
    SweepPoint& point(int i) { return suite->spectrumData.SweepPoints[static_cast<size_t>(i)]; }
};

// The sweep time and the meter's figures follow from the second sweep on.
TEST_F(SpectrumAcquisitionTest, ASweepReadsTheCarrierWhereItIsAndTheNextShowsItsTime) {
    startRadio({"--carrier", "20,-60", "--noise-floor", "-100"});
    ASSERT_FALSE(HasFatalFailure());
    suite->spectrum.SweepSpectrum(1);

    QByteArray expected;
    for (int i = 0; i < 50; ++i)
        expected += pointBytes(i);
    EXPECT_EQ(emulator.takeReceived(), expected);
    // The limit of one sweep was reached, every answer taken off.
    EXPECT_TRUE(suite->flags.SpectrumStopped && suite->link.ReceiveBuffer.isEmpty());
    // The strongest point is the carrier's; away from its skirts only the noise.
    EXPECT_NEAR(point(20).TraceLevel, -60.0, 2.0);
    EXPECT_NEAR(point(5).TraceLevel + point(35).TraceLevel, -192.0, 16.0);
    EXPECT_TRUE(suite->spectrumData.SweepTimeText.isEmpty() && suite->spectrumData.SweepTime != 0);

    suite->flags.SpectrumStopped = false;
    suite->spectrum.SweepSpectrum(1);
    const QString text = suite->spectrumData.SweepTimeText;
    ASSERT_TRUE(text.startsWith(QStringLiteral("Sweep Time (mS): "))) << text.toStdString();
    EXPECT_EQ(parseInteger(text.mid(17), 0, 60000),
              suite->spectrumData.SweepTime - suite->spectrumData.PreviousSweepTime);
    EXPECT_EQ(suite->spectrumData.PreviousSweepTimeText, text); // as printed, for erasing
    // The meter shows the sweep's figures.
    const double trailing = suite->spectrum.sweepFigures().averageMean;
    EXPECT_TRUE(surfaces.meter.findText("Trailing Avg: " + formatOneDecimal(trailing) + " dBm"));
}

// A radio that stops answering, then one that puts junk before every reply (the
// echo of the selection is still found, but the level answer no longer starts with
// 0x21): the point stays unread with the failure shown, and is read once it answers.
TEST_F(SpectrumAcquisitionTest, ASilentRadioShowsTheFailureAndIsReadOnceItAnswers) {
    startRadio();
    ASSERT_FALSE(HasFatalFailure());
    stopAfter(40000); // a safety net only
    for (const auto& [fault, index, wellAfter] :
         {std::tuple("silent 1", 3, 2500), {"garbage 3", 45, 1500}}) {
        SCOPED_TRACE(fault);
        surfaces.spectrum.reset();
        ASSERT_EQ(emulator.command(QString::fromLatin1(fault)), QStringLiteral("ok"));
        bool unreadWhileFaulty = false;
        QTimer::singleShot(wellAfter, &scope, [&, fault = fault, index = index] {
            // Shown after each failed attempt, erased before the next one.
            unreadWhileFaulty = surfaces.spectrum.findText(
                                    LinkStatusDisplay::communicationFailureText(suite->settings)) &&
                                point(index).TraceY == 0 && point(index).PeakLevel == 0.0;
            emulator.command(QString::fromLatin1(fault).chopped(1) + u'0');
        });
        suite->spectrum.AcquirePoint(index);

        EXPECT_TRUE(unreadWhileFaulty && !suite->flags.StopRequested);
        // Answered at last: the failure text is erased. The noise floor of -100 dB,
        // never the -104 dB of a junk byte taken as the reading's high byte.
        EXPECT_TRUE(suite->linkStatus.SpectrumMessage.isEmpty());
        EXPECT_NEAR(point(index).TraceLevel, -100.0, 2.0);
        const QByteArray sent = emulator.takeReceived();
        if (index == 3) // the recovery took the radio back through AT command mode
            EXPECT_TRUE(sent.contains(QByteArrayLiteral("AT+++\r")) &&
                        sent.endsWith(pointBytes(3)));
        else // the selection was made once; only the level request was repeated
            EXPECT_EQ(std::tuple(sent.count("\xB1\x2D"), sent.count("\x21\x02") >= 2),
                      std::tuple(1, true));
    }
}
