// The radio's hop pattern and what it measures on each hop bin, for bin report mode.
#pragma once

#include "radio_types.h"
#include "rng.h"

namespace rm7700emu {

enum class BinQuality { Good, Marginal, Bad, UsuallyMissed };

class HopProfile {
public:
    static constexpr int kBins = 50;
    // RSSI byte that means "nothing heard on this hop".
    static constexpr std::uint8_t kMissed = 255;
    static constexpr int kUsuallyMissedBins = 2;
    static constexpr int kBadBins = 4;
    static constexpr int kMarginalBins = 6;
    static constexpr double kJitterDb = 1.5;
    // Share of readings on an "usually missed" bin that come back empty.
    static constexpr double kMissProbability = 0.9;

    explicit HopProfile(std::uint64_t seed);

    // The bin used on the given hop: the pattern is a permutation of the 50 bins,
    // repeated for ever.
    int binAt(std::uint64_t hop) const { return pattern_[hop % kBins]; }

    BinQuality quality(int bin) const { return bins_[bin].quality; }

    // Typical level of a bin, dBm; side 0 is the remote radio, side 1 the local one.
    double typicalLevel(int bin, int side) const { return bins_[bin].level[side]; }

    // One report's RSSI bytes for a bin: {remote, local}.
    std::array<std::uint8_t, 2> reading(int bin, Rng& rng) const;

    // RSSI byte b stands for (256 - b) * 0.22 - 105 dBm: a larger byte is weaker.
    // Never returns 255, which is kept for a missed reading.
    static std::uint8_t byteFromDbm(double dbm);
    static double dbmFromByte(std::uint8_t b) { return (256 - b) * 0.22 - 105.0; }

private:
    struct Bin {
        BinQuality quality = BinQuality::Good;
        std::array<double, 2> level{};
    };
    std::array<int, kBins> pattern_{};
    std::array<Bin, kBins> bins_{};
};

} // namespace rm7700emu
