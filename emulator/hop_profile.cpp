#include "hop_profile.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace rm7700emu {

namespace {

template <typename Array> void shuffle(Array& values, Rng& rng) {
    for (std::size_t i = values.size() - 1; i > 0; --i) {
        std::swap(values[i], values[rng.below(static_cast<std::uint32_t>(i + 1))]);
    }
}

} // namespace

HopProfile::HopProfile(std::uint64_t seed) {
    Rng rng(seed, 0x40B1);
    std::iota(pattern_.begin(), pattern_.end(), 0);
    shuffle(pattern_, rng);

    // Hand out the qualities to randomly chosen bins: most of the band is clean, a few
    // bins sit near interference and a couple are all but unusable.
    std::array<int, kBins> order{};
    std::iota(order.begin(), order.end(), 0);
    shuffle(order, rng);
    for (int i = 0; i < kBins; ++i) {
        Bin& bin = bins_[order[i]];
        double remote = 0.0;
        if (i < kUsuallyMissedBins) {
            bin.quality = BinQuality::UsuallyMissed;
            remote = rng.uniform(-104.0, -102.0);
        } else if (i < kUsuallyMissedBins + kBadBins) {
            bin.quality = BinQuality::Bad;
            remote = rng.uniform(-101.0, -97.0);
        } else if (i < kUsuallyMissedBins + kBadBins + kMarginalBins) {
            bin.quality = BinQuality::Marginal;
            remote = rng.uniform(-90.0, -85.0);
        } else {
            bin.quality = BinQuality::Good;
            remote = rng.uniform(-75.0, -65.0);
        }
        // The two ends of the link never see exactly the same thing.
        double local = remote + rng.uniform(-3.0, 3.0);
        if (bin.quality == BinQuality::Bad) {
            local = std::min(local, -97.0);
        }
        bin.level = {remote, local};
    }
}

std::array<std::uint8_t, 2> HopProfile::reading(int bin, Rng& rng) const {
    std::array<std::uint8_t, 2> bytes{};
    const Bin& b = bins_[bin];
    for (int side = 0; side < 2; ++side) {
        if (b.quality == BinQuality::UsuallyMissed && rng.chance(kMissProbability)) {
            bytes[side] = kMissed;
        } else {
            bytes[side] = byteFromDbm(b.level[side] + rng.uniform(-kJitterDb, kJitterDb));
        }
    }
    return bytes;
}

std::uint8_t HopProfile::byteFromDbm(double dbm) {
    const double b = std::round(256.0 - (dbm + 105.0) / 0.22);
    return static_cast<std::uint8_t>(std::clamp(b, 0.0, 254.0));
}

} // namespace rm7700emu
