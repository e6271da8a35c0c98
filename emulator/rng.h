// Seeded pseudo-random numbers for the emulator.
#pragma once

#include <cstdint>

namespace rm7700emu {

// SplitMix64. Small, fast and, unlike the standard distributions, it yields the same
// sequence with every compiler and library, so a given --seed always plays the same
// radio. Separate streams keep one consumer (say spectrum jitter) from shifting the
// numbers another consumer (the hop pattern) sees.
class Rng {
public:
    explicit Rng(std::uint64_t seed, std::uint64_t stream = 0)
        : state_(seed * 0x9E3779B97F4A7C15ULL + stream * 0xD1B54A32D192ED03ULL +
                 0x632BE59BD9B4E019ULL) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    // Uniform in [0, 1).
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

    double uniform(double lo, double hi) { return lo + (hi - lo) * unit(); }

    // Uniform in [0, n); 0 when n is 0.
    std::uint32_t below(std::uint32_t n) {
        return n == 0 ? 0 : static_cast<std::uint32_t>(next() % n);
    }

    bool chance(double probability) { return unit() < probability; }

private:
    std::uint64_t state_;
};

} // namespace rm7700emu
