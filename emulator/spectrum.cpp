#include "spectrum.h"

#include <algorithm>
#include <cmath>

namespace rm7700emu {

Spectrum::Spectrum(SpectrumConfig config, std::uint64_t seed)
    : config_(std::move(config)), rng_(seed, 0x5BEC) {}

double Spectrum::levelDb(int point) const {
    double power = std::pow(10.0, config_.noiseFloorDb / 10.0);
    for (const Carrier& carrier : config_.carriers) {
        const double db = carrier.levelDb - kFalloffPerPointDb * std::abs(point - carrier.point);
        power += std::pow(10.0, db / 10.0);
    }
    return 10.0 * std::log10(power);
}

std::uint16_t Spectrum::measure(int point) {
    return rawFromDb(levelDb(point) + rng_.uniform(-kJitterDb, kJitterDb));
}

std::uint16_t Spectrum::rawFromDb(double db) {
    const double volts = (db + 51.0) / -44.0;
    const double raw = std::round(volts / kFullScaleVolts * kFullScale);
    return static_cast<std::uint16_t>(std::clamp(raw, 0.0, static_cast<double>(kFullScale)));
}

} // namespace rm7700emu
