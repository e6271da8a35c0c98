// The per-bin statistics of the hop bin analyzer, in exact figures: level conversion,
// clamping, peaks, missed readings and missed bins, trailing averages, run totals.

#include "hopbin/hop_bin_data.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

constexpr float kAmplitude = -40.0f; // the "Amplitude" setting's default
const float kMissed = RssiByteToDbm(0xFF), kHeard = RssiByteToDbm(0x80);

// "current peak minimum average reports misses" of both sides of `bin`, then
// "missed bins, total reports, misses in a row, current / highest / first bin".
QString figures(const HopBinData& data, int bin) {
    const auto figure = [](float value) { return QString::number(value, 'g', 6); };
    QStringList out;
    for (const BinStats& s : data.HopBins[std::size_t(bin)])
        out << QStringList{figure(s.Current),         figure(s.Peak),    figure(s.Minimum),
                           figure(s.TrailingAverage), figure(s.Reports), QString::number(s.Misses)}
                   .join(u' ');
    out << QStringLiteral("%1 %2 %3 %4/%5/%6")
               .arg(figure(data.MissedBins), figure(data.TotalReports))
               .arg(data.ConsecutiveMisses)
               .arg(data.CurrentBin)
               .arg(data.HighestBin)
               .arg(data.CycleStartBin);
    return out.join(QStringLiteral(" | "));
}

struct Report {
    int bin;
    float remote, pc;
    int retries = 1;
    float amplitude = kAmplitude;
};

} // namespace

TEST(HopBinData, ReportsGiveTheseFigures) {
    EXPECT_EQ(std::tuple(kHeard, kMissed, RssiByteToDbm(0x00)),
              std::tuple(-76.84f, -104.78f, -48.68f));
    const float miss = kMissed, heard = kHeard;
    // The reports, then the figures of the last report's bin.
    const std::pair<std::vector<Report>, const char*> cases[] = {
        // With "Retries" 1 one missed remote reading is a missed bin.
        {{{5, miss, -48.68f}},
         "-104.78 -104.78 -104.78 -104.934 1 1 | -48.68 -48.68 -48.68 -88.104 1 0 | 1 1 0 5/5/5"},
        // Missed means below -104 dBm; a missed PC-side reading alone is no missed bin.
        {{{1, -104.0f, -104.0001f}},
         "-104 -104 -104 -104.7 1 0 | -104 -104 -104 -104.7 1 1 | 0 1 0 1/1/1"},
        {{{3, -70, -70}, {3, -60, -60}, {3, -90, -90}, {3, -75, -75}},
         "-75 -60 -90 -82.6335 4 0 | -75 -60 -90 -82.6335 4 0 | 0 4 0 3/3/3"},
        // Clamped to the chart, whose top moves down with a lower "Amplitude".
        {{{2, -30, -120}}, "-40 -40 -40 -85.5 1 0 | -105 -105 -105 -105 1 1 | 0 1 0 2/2/2"},
        {{{2, -30, -120}, {2, -50, -50, 1, -60}},
         "-60 -40 -60 -77.85 2 0 | -60 -60 -105 -91.5 2 1 | 0 2 0 2/2/2"},
        {{{7, -60, -60}, {7, -60, -60}},
         "-60 -60 -60 -82.05 2 0 | -60 -60 -60 -82.05 2 0 | 0 2 0 7/7/7"},
        // With "Retries" 3 three in a row make a missed bin; a PC side that heard the
        // remote, or a remote at -104 dBm, breaks the run.
        // clang-format off
        {{{1, miss, miss, 3}, {2, miss, heard, 3}, {3, miss, miss, 3}, {4, -104.5f, -104, 3},
          {5, miss, miss, 3}, {6, miss, miss, 3}, {7, heard, miss, 3}, {10, miss, miss, 3},
          {11, miss, miss, 3}, {12, miss, miss, 3}, {20, miss, miss, 3}, {21, miss, miss, 3}},
         // clang-format on
         "-104.78 -104.78 -104.78 -104.934 1 1 | -104.78 -104.78 -104.78 -104.934 1 1 | 1 12 2 "
         "21/21/1"},
        // Bin 0 never marks where the hop pattern started.
        // clang-format off
        {{{0, heard, heard}, {17, heard, heard}, {4, heard, heard}, {49, heard, heard},
          {12, heard, heard}},
         // clang-format on
         "-76.84 -76.84 -76.84 -96.552 1 0 | -76.84 -76.84 -76.84 -96.552 1 0 | 0 5 0 12/49/17"},
    };
    for (const auto& [reports, expected] : cases) {
        HopBinData data;
        data.ResetHopBins(kAmplitude);
        for (const Report& r : reports)
            EXPECT_TRUE(data.ApplyReport(r.bin, r.remote, r.pc, r.amplitude, r.retries));
        EXPECT_EQ(figures(data, reports.back().bin).toStdString(), expected);
    }
}

TEST(HopBinData, BinsOutsideTheTableChangeNothingAndAResetKeepsThePatternsStart) {
    HopBinData data;
    data.ResetHopBins(kAmplitude);
    data.ApplyReport(17, kHeard, kHeard, kAmplitude, 1);
    data.ApplyReport(3, kMissed, kMissed, kAmplitude, 2);
    const HopBinData before = data;
    for (int bin : {50, 255, -1, -32768}) {
        EXPECT_FALSE(data.ApplyReport(bin, kMissed, kMissed, kAmplitude, 1)) << bin;
        EXPECT_EQ(data, before) << bin;
    }
    data.ResetHopBins(-50.0f);
    EXPECT_EQ(figures(data, 17).toStdString(),
              "-105 -105 -50 -105 0 0 | -105 -105 -50 -105 0 0 | 0 0 0 3/0/17");
}
