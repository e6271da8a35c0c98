// The per-bin statistics of the hop bin analyzer: level conversion, clamping, peaks,
// missed readings and missed bins, trailing averages and the run totals.

#include "hopbin/hop_bin_data.h"

#include <gtest/gtest.h>

namespace {

constexpr float kAmplitude = -40.0f; // the "Amplitude" setting's default

HopBinData freshData() {
    HopBinData data;
    data.ResetHopBins(kAmplitude);
    return data;
}

// A report as the radio sends it: the bin and the two RSSI bytes.
bool applyBytes(HopBinData& data, int bin, std::uint8_t remote, std::uint8_t pc, int retries = 1) {
    return data.ApplyReport(bin, RssiByteToDbm(remote), RssiByteToDbm(pc), kAmplitude, retries);
}

const BinStats& remoteOf(const HopBinData& data, int bin) {
    return data.HopBins[static_cast<std::size_t>(bin)][kRemoteSide];
}
const BinStats& pcOf(const HopBinData& data, int bin) {
    return data.HopBins[static_cast<std::size_t>(bin)][kPcSide];
}

} // namespace

TEST(RssiByte, LargerBytesAreWeakerSignals) {
    EXPECT_EQ(RssiByteToDbm(255), -104.78f);
    EXPECT_EQ(RssiByteToDbm(0), -48.68f);
    EXPECT_EQ(RssiByteToDbm(128), -76.84f);
    EXPECT_LT(RssiByteToDbm(200), RssiByteToDbm(100));
}

TEST(HopBinReport, MissedRemoteAndStrongPcReading) {
    HopBinData data = freshData();
    ASSERT_TRUE(applyBytes(data, 5, 0xFF, 0x00)); // CC 05 FF 00

    EXPECT_EQ(remoteOf(data, 5).Current, -104.78f);
    EXPECT_EQ(remoteOf(data, 5).Misses, 1);
    EXPECT_EQ(pcOf(data, 5).Current, -48.68f);
    EXPECT_EQ(pcOf(data, 5).Misses, 0);
    EXPECT_EQ(data.MissedBins, 1.0f); // "Retries" 1: one missed remote reading is a missed bin
    EXPECT_EQ(data.TotalReports, 1.0f);
    EXPECT_EQ(remoteOf(data, 5).Reports, 1.0f);
    EXPECT_EQ(pcOf(data, 5).Reports, 1.0f);
    EXPECT_EQ(data.CurrentBin, 5);
    EXPECT_EQ(data.HighestBin, 5);
}

TEST(HopBinReport, MissedMeansBelowMinus104) {
    HopBinData data = freshData();
    data.ApplyReport(1, -104.0f, -104.0001f, kAmplitude, 1);
    EXPECT_EQ(remoteOf(data, 1).Misses, 0);
    EXPECT_EQ(pcOf(data, 1).Misses, 1);
    // A missed PC-side reading alone is not a missed bin.
    EXPECT_EQ(data.MissedBins, 0.0f);
}

TEST(HopBinReport, LevelsAreClampedToTheChart) {
    HopBinData data = freshData();
    data.ApplyReport(2, -30.0f, -120.0f, kAmplitude, 1);
    EXPECT_EQ(remoteOf(data, 2).Current, kAmplitude);
    EXPECT_EQ(remoteOf(data, 2).Peak, kAmplitude);
    EXPECT_EQ(pcOf(data, 2).Current, -105.0f);
    EXPECT_EQ(pcOf(data, 2).Minimum, -105.0f);
    EXPECT_EQ(pcOf(data, 2).Misses, 1);

    // With a lower "Amplitude" the top of the chart moves down with it.
    data.ApplyReport(2, -50.0f, -50.0f, -60.0f, 1);
    EXPECT_EQ(remoteOf(data, 2).Current, -60.0f);
}

TEST(HopBinReport, PeakAndMinimumFollowTheReadings) {
    HopBinData data = freshData();
    EXPECT_EQ(remoteOf(data, 3).Minimum, kAmplitude); // starts at the top of the chart
    EXPECT_EQ(remoteOf(data, 3).Peak, -105.0f);       // and at the bottom

    for (float level : {-70.0f, -60.0f, -90.0f, -75.0f})
        data.ApplyReport(3, level, level, kAmplitude, 1);
    EXPECT_EQ(remoteOf(data, 3).Peak, -60.0f);
    EXPECT_EQ(remoteOf(data, 3).Minimum, -90.0f);
    EXPECT_EQ(remoteOf(data, 3).Current, -75.0f);
    EXPECT_EQ(remoteOf(data, 3).Reports, 4.0f);
}

TEST(HopBinReport, TrailingAverageMovesThreeTenthsOfTheWay) {
    HopBinData data = freshData();
    data.ApplyReport(7, -60.0f, -60.0f, kAmplitude, 1);
    EXPECT_FLOAT_EQ(remoteOf(data, 7).TrailingAverage, -91.5f);
    data.ApplyReport(7, -60.0f, -60.0f, kAmplitude, 1);
    EXPECT_FLOAT_EQ(remoteOf(data, 7).TrailingAverage, -82.05f);
    EXPECT_FLOAT_EQ(pcOf(data, 7).TrailingAverage, -82.05f);
    // Other bins keep their reset average.
    EXPECT_EQ(remoteOf(data, 6).TrailingAverage, -105.0f);
}

TEST(MissedBins, ARunOfRetriesMissedReportsCountsOnce) {
    HopBinData data = freshData();
    for (int i = 0; i < 3; ++i)
        applyBytes(data, 10 + i, 0xFF, 0xFF, 3);
    EXPECT_EQ(data.MissedBins, 1.0f);
    EXPECT_EQ(data.ConsecutiveMisses, 0);

    for (int i = 0; i < 2; ++i)
        applyBytes(data, 20 + i, 0xFF, 0xFF, 3);
    EXPECT_EQ(data.MissedBins, 1.0f); // two more: not yet a run
    EXPECT_EQ(data.ConsecutiveMisses, 2);
}

TEST(MissedBins, AGoodReadingAtEitherEndStartsTheRunAgain) {
    HopBinData data = freshData();
    applyBytes(data, 1, 0xFF, 0xFF, 3);
    applyBytes(data, 2, 0xFF, 0x80, 3); // remote missed, but the PC side heard the remote
    EXPECT_EQ(data.ConsecutiveMisses, 0);
    applyBytes(data, 3, 0xFF, 0xFF, 3);
    // A PC-side reading of exactly -104 dBm counts as heard as well.
    data.ApplyReport(4, -104.5f, -104.0f, kAmplitude, 3);
    EXPECT_EQ(data.ConsecutiveMisses, 0);
    applyBytes(data, 5, 0xFF, 0xFF, 3);
    applyBytes(data, 6, 0xFF, 0xFF, 3);
    applyBytes(data, 7, 0x80, 0xFF, 3); // remote heard
    EXPECT_EQ(data.ConsecutiveMisses, 0);
    EXPECT_EQ(data.MissedBins, 0.0f);

    for (int i = 0; i < 3; ++i)
        applyBytes(data, 8 + i, 0xFF, 0xFF, 3);
    EXPECT_EQ(data.MissedBins, 1.0f);
}

TEST(HopBinTotals, HighestBinAndWhereThePatternStarted) {
    HopBinData data = freshData();
    const std::int16_t cycleStartBefore = data.CycleStartBin;
    applyBytes(data, 0, 0x80, 0x80);
    EXPECT_EQ(data.HighestBin, 0);
    EXPECT_EQ(data.CycleStartBin, cycleStartBefore); // bin 0 never marks the start

    applyBytes(data, 17, 0x80, 0x80);
    applyBytes(data, 4, 0x80, 0x80);
    applyBytes(data, 49, 0x80, 0x80);
    applyBytes(data, 12, 0x80, 0x80);
    EXPECT_EQ(data.HighestBin, 49);
    EXPECT_EQ(data.CycleStartBin, 17);
    EXPECT_EQ(data.CurrentBin, 12);
    EXPECT_EQ(data.TotalReports, 5.0f);

    // A reset starts the statistics again but keeps the hop pattern's position.
    data.ResetHopBins(kAmplitude);
    EXPECT_EQ(data.HighestBin, 0);
    EXPECT_EQ(data.TotalReports, 0.0f);
    EXPECT_EQ(data.MissedBins, 0.0f);
    EXPECT_EQ(data.CycleStartBin, 17);
    EXPECT_EQ(data.CurrentBin, 12);
    EXPECT_EQ(remoteOf(data, 17), freshData().HopBins[17][kRemoteSide]);
}

TEST(HopBinTotals, BinsOutsideTheTableChangeNothing) {
    HopBinData data = freshData();
    applyBytes(data, 3, 0xFF, 0xFF, 2); // one miss of a run of two
    const HopBinData before = data;
    for (int bin : {50, 255, -1, -32768}) {
        EXPECT_FALSE(applyBytes(data, bin, 0xFF, 0xFF, 2)) << bin;
        EXPECT_EQ(data, before) << bin;
    }
}

TEST(HopBinTotals, AverageRssiAndPercentageGood) {
    HopBinData data = freshData();
    EXPECT_EQ(data.PercentageGood(), 0.0);
    EXPECT_EQ(data.AverageRssi(), -105.0); // bin 0, both sides at the reset value

    data.ApplyReport(1, -60.0f, -70.0f, kAmplitude, 1); // averages -91.5 and -94.5
    for (int i = 0; i < 3; ++i)
        applyBytes(data, 0, 0xFF, 0xFF);
    // 4 reports, 3 missed bins.
    EXPECT_DOUBLE_EQ(data.PercentageGood(), 0.25);
    // Bin 0 settles towards -104.78 from -105: (-91.5 - 94.5 + 2 x bin 0) / 4.
    const double bin0 = remoteOf(data, 0).TrailingAverage;
    EXPECT_NEAR(data.AverageRssi(), (-91.5 - 94.5 + 2 * bin0) / 4, 1e-4);
}
