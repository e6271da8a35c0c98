// The spectrum analyzer's pure parts: detector reading to volts to dB to screen
// position, the decoding of the level answer, the point tables, and the traces a
// sample produces (max hold, peak hold, running average) and the sweep figures.

#include "app/suite.h"
#include "spectrum/point_answer.h"
#include "spectrum/spectrum_analyzer.h"
#include "spectrum/spectrum_data.h"
#include "support/fakes.h"

#include <gtest/gtest.h>
#include <memory>

using Analyzer = SpectrumAnalyzer;

namespace {
QByteArray raw(std::initializer_list<unsigned char> values) {
    QByteArray out;
    for (unsigned char v : values)
        out.append(static_cast<char>(v));
    return out;
}
} // namespace

TEST(SpectrumConversions, ReadingZeroIsZeroVoltsAndMinus51Db) {
    EXPECT_DOUBLE_EQ(Analyzer::RawToVolts(0), 0.0);
    EXPECT_EQ(Analyzer::VoltsToLevel(Analyzer::RawToVolts(0), -40.0f), -51);
}

TEST(SpectrumConversions, FullScaleIsClampedTo1Point2VoltsAndMinus104Db) {
    EXPECT_DOUBLE_EQ(Analyzer::RawToVolts(1023), 3.3);
    // 1.2 V x -44 - 51 = -103.8, rounded to -104.
    EXPECT_EQ(Analyzer::VoltsToLevel(Analyzer::RawToVolts(1023), -40.0f), -104);
    EXPECT_EQ(Analyzer::VoltsToLevel(1.2, -40.0f), -104);
    EXPECT_EQ(Analyzer::VoltsToLevel(2.0, -40.0f), -104);
}

TEST(SpectrumConversions, HalfAVoltIsExactlyMinus73Db) {
    EXPECT_EQ(Analyzer::VoltsToLevel(0.5, -40.0f), -73);
}

TEST(SpectrumConversions, LevelsRoundHalvesToEven) {
    // 0.125 V: -5.5 - 51 = -56.5 -> -56; 0.375 V: -16.5 - 51 = -67.5 -> -68.
    EXPECT_EQ(Analyzer::VoltsToLevel(0.125, -40.0f), -56);
    EXPECT_EQ(Analyzer::VoltsToLevel(0.375, -40.0f), -68);
}

TEST(SpectrumConversions, LevelsAtTheTopOfThePlotAreDrawnJustBelowIt) {
    // -55 dB with the plot's top at -60: stored and drawn as -62.
    const double voltsFor55 = 4.0 / 44.0;
    EXPECT_EQ(Analyzer::VoltsToLevel(voltsFor55, -40.0f), -55);
    EXPECT_EQ(Analyzer::VoltsToLevel(voltsFor55, -60.0f), -62);
    // Exactly "Amplitude" - 1 is also moved down; lower levels are not.
    EXPECT_EQ(Analyzer::VoltsToLevel(0.0, -50.0f), -52); // -51 >= -51
    EXPECT_EQ(Analyzer::VoltsToLevel(0.0, -49.0f), -51); // -51 < -50
    EXPECT_EQ(Analyzer::VoltsToLevel(0.0, -50.5f), -52); // -52.5 -> -52 (even)
    EXPECT_EQ(Analyzer::VoltsToLevel(0.0, -51.5f), -54); // -53.5 -> -54 (even)
}

TEST(SpectrumConversions, PlotSpans70DbFromTheTop) {
    // 7000 twips of plot between the margins: 100 twips a dB.
    EXPECT_EQ(Analyzer::LevelToY(-40, -40.0f, 500, 500, 8000), 500);
    EXPECT_EQ(Analyzer::LevelToY(-73, -40.0f, 500, 500, 8000), 500 + 3300);
    EXPECT_EQ(Analyzer::LevelToY(-110, -40.0f, 500, 500, 8000), 7500);
    // The distance from the top counts, whichever side.
    EXPECT_EQ(Analyzer::LevelToY(-38, -40.0f, 500, 500, 8000), 700);
}

TEST(SpectrumConversions, PositionsRoundHalvesToEven) {
    // 35 twips of plot: half a twip a dB.
    EXPECT_EQ(Analyzer::LevelToY(-41, -40.0f, 500, 500, 1035), 500); // 500.5
    EXPECT_EQ(Analyzer::LevelToY(-43, -40.0f, 500, 500, 1035), 502); // 501.5
}

TEST(SpectrumConversions, PointCommands) {
    EXPECT_EQ(Analyzer::selectPointCommand(7), raw({0xB1, 0x07, 0x00}));
    EXPECT_EQ(Analyzer::selectPointCommand(255), raw({0xB1, 0xFF, 0x00}));
    EXPECT_EQ(Analyzer::levelRequestCommand(), raw({0x21, 0x02}));
}

TEST(LevelAnswer, AWholeAnswerGivesTheLittleEndianReading) {
    EXPECT_EQ(decodeLevelAnswer(raw({0x21, 0x02, 0xFF, 0x03})), 1023);
    EXPECT_EQ(decodeLevelAnswer(raw({0x21, 0x99, 0x34, 0x12})), 0x1234);
    EXPECT_EQ(decodeLevelAnswer(raw({0x21, 0x02, 0x00, 0x00})), 0);
    // Bytes after the answer are not looked at.
    EXPECT_EQ(decodeLevelAnswer(raw({0x21, 0x02, 0x10, 0x00, 0xCC, 0x21})), 16);
}

TEST(LevelAnswer, ShortOrGarbledAnswersAreNoReading) {
    EXPECT_EQ(decodeLevelAnswer(QByteArray()), std::nullopt);
    EXPECT_EQ(decodeLevelAnswer(raw({0x21})), std::nullopt);
    EXPECT_EQ(decodeLevelAnswer(raw({0x21, 0x02, 0x10})), std::nullopt);
    EXPECT_EQ(decodeLevelAnswer(raw({0x00, 0x21, 0x02, 0x10, 0x00})), std::nullopt);
    EXPECT_EQ(decodeLevelAnswer(raw({0x5A, 0x5A, 0x5A, 0x21, 0x02, 0x10, 0x00})), std::nullopt);
    EXPECT_EQ(decodeLevelAnswer(raw({0xCC, 'C', 'O', 'M'})), std::nullopt);
}

TEST(SpectrumDataTables, FewerThanTwoPointsAreRaisedToTwo) {
    EXPECT_EQ(SpectrumData::usablePointCount(-3), 2);
    EXPECT_EQ(SpectrumData::usablePointCount(0), 2);
    EXPECT_EQ(SpectrumData::usablePointCount(1), 2);
    EXPECT_EQ(SpectrumData::usablePointCount(2), 2);
    EXPECT_EQ(SpectrumData::usablePointCount(50), 50);
}

TEST(SpectrumDataTables, ResizeKeepsExistingPointsAndZeroesNewOnes) {
    SpectrumData data;
    data.resize(3);
    ASSERT_EQ(data.pointCount(), 3);
    ASSERT_EQ(data.PreviousSweepPoints.size(), 3u);
    data.SweepPoints[1].TraceY = 1234;
    data.resize(5);
    EXPECT_EQ(data.pointCount(), 5);
    EXPECT_EQ(data.PreviousSweepPoints.size(), 5u);
    EXPECT_EQ(data.SweepPoints[1].TraceY, 1234);
    EXPECT_EQ(data.SweepPoints[4].TraceY, 0);
    data.resize(0);
    EXPECT_EQ(data.pointCount(), 2);
}

// The traces a sample produces, on a suite whose spectrum window is a recording
// surface of 9000 x 6000 twips (no radio is needed).
class SpectrumTraces : public ::testing::Test {
protected:
    void SetUp() override {
        suite = std::make_unique<Suite>(messages, status, surfaces);
        suite->settings.SpecAnTop = 500;
        suite->settings.SpecAnBottom = 500;
        suite->settings.Amplitude = -40.0f;
        suite->spectrumData.resize(4);
    }
    SweepPoint& point(int i) { return suite->spectrumData.SweepPoints[static_cast<size_t>(i)]; }
    SweepPoint& previous(int i) {
        return suite->spectrumData.PreviousSweepPoints[static_cast<size_t>(i)];
    }
    // y of a level on that window: 5000 twips for 70 dB.
    static std::int32_t yOf(std::int32_t level) {
        return Analyzer::LevelToY(level, -40.0f, 500, 500, 6000);
    }
    // The voltage of a whole level.
    static double voltsOf(int level) { return (level + 51) / -44.0; }

    ScriptedMessages messages;
    RecordedStatus status;
    TestSurfaces surfaces;
    std::unique_ptr<Suite> suite;
};

TEST_F(SpectrumTraces, FirstSampleSetsEveryTrace) {
    suite->spectrum.applySample(1, 0.5);
    const std::int32_t y = yOf(-73);
    EXPECT_EQ(point(1).TraceY, y);
    EXPECT_EQ(point(1).TraceEndY, y);
    EXPECT_EQ(point(1).TraceLevel, -73.0);
    EXPECT_EQ(point(1).PeakY, y);
    EXPECT_EQ(point(1).PeakEndY, y);
    EXPECT_EQ(point(1).PeakLevel, -73.0);
    EXPECT_EQ(point(1).AverageLevel, -73.0);
    EXPECT_EQ(point(1).AverageY, y);
    EXPECT_EQ(point(1).AverageEndY, y);
    EXPECT_EQ(previous(1).TraceY, 0);
    EXPECT_EQ(point(0).TraceY, 0);
}

TEST_F(SpectrumTraces, WithoutMaxHoldEverySampleReplacesTheRealTimeTrace) {
    suite->spectrum.applySample(0, voltsOf(-60));
    suite->spectrum.applySample(0, voltsOf(-80));
    EXPECT_EQ(point(0).TraceY, yOf(-80));
    EXPECT_EQ(point(0).TraceLevel, -80.0);
    EXPECT_EQ(previous(0).TraceY, yOf(-60));
    EXPECT_EQ(previous(0).TraceEndY, yOf(-60));
}

TEST_F(SpectrumTraces, MaxHoldKeepsTheStrongerSampleButRemembersTheDrawnPosition) {
    suite->spectrumMarkers.MaxHold = true;
    suite->spectrum.applySample(0, voltsOf(-60));
    suite->spectrum.applySample(0, voltsOf(-80)); // weaker: larger y
    EXPECT_EQ(point(0).TraceY, yOf(-60));
    EXPECT_EQ(point(0).TraceEndY, yOf(-60));
    EXPECT_EQ(point(0).TraceLevel, -60.0);
    EXPECT_EQ(previous(0).TraceY, yOf(-60));
    EXPECT_EQ(previous(0).TraceEndY, yOf(-60));

    suite->spectrum.applySample(0, voltsOf(-55)); // stronger
    EXPECT_EQ(point(0).TraceY, yOf(-55));
    EXPECT_EQ(point(0).TraceLevel, -55.0);
}

TEST_F(SpectrumTraces, PeakHoldKeepsTheStrongestSample) {
    suite->spectrum.applySample(2, voltsOf(-70));
    suite->spectrum.applySample(2, voltsOf(-65));
    suite->spectrum.applySample(2, voltsOf(-90));
    EXPECT_EQ(point(2).PeakY, yOf(-65));
    EXPECT_EQ(point(2).PeakEndY, yOf(-65));
    EXPECT_EQ(point(2).PeakLevel, -65.0);
    EXPECT_EQ(point(2).TraceLevel, -90.0);
}

TEST_F(SpectrumTraces, PeakLevelIsHeldWhileThePeakTraceIsHidden) {
    suite->settings.PeakCheck = 0;
    suite->spectrum.applySample(2, voltsOf(-70));
    // No peak position: every sample sets the peak level.
    EXPECT_EQ(point(2).PeakY, 0);
    EXPECT_EQ(point(2).PeakLevel, -70.0);
    suite->spectrum.applySample(2, voltsOf(-90));
    EXPECT_EQ(point(2).PeakLevel, -90.0);

    suite->settings.PeakCheck = 1;
    suite->spectrum.applySample(2, voltsOf(-66));
    suite->spectrum.applySample(2, voltsOf(-90));
    EXPECT_EQ(point(2).PeakY, yOf(-66));
    EXPECT_EQ(point(2).PeakLevel, -66.0);
}

TEST_F(SpectrumTraces, AverageFollowsByThreeTenths) {
    suite->spectrum.applySample(3, voltsOf(-70));
    suite->spectrum.applySample(3, voltsOf(-80));
    EXPECT_DOUBLE_EQ(point(3).AverageLevel, -70.0 + 0.3 * (-80.0 - -70.0));
    // y: 500 + 30 dB x 5000/70 = 2642.857 -> 2643; 40 dB -> 3357.14 -> 3357;
    // 2643 + 0.3 x 714 = 2857.2 -> 2857.
    EXPECT_EQ(yOf(-70), 2643);
    EXPECT_EQ(yOf(-80), 3357);
    EXPECT_EQ(point(3).AverageY, 2857);
    EXPECT_EQ(point(3).AverageEndY, 2857);
}

TEST_F(SpectrumTraces, AveragePositionRoundsHalvesToEven) {
    SweepPoint& p = point(0);
    const std::int32_t y = yOf(-70); // 2643
    p.AverageLevel = -70;
    p.AverageY = y - 5; // 2638 + 0.3 x 5 = 2639.5 -> 2640
    suite->spectrum.applySample(0, voltsOf(-70));
    EXPECT_EQ(p.AverageY, 2640);
    p.AverageY = y - 15; // 2628 + 4.5 = 2632.5 -> 2632
    suite->spectrum.applySample(0, voltsOf(-70));
    EXPECT_EQ(p.AverageY, 2632);
}

TEST_F(SpectrumTraces, HiddenAverageTraceKeepsItsPositionButNotItsLevel) {
    suite->settings.AverageCheck = 0;
    suite->spectrum.applySample(1, voltsOf(-70));
    EXPECT_EQ(point(1).AverageY, 0);
    EXPECT_EQ(point(1).AverageLevel, -70.0);
}

TEST_F(SpectrumTraces, WithoutAWindowLevelsAreKeptAndPositionsStayNonZero) {
    surfaces.spectrumOpen = false;
    suite->spectrumMarkers.MaxHold = true;
    suite->spectrum.applySample(0, voltsOf(-60));
    suite->spectrum.applySample(0, voltsOf(-80));
    EXPECT_NE(point(0).TraceY, 0);
    EXPECT_EQ(point(0).TraceLevel, -60.0);
    EXPECT_EQ(point(0).PeakLevel, -60.0);
}

TEST_F(SpectrumTraces, SweepFiguresCountUnmeasuredPointsAsGood) {
    // "Bad Stop Light 10" is -75: at or below it a point is good.
    point(0).PeakLevel = 0;   // never measured: good, not in the peak mean
    point(1).PeakLevel = -80; // good
    point(2).PeakLevel = -75; // good (equal)
    point(3).PeakLevel = -60; // bad
    point(1).AverageLevel = -82;
    point(3).AverageLevel = -61;
    const SpectrumMeterFigures figures = suite->spectrum.sweepFigures();
    EXPECT_DOUBLE_EQ(figures.fraction, 0.75);
    EXPECT_DOUBLE_EQ(figures.peakMean, static_cast<double>((-80.0f + -75.0f + -60.0f) / 3.0f));
    EXPECT_DOUBLE_EQ(figures.averageMean, -71.5);
}

TEST_F(SpectrumTraces, SweepFiguresWithNothingMeasured) {
    const SpectrumMeterFigures figures = suite->spectrum.sweepFigures();
    EXPECT_DOUBLE_EQ(figures.fraction, 1.0);
    EXPECT_DOUBLE_EQ(figures.peakMean, 0.0);
    EXPECT_DOUBLE_EQ(figures.averageMean, 0.0);
}

TEST_F(SpectrumTraces, ResetClearsPositionsAndAveragesButKeepsLevels) {
    suite->spectrum.applySample(1, voltsOf(-70));
    suite->spectrum.applySample(1, voltsOf(-72));
    suite->spectrumData.SweepTimeText = QStringLiteral("Sweep Time (mS): 10");
    suite->spectrumMarkers.FrequencyReadout = QStringLiteral("x");
    suite->spectrumMarkers.AmplitudeReadout = QStringLiteral("y");
    suite->spectrum.ResetSpectrum();
    for (const auto* table :
         {&suite->spectrumData.SweepPoints, &suite->spectrumData.PreviousSweepPoints}) {
        for (const SweepPoint& p : *table) {
            EXPECT_EQ(p.TraceY, 0);
            EXPECT_EQ(p.PeakY, 0);
            EXPECT_EQ(p.AverageY, 0);
            EXPECT_EQ(p.AverageLevel, 0.0);
        }
    }
    EXPECT_EQ(point(1).TraceLevel, -72.0);
    EXPECT_EQ(point(1).PeakLevel, -70.0);
    EXPECT_TRUE(suite->spectrumData.SweepTimeText.isEmpty());
    EXPECT_TRUE(suite->spectrumMarkers.FrequencyReadout.isEmpty());
    EXPECT_TRUE(suite->spectrumMarkers.AmplitudeReadout.isEmpty());
    // The next sample overwrites the held peak level.
    suite->spectrum.applySample(1, voltsOf(-90));
    EXPECT_EQ(point(1).PeakLevel, -90.0);
}
