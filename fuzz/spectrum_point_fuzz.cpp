// Whatever the radio answers to the level request 0x21 0x02: only a buffer of at
// least four bytes that begins with 0x21 is a reading, the reading is the 16-bit
// little-endian number in bytes 3 and 4, and the level and screen position made from
// any reading stay on the plot (-51 dB down to -104 dB, below "Amplitude"). The first
// byte chooses "Amplitude" from -105 to -40 dB; the rest is the answer.

#include "fuzz_support.h"
#include "spectrum/point_answer.h"
#include "spectrum/spectrum_analyzer.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const float amplitude = -105.0f + static_cast<float>(data[0] % 66);
    const QByteArray answer(reinterpret_cast<const char*>(data + 1),
                            static_cast<qsizetype>(size - 1));

    const std::optional<int> raw = decodeLevelAnswer(answer);
    const bool whole = answer.size() >= 4 && static_cast<unsigned char>(answer.at(0)) == 0x21;
    check(raw.has_value() == whole);
    if (!raw)
        return 0;
    check(*raw == static_cast<unsigned char>(answer.at(2)) +
                      256 * static_cast<unsigned char>(answer.at(3)));

    const double volts = SpectrumAnalyzer::RawToVolts(*raw);
    check(volts >= 0.0 && volts <= 65535.0 / 1023.0 * 3.3);
    const std::int32_t level = SpectrumAnalyzer::VoltsToLevel(volts, amplitude);
    const auto top = static_cast<std::int32_t>(amplitude);
    // Either a level of the detector's range that lies below the top of the plot, or
    // the level just below the top that replaces one that would touch it.
    check(level == top - 2 || (level >= -104 && level <= -51 && level < top - 1));

    // The plot of a typical window: 500 twips margins, 6000 twips high, 70 dB. Every
    // level is at least 2 dB and at most 64 dB below the top: inside the plot.
    const std::int32_t y = SpectrumAnalyzer::LevelToY(level, amplitude, 500, 500, 6000);
    check(y > 500 && y < 5500);
    return 0;
}
