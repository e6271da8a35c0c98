#pragma once

#include <array>
#include <cstdint>

// The hop bin analyzer's statistics: for each of the radio's 50 hop channels and
// each end of the link (side 0 = remote radio, side 1 = the radio on this PC) the
// last reading, peak, minimum, trailing average and counts, plus the run totals.

inline constexpr int kHopBinCount = 50;
inline constexpr int kRemoteSide = 0;
inline constexpr int kPcSide = 1;

struct BinStats {
    float Current = -105.0f;         // last reading after clamping, dBm
    float Peak = -105.0f;            // highest reading since the reset
    float Minimum = -40.0f;          // lowest reading since the reset ("Amplitude" after reset)
    float TrailingAverage = -105.0f; // exponential average (weight 0.3)
    float Reports = 0.0f;            // readings since the reset
    std::int32_t Misses = 0;         // readings below -104 dBm since the reset

    bool operator==(const BinStats&) const = default;
};

// An RSSI byte of a bin report as a level: (256 - b) x 0.22 - 105 dBm, so a larger
// byte is a weaker signal (255 gives -104.78 dBm, a missed reading).
float RssiByteToDbm(std::uint8_t rssi);

struct HopBinData {
    std::array<std::array<BinStats, 2>, kHopBinCount> HopBins{};
    std::int16_t HighestBin = 0; // highest bin seen since the reset
    float TotalReports = 0.0f;   // reports applied since the reset
    float MissedBins = 0.0f;     // missed-bin events since the reset
    std::int16_t ConsecutiveMisses = 0;
    std::int16_t CurrentBin = 0;    // bin of the report applied last (not reset)
    std::int16_t CycleStartBin = 0; // first non-zero bin applied since start (not reset)

    // Every bin and side to its reset values (Minimum := amplitude), totals to 0.
    void ResetHopBins(float amplitude);

    // Folds one report into the statistics: `remote` and `pc` are the two levels in
    // dBm before clamping. Clamps each to [-105, amplitude], updates peak, minimum,
    // misses (a reading below -104 dBm; `missRunLength` consecutive remote misses
    // count as one missed bin), reports, the total, the trailing averages,
    // HighestBin, CycleStartBin and CurrentBin. A bin outside 0..49 changes nothing
    // and returns false.
    bool ApplyReport(int bin, float remote, float pc, float amplitude, int missRunLength);

    // Mean TrailingAverage over bins 0..HighestBin, both sides.
    double AverageRssi() const;
    // (TotalReports - MissedBins) / TotalReports, 0 when nothing was reported.
    double PercentageGood() const;

    bool operator==(const HopBinData&) const = default;
};
