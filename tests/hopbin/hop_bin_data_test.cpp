// The per-bin statistics of the hop bin analyzer, in exact figures: level conversion,
// clamping, peaks, missed readings and missed bins, trailing averages, run totals.

#include "hopbin/hop_bin_data.h"

#include <gtest/gtest.h>

namespace {

constexpr float kAmplitude = -40.0f; // the "Amplitude" setting's default

class HopBinDataTest : public ::testing::Test {
protected:
    HopBinDataTest() { data.ResetHopBins(kAmplitude); }
    // A report as the radio sends it: the bin and the two RSSI bytes.
    bool report(int bin, std::uint8_t remote, std::uint8_t pc, int retries = 1) {
        return data.ApplyReport(bin, RssiByteToDbm(remote), RssiByteToDbm(pc), kAmplitude, retries);
    }
    const BinStats& remote(int bin) const { return data.HopBins[std::size_t(bin)][kRemoteSide]; }
    const BinStats& pc(int bin) const { return data.HopBins[std::size_t(bin)][kPcSide]; }

    HopBinData data;
};

} // namespace

TEST_F(HopBinDataTest, AMissedRemoteAndAStrongPcReading) {
    EXPECT_EQ(RssiByteToDbm(128), -76.84f);
    ASSERT_TRUE(report(5, 0xFF, 0x00)); // CC 05 FF 00
    for (float level : {remote(5).Current, remote(5).Peak, remote(5).Minimum})
        EXPECT_EQ(level, -104.78f);
    EXPECT_EQ(remote(5).Misses, 1);
    EXPECT_EQ(remote(5).Reports, 1.0f);
    EXPECT_EQ(pc(5).Current, -48.68f);
    EXPECT_EQ(pc(5).Misses, 0);
    EXPECT_EQ(pc(5).Reports, 1.0f);
    EXPECT_EQ(data.MissedBins, 1.0f); // "Retries" 1: one missed remote reading is a missed bin
    EXPECT_EQ(data.TotalReports, 1.0f);
    EXPECT_EQ(data.CurrentBin, 5);
    EXPECT_EQ(data.HighestBin, 5);

    // Missed means below -104 dBm; a missed PC-side reading alone is no missed bin.
    data.ApplyReport(1, -104.0f, -104.0001f, kAmplitude, 1);
    EXPECT_EQ(remote(1).Misses, 0);
    EXPECT_EQ(pc(1).Misses, 1);
    EXPECT_EQ(data.MissedBins, 1.0f);
}

TEST_F(HopBinDataTest, LevelsAreClampedToTheChartAndPeaksFollowThem) {
    EXPECT_EQ(remote(3).Minimum, kAmplitude); // starts at the top of the chart
    for (float level : {-70.0f, -60.0f, -90.0f, -75.0f})
        data.ApplyReport(3, level, level, kAmplitude, 1);
    EXPECT_EQ(remote(3).Peak, -60.0f);
    EXPECT_EQ(remote(3).Minimum, -90.0f);
    EXPECT_EQ(remote(3).Current, -75.0f);
    EXPECT_EQ(remote(3).Reports, 4.0f);

    data.ApplyReport(2, -30.0f, -120.0f, kAmplitude, 1);
    EXPECT_EQ(remote(2).Current, kAmplitude);
    EXPECT_EQ(remote(2).Peak, kAmplitude);
    EXPECT_EQ(pc(2).Current, -105.0f);
    EXPECT_EQ(pc(2).Minimum, -105.0f);
    EXPECT_EQ(pc(2).Misses, 1);
    // With a lower "Amplitude" the top of the chart moves down with it.
    data.ApplyReport(2, -50.0f, -50.0f, -60.0f, 1);
    EXPECT_EQ(remote(2).Current, -60.0f);
}

TEST_F(HopBinDataTest, TrailingAverageMovesThreeTenthsOfTheWay) {
    data.ApplyReport(7, -60.0f, -60.0f, kAmplitude, 1);
    EXPECT_FLOAT_EQ(remote(7).TrailingAverage, -91.5f);
    data.ApplyReport(7, -60.0f, -60.0f, kAmplitude, 1);
    EXPECT_FLOAT_EQ(remote(7).TrailingAverage, -82.05f);
    EXPECT_FLOAT_EQ(pc(7).TrailingAverage, -82.05f);
    EXPECT_EQ(remote(6).TrailingAverage, -105.0f); // other bins keep their reset average
}

TEST_F(HopBinDataTest, ARunOfRetriesMissedReportsIsOneMissedBin) {
    report(1, 0xFF, 0xFF, 3);
    report(2, 0xFF, 0x80, 3); // remote missed, but the PC side heard the remote
    EXPECT_EQ(data.ConsecutiveMisses, 0);
    report(3, 0xFF, 0xFF, 3);
    data.ApplyReport(4, -104.5f, -104.0f, kAmplitude, 3); // -104 dBm counts as heard
    EXPECT_EQ(data.ConsecutiveMisses, 0);
    report(5, 0xFF, 0xFF, 3);
    report(6, 0xFF, 0xFF, 3);
    report(7, 0x80, 0xFF, 3); // remote heard
    EXPECT_EQ(data.ConsecutiveMisses, 0);
    EXPECT_EQ(data.MissedBins, 0.0f);
    for (int bin : {10, 11, 12, 20, 21})
        report(bin, 0xFF, 0xFF, 3);
    EXPECT_EQ(data.MissedBins, 1.0f); // three make a run; two more do not yet
    EXPECT_EQ(data.ConsecutiveMisses, 2);
}

TEST_F(HopBinDataTest, TotalsWhereThePatternStartedAndAReset) {
    report(0, 0x80, 0x80);
    EXPECT_EQ(data.CycleStartBin, 0); // bin 0 never marks the start
    for (int bin : {17, 4, 49, 12})
        report(bin, 0x80, 0x80);
    EXPECT_EQ(data.HighestBin, 49);
    EXPECT_EQ(data.CycleStartBin, 17);
    EXPECT_EQ(data.CurrentBin, 12);
    EXPECT_EQ(data.TotalReports, 5.0f);

    // Bins outside the table change nothing.
    const HopBinData before = data;
    for (int bin : {50, 255, -1, -32768}) {
        EXPECT_FALSE(report(bin, 0xFF, 0xFF)) << bin;
        EXPECT_EQ(data, before) << bin;
    }

    // A reset starts the statistics again but keeps the hop pattern's position.
    report(3, 0xFF, 0xFF, 2);
    data.ResetHopBins(-50.0f);
    EXPECT_EQ(data.HighestBin, 0);
    EXPECT_EQ(data.TotalReports, 0.0f);
    EXPECT_EQ(data.MissedBins, 0.0f);
    EXPECT_EQ(data.ConsecutiveMisses, 0);
    EXPECT_EQ(data.CycleStartBin, 17);
    EXPECT_EQ(data.CurrentBin, 3);
    EXPECT_EQ(remote(17), (BinStats{-105.0f, -105.0f, -50.0f, -105.0f, 0, 0}));
}

TEST_F(HopBinDataTest, AverageRssiAndPercentageGood) {
    EXPECT_EQ(data.PercentageGood(), 0.0);
    EXPECT_EQ(data.AverageRssi(), -105.0); // bin 0, both sides at the reset value

    data.ApplyReport(1, -60.0f, -70.0f, kAmplitude, 1); // averages -91.5 and -94.5
    for (int i = 0; i < 3; ++i)
        report(0, 0xFF, 0xFF);
    EXPECT_DOUBLE_EQ(data.PercentageGood(), 0.25); // 4 reports, 3 missed bins
    // Bin 0 settles towards -104.78 from -105: (-91.5 - 94.5 + 2 x bin 0) / 4.
    EXPECT_NEAR(data.AverageRssi(), (-91.5 - 94.5 + 2 * remote(0).TrailingAverage) / 4, 1e-4);
}
