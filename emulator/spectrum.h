// What the radio's receiver measures when the host steps it over spectrum points in
// configuration mode (point select 0xB1, level read 0x21).
#pragma once

#include "radio_types.h"
#include "rng.h"

namespace rm7700emu {

struct SpectrumConfig {
    double noiseFloorDb = -100.0;
    std::vector<Carrier> carriers;
};

class Spectrum {
public:
    // A carrier's level drops by this much for every point away from its centre.
    static constexpr double kFalloffPerPointDb = 12.0;
    // Each reading wanders by up to this much around the true level.
    static constexpr double kJitterDb = 1.5;
    // The level detector's full scale: a reading of 1023 stands for 3.3 V.
    static constexpr int kFullScale = 1023;
    static constexpr double kFullScaleVolts = 3.3;

    Spectrum(SpectrumConfig config, std::uint64_t seed);

    // The true level at a point, in dB: the noise floor and every carrier added up as
    // powers, so a carrier well below the floor disappears into it.
    double levelDb(int point) const;

    // One reading of the level detector at a point, jitter included.
    std::uint16_t measure(int point);

    // The detector's transfer curve: the voltage falls by 1 V for every 44 dB of
    // signal, with 0 V at -51 dB. Clamped to the converter's range.
    static std::uint16_t rawFromDb(double db);

private:
    SpectrumConfig config_;
    Rng rng_;
};

} // namespace rm7700emu
