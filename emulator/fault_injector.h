// Misbehaviour on demand: the faults a marginal radio link or a flaky adapter show,
// so the host's time-outs, retries and resynchronisation can be exercised.
#pragma once

#include "radio_types.h"
#include "rng.h"

namespace rm7700emu {

// A reply (or part of one) and the time it may be sent.
struct Piece {
    Bytes bytes;
    Nanos readyAt{0};
};

// Faults applied to every reply, set from the control channel.
struct ScriptedFaults {
    Nanos late{0};        // extra delay before the reply
    unsigned split = 1;   // pieces the reply is written in
    unsigned garbage = 0; // junk bytes sent just before the reply
};

class FaultInjector {
public:
    static constexpr Nanos kSplitGap = std::chrono::milliseconds(3);
    static constexpr Nanos kRandomLate = std::chrono::milliseconds(1500);
    static constexpr Nanos kMeanTimeBetweenDrops = std::chrono::seconds(60);
    static constexpr Nanos kRandomDropLength = std::chrono::seconds(2);

    // randomRate: probability that a reply suffers one random fault.
    FaultInjector(double randomRate, std::uint64_t seed);

    ScriptedFaults& scripted() { return scripted_; }
    const ScriptedFaults& scripted() const { return scripted_; }
    double randomRate() const { return randomRate_; }

    // Turns a reply ready at `readyAt` into the pieces actually sent; an empty result
    // means the reply is lost.
    std::vector<Piece> shape(const Bytes& reply, Nanos readyAt);

    // Junk that cannot be mistaken for the start of a reply or a record.
    Bytes garbage(unsigned count);
    static bool isSafeGarbage(std::uint8_t byte);

    // With random faults on, the link drops now and then; kNever otherwise.
    Nanos nextLinkDrop(Nanos now);

private:
    static std::vector<Piece> split(const Bytes& bytes, unsigned pieces, Nanos readyAt, Nanos gap);

    double randomRate_;
    Rng rng_;
    ScriptedFaults scripted_;
};

} // namespace rm7700emu
