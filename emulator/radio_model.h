// The RM7700 radio module as a pure state machine: bytes in (each with the time it
// finished arriving) and the passage of time produce replies and streamed records,
// each stamped with the time the radio would start sending it. The model knows
// nothing of transports, line rates or faults; those are layered around it.
#pragma once

#include "hop_profile.h"
#include "radio_types.h"
#include "rng.h"
#include "spectrum.h"

#include <optional>

namespace rm7700emu {

struct RadioConfig {
    Address ownAddress{0x12, 0x34, 0x56};
    Address destination{0xFF, 0xFF, 0xFF};
    // Bit value 2 is the option bit that the host clears for bin report runs.
    std::uint8_t optionByte = 0x02;
    // The link is in sync this long after power-up or after the link came back.
    Nanos syncDelay = std::chrono::milliseconds(2000);
    double reportRate = 100.0;     // bin reports per second
    double acquisitionRate = 20.0; // acquisition records per second, all radios together
    std::vector<RemoteRadio> radios;
    SpectrumConfig spectrum;
    std::uint64_t seed = 1;
};

// Something the radio sends: a reply to a command, or one whole record of a stream.
struct Emission {
    enum class Kind { Reply, Stream };
    Kind kind = Kind::Reply;
    Bytes bytes;
    Nanos at{0}; // when the radio has it ready to send
};

struct RadioSnapshot {
    Mode mode = Mode::Normal;
    Address ownAddress{};
    Address destination{};
    std::uint8_t optionByte = 0;
    bool inSync = false;
    int point = 0;
};

class RadioModel {
public:
    // A command that stalls this long before its last byte is thrown away.
    static constexpr Nanos kPartialCommandTimeout = std::chrono::milliseconds(500);
    // Every this-many-th acquisition record is a 0x87 record.
    static constexpr int kLongRecordEvery = 4;
    static constexpr std::uint8_t kStatusInSync = 0x00;
    static constexpr std::uint8_t kStatusFindingSync = 0x02;

    RadioModel(RadioConfig config, Nanos start);

    // One byte has finished arriving at `at`. Times must not go backwards.
    void receive(std::uint8_t byte, Nanos at);
    // Lets time pass: streams produce their records, stalled commands are dropped.
    void advance(Nanos now);
    // The next time at which advance() has something to do; kNever if nothing.
    Nanos nextDeadline() const;
    // Everything produced since the last call, in the order produced.
    std::vector<Emission> takeOutput();

    // While silent the radio ignores its input and sends nothing at all.
    void setSilent(bool silent);
    // Overrides the link sync status; nullopt returns to the timed behaviour.
    void forceSync(std::optional<bool> inSync);
    // The radio link to the remote radios went away / came back (sync starts over).
    void linkDown();
    void linkUp(Nanos now);
    void setReportRate(double perSecond, Nanos now);

    Mode mode() const { return mode_; }
    bool inSync(Nanos now) const;
    RadioSnapshot snapshot(Nanos now) const;
    const HopProfile& hopProfile() const { return hops_; }
    const Spectrum& spectrum() const { return spectrum_; }

    // The commands the radio understands; which ones apply depends on the mode.
    enum class Command {
        EnterAt,        // "AT+++" CR
        ExitAt,         // 0xCC "ATO" CR
        EnterConfig,    // 0xCC 0x65
        BinReports,     // 0xCC 0x8F on/off
        Acquisition,    // 0xCC 0x8E on/off
        SetDestination, // 0xCC 0x10 a b c
        ReadOwnAddress, // 0xCC 0x11
        ReadOption,     // 0xCC 0x0A 0x20
        WriteOptionBit, // 0xCC 0x08 0/1
        Status,         // 0xCC 0x00 0x00
        SelectPoint,    // 0xB1 i 0x00 (configuration mode)
        ReadLevel,      // 0x21 0x02 (configuration mode)
        LeaveConfig,    // "V" (configuration mode)
    };

private:
    void execute(Command command, const Bytes& bytes, Nanos at);
    void reply(Bytes bytes, Nanos at);
    void startStream(Mode mode, Nanos at);
    void emitStreamRecord(Nanos at);
    Nanos streamInterval() const;
    bool streaming() const { return mode_ == Mode::BinReport || mode_ == Mode::Acquisition; }

    RadioConfig config_;
    HopProfile hops_;
    Spectrum spectrum_;
    Rng readingRng_;

    Mode mode_ = Mode::Normal;
    Address destination_{};
    std::uint8_t optionByte_ = 0;
    int point_ = 0;

    Bytes pending_; // a command still coming in
    Nanos lastByteAt_{0};

    bool silent_ = false;
    bool linkUp_ = true;
    Nanos syncSince_{0};
    std::optional<bool> forcedSync_;

    Nanos nextRecordAt_ = kNever;
    std::uint64_t hop_ = 0;
    std::uint64_t acquisitionCount_ = 0;

    std::vector<Emission> output_;
};

} // namespace rm7700emu
