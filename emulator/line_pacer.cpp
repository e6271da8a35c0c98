#include "line_pacer.h"

#include <algorithm>

namespace rm7700emu {

Nanos LinePacer::duration(std::size_t count) const {
    if (baud_ == 0) {
        return Nanos(0);
    }
    // Computed for the whole run at once, so rounding never accumulates per byte.
    constexpr std::int64_t kNanosPerSecond = 1'000'000'000;
    return Nanos(static_cast<std::int64_t>(count) * kBitsPerByte * kNanosPerSecond / baud_);
}

std::vector<Nanos> LinePacer::receive(std::size_t count, Nanos readAt) {
    const Nanos start = std::max(readAt, rxFreeAt_);
    std::vector<Nanos> arrivals(count);
    for (std::size_t i = 0; i < count; ++i) {
        arrivals[i] = start + duration(i + 1);
    }
    rxFreeAt_ = start + duration(count);
    return arrivals;
}

Nanos LinePacer::transmit(std::size_t count, Nanos readyAt) {
    const Nanos start = std::max(readyAt, txFreeAt_);
    txFreeAt_ = start + duration(count);
    return txFreeAt_;
}

void LinePacer::reset() {
    rxFreeAt_ = Nanos(0);
    txFreeAt_ = Nanos(0);
}

} // namespace rm7700emu
