// The spectrum analyzer's figures: detector reading to volts to dB to screen
// position, the level answer, and what a sample leaves in the traces (max hold,
// peak hold, running average) and in the figures the meter shows.

#include "app/suite.h"
#include "spectrum/point_answer.h"
#include "support/fakes.h"

#include <gtest/gtest.h>

using Analyzer = SpectrumAnalyzer;

TEST(SpectrumConversions, AnswerToReadingToVoltsToLevelToPositionInTablesOfAtLeastTwoPoints) {
    EXPECT_DOUBLE_EQ(Analyzer::RawToVolts(1023), 3.3);
    // dB = volts x -44 - 51, clamped at 1.2 V, halves to even; a level at or above
    // the plot's top ("Amplitude") - 1 is moved 2 dB further down.
    const std::tuple<double, float, int> levels[] = {
        {0.0, -40, -51},   {3.3, -40, -104},  {1.2, -40, -104},     {0.5, -40, -73},
        {0.125, -40, -56}, {0.375, -40, -68}, {4.0 / 44, -40, -55}, {4.0 / 44, -60, -62},
        {0.0, -50, -52},   {0.0, -49, -51},   {0.0, -50.5f, -52},   {0.0, -51.5f, -54}};
    for (const auto& [volts, top, level] : levels)
        EXPECT_EQ(Analyzer::VoltsToLevel(volts, top), level) << volts << " " << top;
    // 70 dB between the margins (500, 500), measured from the top on either side.
    const std::tuple<int, double, int> ys[] = {{-40, 8000, 500},   {-73, 8000, 3800},
                                               {-110, 8000, 7500}, {-38, 8000, 700},
                                               {-41, 1035, 500},   {-43, 1035, 502}};
    for (const auto& [level, height, y] : ys)
        EXPECT_EQ(Analyzer::LevelToY(level, -40.0f, 500, 500, height), y) << level;
    // Only a whole answer leading with 0x21 is a little-endian reading.
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"2102ff03", 1023},          {"21993412", 0x1234}, {"21020000", 0},
        {"21021000cc21", 16},        {"", std::nullopt},   {"210210", std::nullopt},
        {"0021021000", std::nullopt}};
    for (const auto& [hex, reading] : cases)
        EXPECT_EQ(decodeLevelAnswer(QByteArray::fromHex(hex)), reading) << hex;
    // Both tables keep at least two points.
    SpectrumData data;
    data.resize(1);
    EXPECT_EQ(std::pair(data.PreviousSweepPoints.size(), data.pointCount()), std::pair(2ul, 2));
}

// The traces of samples on a suite whose spectrum window records 9000 x 6000 twips:
// y = 500 + (-40 - level) x 5000 / 70, so -55 is 1571, -60 1929, -65 2286, -70 2643
// and -80 3357.
class SpectrumTraces : public ::testing::Test {
protected:
    void SetUp() override { suite.spectrumData.resize(4); } // margins 500, top -40 dB
    SweepPoint& point(int i) { return suite.spectrumData.SweepPoints[static_cast<size_t>(i)]; }
    // Samples at whole levels at point i; returns its traces: real-time y, end y and
    // level, then those of the peak and of the average.
    std::vector<double> samples(int i, std::initializer_list<int> levels) {
        for (int level : levels)
            suite.spectrum.applySample(i, (level + 51) / -44.0);
        const SweepPoint& p = point(i);
        return {double(p.TraceY),   double(p.TraceEndY),   p.TraceLevel,
                double(p.PeakY),    double(p.PeakEndY),    p.PeakLevel,
                double(p.AverageY), double(p.AverageEndY), p.AverageLevel};
    }

    ScriptedMessages messages;
    RecordedStatus status;
    TestSurfaces surfaces;
    Suite suite{messages, status, surfaces};
};

TEST_F(SpectrumTraces, RealTimeFollowsPeakHoldsAndTheAverageMovesByThreeTenths) {
    // 2643 + 0.3 x (3357 - 2643) = 2857.2
    EXPECT_EQ(samples(0, {-70, -80}),
              (std::vector<double>{3357, 3357, -80, 2643, 2643, -70, 2857, 2857, -73}));
    const SweepPoint& previous = suite.spectrumData.PreviousSweepPoints[0];
    EXPECT_EQ(std::tuple(previous.TraceY, previous.TraceEndY), std::tuple(2643, 2643));
    EXPECT_EQ(samples(1, {-70, -65, -90}).at(5), -65);
    // Max hold keeps the strongest real-time sample.
    suite.spectrumMarkers.MaxHold = true;
    EXPECT_EQ(samples(2, {-60, -80})[0], 1929);
    const std::vector<double> held = samples(2, {-55});
    EXPECT_EQ(std::vector<double>(held.begin(), held.begin() + 6),
              (std::vector<double>{1571, 1571, -55, 1571, 1571, -55}));
}

TEST_F(SpectrumTraces, HiddenTracesKeepTheirLevelsWithoutPositions) {
    suite.settings.PeakCheck = suite.settings.AverageCheck = 0;
    EXPECT_EQ(samples(0, {-70, -90}), (std::vector<double>{4071, 4071, -90, 0, 0, -90, 0, 0, -76}));
    suite.settings.PeakCheck = 1;
    EXPECT_EQ(samples(0, {-66, -90}).at(5), -66);
    // Without a window the levels are still kept.
    surfaces.spectrumOpen = false;
    suite.spectrumMarkers.MaxHold = true;
    EXPECT_EQ(samples(1, {-60, -80}).at(2), -60);
    EXPECT_NE(point(1).TraceY, 0);
}

TEST_F(SpectrumTraces,
       ResetClearsPositionsAndAveragesButKeepsLevelsAndTheFiguresCountUnmeasuredPoints) {
    samples(1, {-70, -72});
    suite.spectrumData.SweepTimeText = QStringLiteral("Sweep Time (mS): 10");
    suite.spectrumMarkers.FrequencyReadout = suite.spectrumMarkers.AmplitudeReadout = "x";
    suite.spectrum.ResetSpectrum();
    for (const SweepPoint& p : {point(1), suite.spectrumData.PreviousSweepPoints[1]})
        EXPECT_EQ(std::tuple(p.TraceY, p.PeakY, p.AverageY, p.AverageLevel),
                  std::tuple(0, 0, 0, 0.0));
    EXPECT_EQ(suite.spectrumData.SweepTimeText + suite.spectrumMarkers.FrequencyReadout +
                  suite.spectrumMarkers.AmplitudeReadout,
              QString());
    // The levels stay; the next sample overwrites the held peak level (the window's
    // legend now leaves a plot 4500 high).
    EXPECT_EQ(std::tuple(point(1).TraceLevel, point(1).PeakLevel), std::tuple(-72.0, -70.0));
    EXPECT_EQ(samples(1, {-90}),
              (std::vector<double>{3714, 3714, -90, 3714, 3714, -90, 3714, 3714, -90}));
    // "Bad Stop Light 10" is -75: at or below it a point is good; of the 50 points the
    // reset made, only point 3 is bad.
    point(1).PeakLevel = -80, point(2).PeakLevel = -75, point(3).PeakLevel = -60;
    point(1).AverageLevel = -82, point(3).AverageLevel = -61;
    const SpectrumMeterFigures figures = suite.spectrum.sweepFigures();
    EXPECT_EQ(std::tuple(figures.fraction, figures.peakMean, figures.averageMean),
              std::tuple(double(49 / 50.0f), double(-215.0f / 3.0f), -71.5));
}
