#include "fault_injector.h"

#include <algorithm>
#include <cmath>

namespace rm7700emu {

FaultInjector::FaultInjector(double randomRate, std::uint64_t seed)
    : randomRate_(randomRate), rng_(seed, 0xFA17) {}

std::vector<Piece> FaultInjector::shape(const Bytes& reply, Nanos readyAt) {
    Bytes bytes = garbage(scripted_.garbage);
    bytes.insert(bytes.end(), reply.begin(), reply.end());
    Nanos at = readyAt + scripted_.late;
    unsigned pieces = scripted_.split;
    Nanos gap = kSplitGap;

    if (randomRate_ > 0.0 && rng_.chance(randomRate_)) {
        switch (rng_.below(4)) {
        case 0: // lost
            return {};
        case 1: // late
            at += kRandomLate;
            break;
        case 2: // dribbles out in a few writes
            pieces = std::max(pieces, 2 + rng_.below(3));
            gap = std::chrono::milliseconds(2 + rng_.below(4));
            break;
        default: { // noise on the line just before the reply
            Bytes junk = garbage(1 + rng_.below(8));
            bytes.insert(bytes.begin(), junk.begin(), junk.end());
            break;
        }
        }
    }
    return split(bytes, pieces, at, gap);
}

std::vector<Piece> FaultInjector::split(const Bytes& bytes, unsigned pieces, Nanos readyAt,
                                        Nanos gap) {
    pieces = std::clamp<unsigned>(pieces, 1,
                                  static_cast<unsigned>(std::max<std::size_t>(bytes.size(), 1)));
    std::vector<Piece> out;
    std::size_t begin = 0;
    for (unsigned i = 0; i < pieces; ++i) {
        const std::size_t end = bytes.size() * (i + 1) / pieces;
        out.push_back({Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(begin),
                             bytes.begin() + static_cast<std::ptrdiff_t>(end)),
                       readyAt + gap * i});
        begin = end;
    }
    return out;
}

bool FaultInjector::isSafeGarbage(std::uint8_t byte) {
    // Lead bytes of replies and records, the configuration echo 0x65 and the "V" that
    // ends configuration mode.
    return byte != 0xCC && byte != 0x87 && byte != 0x21 && byte != 0x65 && byte != 0x56;
}

Bytes FaultInjector::garbage(unsigned count) {
    Bytes bytes;
    bytes.reserve(count);
    while (bytes.size() < count) {
        const auto b = static_cast<std::uint8_t>(rng_.below(256));
        if (isSafeGarbage(b)) {
            bytes.push_back(b);
        }
    }
    return bytes;
}

Nanos FaultInjector::nextLinkDrop(Nanos now) {
    if (!(randomRate_ > 0.0)) {
        return kNever;
    }
    // Exponentially distributed gaps: drops come at random, once a minute on average.
    const double u = 1.0 - rng_.unit(); // (0, 1]
    const double seconds =
        -std::log(u) * std::chrono::duration<double>(kMeanTimeBetweenDrops).count();
    return now + Nanos(static_cast<std::int64_t>(seconds * 1e9));
}

} // namespace rm7700emu
