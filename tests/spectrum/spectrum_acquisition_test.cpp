// The spectrum sweep against the emulated radio over a pseudo-terminal: the bytes
// of a point, a whole sweep reading the emulator's carrier, recovery from a silent
// radio and from garbled answers, the sweep time text, the meter, view mode,
// playback without a recording reader, and ending a sweep with Stop.

#include "core/number_text.h"
#include "recording/recorder.h"
#include "link/link_status_display.h"
#include "spectrum/spectrum_analyzer.h"
#include "spectrum/spectrum_data.h"
#include "spectrum/spectrum_markers.h"
#include "support/cpu_time.h"
#include "support/suite_fixture.h"

#include <QElapsedTimer>
#include <algorithm>

namespace {

QByteArray pointBytes(int i) {
    QByteArray out;
    out.append(static_cast<char>(0xB1));
    out.append(static_cast<char>(i));
    out.append('\0');
    out.append(static_cast<char>(0x21));
    out.append(static_cast<char>(0x02));
    return out;
}

bool anyTextStartsWith(const RecordingSurface& surface, const QString& prefix) {
    const auto texts = surface.texts();
    return std::any_of(texts.begin(), texts.end(),
                       [&](const QString& t) { return t.startsWith(prefix); });
}

} // namespace

class SpectrumAcquisitionTest : public SuiteOnEmulator {
protected:
    // The spectrum analyzer of a suite on a fresh emulated radio, playing "Real-Time"
    // with the spectrum test selected.
    void startRadio(const QStringList& emulatorArgs = {}, int points = 50) {
        startLink(Transport::Pty, emulatorArgs);
        ASSERT_FALSE(HasFatalFailure());
        Settings& settings = suite->settings;
        settings.MeterTest = 1;
        settings.NumberOfPoints = static_cast<std::int16_t>(points);
        suite->spectrumData.resize(points);
        suite->recorder.TransportMode = Recorder::Playing;
        suite->flags.SpectrumStopped = false;
        suite->spectrum.ResetSpectrum();
    }

    // The radio in configuration mode and the record of sent bytes emptied.
    void enterConfig() {
        suite->modes.ChangeRadioState(ModeProtocol::Config, false);
        ASSERT_EQ(suite->modes.RadioState, ModeProtocol::Config);
        runEventsFor(20);
        emulator.takeReceived();
    }

    SweepPoint& point(int i) { return suite->spectrumData.SweepPoints[static_cast<size_t>(i)]; }

    int measuredPoints() {
        const auto& points = suite->spectrumData.SweepPoints;
        return static_cast<int>(std::count_if(points.begin(), points.end(),
                                              [](const SweepPoint& p) { return p.TraceY != 0; }));
    }

    QString failureText() const {
        return LinkStatusDisplay::communicationFailureText(suite->settings);
    }
};

TEST_F(SpectrumAcquisitionTest, APointSelectsItThenAsksForTheLevel) {
    startRadio();
    ASSERT_FALSE(HasFatalFailure());
    enterConfig();
    ASSERT_FALSE(HasFatalFailure());

    suite->spectrum.AcquirePoint(7);

    EXPECT_EQ(emulator.takeReceived(), pointBytes(7));
    EXPECT_NE(point(7).TraceY, 0);
    EXPECT_EQ(point(6).TraceY, 0);
    // The answer has been taken off the receive buffer.
    EXPECT_TRUE(suite->link.ReceiveBuffer.isEmpty());
}

TEST_F(SpectrumAcquisitionTest, ASweepReadsTheCarrierWhereItIs) {
    startRadio({QStringLiteral("--carrier"), QStringLiteral("20,-60"),
                QStringLiteral("--noise-floor"), QStringLiteral("-100")},
               40);
    ASSERT_FALSE(HasFatalFailure());
    enterConfig();
    ASSERT_FALSE(HasFatalFailure());

    suite->spectrum.SweepSpectrum(1);

    EXPECT_TRUE(suite->flags.SpectrumStopped); // the limit of one sweep was reached
    QByteArray expected;
    for (int i = 0; i < 40; ++i)
        expected += pointBytes(i);
    EXPECT_EQ(emulator.takeReceived(), expected);

    const auto& points = suite->spectrumData.SweepPoints;
    const auto strongest = std::max_element(
        points.begin(), points.end(),
        [](const SweepPoint& a, const SweepPoint& b) { return a.TraceLevel < b.TraceLevel; });
    EXPECT_EQ(strongest - points.begin(), 20);
    EXPECT_GE(point(20).TraceLevel, -62.0);
    EXPECT_LE(point(20).TraceLevel, -58.0);
    for (int i : {0, 5, 10, 16, 24, 30, 39}) {
        EXPECT_LE(point(i).TraceLevel, -88.0) << "point " << i;
        EXPECT_GE(point(i).TraceLevel, -104.0) << "point " << i;
    }
    EXPECT_EQ(measuredPoints(), 40);
}

TEST_F(SpectrumAcquisitionTest, SweepTimeIsShownAfterTwoSweepsOnly) {
    startRadio({}, 10);
    ASSERT_FALSE(HasFatalFailure());

    suite->spectrum.SweepSpectrum(1);
    EXPECT_TRUE(suite->spectrumData.SweepTimeText.isEmpty());
    EXPECT_NE(suite->spectrumData.SweepTime, 0);

    suite->flags.SpectrumStopped = false;
    suite->spectrum.SweepSpectrum(1);
    const QString text = suite->spectrumData.SweepTimeText;
    ASSERT_TRUE(text.startsWith(QStringLiteral("Sweep Time (mS): "))) << text.toStdString();
    const auto ms = parseInteger(text.mid(17), 0, 60000);
    ASSERT_TRUE(ms.has_value()) << text.toStdString();
    EXPECT_EQ(*ms, suite->spectrumData.SweepTime - suite->spectrumData.PreviousSweepTime);
    EXPECT_EQ(suite->spectrumData.PreviousSweepTimeText, text); // as printed, for erasing
}

TEST_F(SpectrumAcquisitionTest, TheMeterShowsTheSweepFigures) {
    startRadio({}, 10);
    ASSERT_FALSE(HasFatalFailure());
    suite->spectrum.SweepSpectrum(1);

    const SpectrumMeterFigures figures = suite->spectrum.sweepFigures();
    const auto texts = surfaces.meter.texts();
    const auto has = [&](const QString& t) {
        return std::find(texts.begin(), texts.end(), t) != texts.end();
    };
    EXPECT_TRUE(has(QStringLiteral("Peak Avg: ") + formatOneDecimal(figures.peakMean) +
                    QStringLiteral(" dBm")));
    EXPECT_TRUE(has(QStringLiteral("Trailing Avg: ") + formatOneDecimal(figures.averageMean) +
                    QStringLiteral(" dBm")));
    EXPECT_TRUE(has(QStringLiteral("Percentage Good: ") + formatPercent(figures.fraction)));
    // The default spectrum is noise at -100 dB with carriers at points 12 and 33:
    // everything measured in ten points is good.
    EXPECT_DOUBLE_EQ(figures.fraction, 1.0);
    EXPECT_LT(figures.peakMean, -90.0);
}

TEST_F(SpectrumAcquisitionTest, ASilentRadioShowsTheFailureAndIsReadOnceItAnswers) {
    startRadio();
    ASSERT_FALSE(HasFatalFailure());
    enterConfig();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(emulator.command(QStringLiteral("silent 1")), QStringLiteral("ok"));
    bool failureShownWhileSilent = false;
    QTimer::singleShot(2500, &scope, [&] {
        // Shown after each failed attempt, erased before the next one.
        failureShownWhileSilent = anyTextStartsWith(surfaces.spectrum, failureText());
        emulator.command(QStringLiteral("silent 0"));
    });
    stopAfter(20000); // a safety net only

    QElapsedTimer clock;
    clock.start();
    suite->spectrum.AcquirePoint(3);

    EXPECT_FALSE(suite->flags.StopRequested);
    EXPECT_TRUE(failureShownWhileSilent);
    EXPECT_NE(point(3).TraceY, 0);
    EXPECT_LE(point(3).TraceLevel, -95.0);
    EXPECT_GE(clock.elapsed(), 2500);
    // Answered at last: the failure text is erased.
    EXPECT_TRUE(suite->linkStatus.SpectrumMessage.isEmpty());
    // The recovery took the radio back through AT command mode into configuration.
    const QByteArray sent = emulator.takeReceived();
    EXPECT_TRUE(sent.contains(QByteArrayLiteral("AT+++\r")));
    EXPECT_TRUE(sent.endsWith(pointBytes(3)));
}

TEST_F(SpectrumAcquisitionTest, AGarbledLevelAnswerNeverBecomesAReading) {
    startRadio();
    ASSERT_FALSE(HasFatalFailure());
    enterConfig();
    ASSERT_FALSE(HasFatalFailure());
    // Junk before every reply: the echo of the selection is still found, but the
    // level answer no longer starts with 0x21.
    ASSERT_EQ(emulator.command(QStringLiteral("garbage 3")), QStringLiteral("ok"));
    bool unreadWhileGarbled = false;
    QTimer::singleShot(1500, &scope, [&] {
        unreadWhileGarbled = point(45).TraceY == 0 && point(45).PeakLevel == 0.0;
        emulator.command(QStringLiteral("garbage 0"));
    });
    stopAfter(20000);

    suite->spectrum.AcquirePoint(45);

    EXPECT_FALSE(suite->flags.StopRequested);
    EXPECT_TRUE(unreadWhileGarbled);
    EXPECT_TRUE(anyTextStartsWith(surfaces.spectrum, failureText()));
    // Far from the default carriers: the noise floor of -100 dB, never the -104 dB
    // that a junk byte taken as the reading's high byte would give.
    EXPECT_GE(point(45).TraceLevel, -102.0);
    EXPECT_LE(point(45).TraceLevel, -98.0);
    const QByteArray sent = emulator.takeReceived();
    EXPECT_GE(sent.count(QByteArrayLiteral("\x21\x02")), 2);
    // The selection was made once; only the level request was repeated.
    EXPECT_EQ(sent.count(QByteArrayLiteral("\xB1\x2D")), 1);
}

TEST_F(SpectrumAcquisitionTest, StopEndsTheSweepAtTheNextCheck) {
    startRadio({QStringLiteral("--baud"), QStringLiteral("57600")});
    ASSERT_FALSE(HasFatalFailure());
    enterConfig();
    ASSERT_FALSE(HasFatalFailure());
    stopAfter(50); // about half a sweep at 57600 baud

    QElapsedTimer clock;
    clock.start();
    suite->spectrum.SweepSpectrum(0);
    const qint64 elapsed = clock.elapsed();

    EXPECT_TRUE(suite->flags.StopRequested);
    EXPECT_LT(elapsed, 500);
    const int measured = measuredPoints();
    EXPECT_GT(measured, 0);
    EXPECT_LT(measured, 50);
    EXPECT_EQ(suite->spectrumData.SweepTime, 0); // no sweep was completed
    // Nothing more is sent once the sweep has returned.
    runEventsFor(50);
    emulator.takeReceived();
    runEventsFor(50);
    EXPECT_TRUE(emulator.takeReceived().isEmpty());
}

TEST_F(SpectrumAcquisitionTest, SpectrumStoppedEndsTheSweepAtTheNextCheck) {
    startRadio({QStringLiteral("--baud"), QStringLiteral("57600")});
    ASSERT_FALSE(HasFatalFailure());
    enterConfig();
    ASSERT_FALSE(HasFatalFailure());
    QTimer::singleShot(250, &scope, [this] { suite->flags.SpectrumStopped = true; });

    QElapsedTimer clock;
    clock.start();
    suite->spectrum.SweepSpectrum(0);

    EXPECT_LT(clock.elapsed(), 700);
    EXPECT_FALSE(suite->flags.StopRequested);
    EXPECT_NE(suite->spectrumData.SweepTime, 0); // two sweeps of ~104 ms were completed
    // The exchange in progress was finished, nothing more was started: whole points
    // of 5 bytes, possibly followed by the selection of the point that was stopped.
    const QByteArray sent = emulator.takeReceived();
    EXPECT_TRUE(sent.size() % 5 == 0 || sent.size() % 5 == 3) << sent.size();
}

TEST_F(SpectrumAcquisitionTest, ViewModeRepaintsWithoutTouchingTheRadioOrSpinning) {
    startRadio({}, 10);
    ASSERT_FALSE(HasFatalFailure());
    enterConfig();
    ASSERT_FALSE(HasFatalFailure());
    suite->spectrumMarkers.ViewMode = true;

    QElapsedTimer clock;
    clock.start();
    const double cpuBefore = cpuSeconds();
    suite->spectrum.SweepSpectrum(5);
    const double cpu = cpuSeconds() - cpuBefore;

    EXPECT_TRUE(emulator.takeReceived().isEmpty());
    EXPECT_EQ(measuredPoints(), 0);
    EXPECT_GE(clock.elapsed(), 4 * SpectrumAnalyzer::kViewRepaintIntervalMs - 20);
    EXPECT_LT(cpu, 0.5 * static_cast<double>(clock.elapsed()) / 1000.0);
}
