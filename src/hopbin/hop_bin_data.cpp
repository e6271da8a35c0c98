#include "hopbin/hop_bin_data.h"

#include <limits>

namespace {
// The radio reports levels from -104.78 dBm (byte 255) upwards; anything lower is
// noise floor and is shown as the bottom of the scale.
constexpr float kFloorDbm = -105.0f;
// Below this a reading is a missed hop: the radio did not hear the other end.
constexpr float kMissedBelowDbm = -104.0f;
// Weight of the newest reading in the trailing average.
constexpr double kAverageWeight = 0.3;
} // namespace

float RssiByteToDbm(std::uint8_t rssi) {
    // 0.22 dB per step down from -48.68 dBm; worked out in double so that the
    // published levels (-104.78, -48.68) come out as the nearest floats.
    return static_cast<float>((256.0 - rssi) * 0.22 - 105.0);
}

void HopBinData::ResetHopBins(float amplitude) {
    for (auto& bin : HopBins) {
        for (BinStats& side : bin) {
            side = BinStats{};
            side.Minimum = amplitude;
        }
    }
    HighestBin = 0;
    TotalReports = 0.0f;
    MissedBins = 0.0f;
    ConsecutiveMisses = 0;
}

bool HopBinData::ApplyReport(int bin, float remote, float pc, float amplitude, int missRunLength) {
    if (bin < 0 || bin >= kHopBinCount)
        return false;
    auto& stats = HopBins[static_cast<std::size_t>(bin)];
    stats[kRemoteSide].Current = remote;
    stats[kPcSide].Current = pc;

    for (int side : {kRemoteSide, kPcSide}) {
        BinStats& s = stats[static_cast<std::size_t>(side)];
        if (s.Current < kFloorDbm)
            s.Current = kFloorDbm;
        if (s.Current > amplitude)
            s.Current = amplitude;
        if (s.Current > s.Peak)
            s.Peak = s.Current;
        if (s.Current < s.Minimum)
            s.Minimum = s.Current;
        if (s.Current < kMissedBelowDbm) {
            s.Misses += 1;
            // A missed bin is a run of hops on which the remote radio was not heard.
            // The run is counted on the remote side; a good reading at either end
            // shows the link is alive and starts the run again.
            if (side == kRemoteSide) {
                if (ConsecutiveMisses < std::numeric_limits<std::int16_t>::max())
                    ConsecutiveMisses += 1;
                if (ConsecutiveMisses >= missRunLength) {
                    MissedBins += 1.0f;
                    ConsecutiveMisses = 0;
                }
            }
        } else {
            ConsecutiveMisses = 0;
        }
        s.Reports += 1.0f;
    }

    TotalReports += 1.0f;

    for (BinStats& s : stats)
        s.TrailingAverage = static_cast<float>(
            s.TrailingAverage + kAverageWeight * (double{s.Current} - s.TrailingAverage));

    const auto binNumber = static_cast<std::int16_t>(bin);
    if (binNumber > HighestBin)
        HighestBin = binNumber;
    // The first bin other than 0 marks where a pass of the hop pattern begins.
    if (CycleStartBin == 0)
        CycleStartBin = binNumber;
    CurrentBin = binNumber;
    return true;
}

double HopBinData::AverageRssi() const {
    const int last =
        HighestBin < 0 ? 0 : (HighestBin >= kHopBinCount ? kHopBinCount - 1 : HighestBin);
    double sum = 0.0;
    for (int bin = 0; bin <= last; ++bin)
        for (const BinStats& s : HopBins[static_cast<std::size_t>(bin)])
            sum += s.TrailingAverage;
    return sum / (2.0 * (last + 1));
}

double HopBinData::PercentageGood() const {
    if (TotalReports == 0.0f)
        return 0.0;
    return (static_cast<double>(TotalReports) - MissedBins) / TotalReports;
}
