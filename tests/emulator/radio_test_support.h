// Small helpers shared by the emulator's unit tests.
#pragma once

#include "options.h"
#include "radio_model.h"

#include <initializer_list>
#include <string_view>

namespace rm7700emu::test {

using namespace std::chrono_literals;

inline Bytes bytes(std::initializer_list<int> values) {
    Bytes out;
    for (int v : values) {
        out.push_back(static_cast<std::uint8_t>(v));
    }
    return out;
}

inline Bytes text(std::string_view s) {
    return Bytes(s.begin(), s.end());
}

inline Bytes concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline const Bytes kEscape = text("AT+++\r");
inline const Bytes kLeaveAt = concat(bytes({0xCC}), text("ATO\r"));

// A radio as the emulator starts it with the default remote radios and carriers,
// except that the link is in sync at once.
inline RadioConfig testConfig() {
    RadioConfig config;
    config.syncDelay = 0ms;
    config.radios = defaultRadios();
    config.spectrum.carriers = defaultCarriers();
    return config;
}

// Drives a RadioModel on a virtual clock.
class RadioUnderTest {
public:
    explicit RadioUnderTest(RadioConfig config = testConfig())
        : model(std::move(config), Nanos(0)) {}

    // The bytes all arrive at the current time; returns what the radio replied.
    Bytes send(const Bytes& input) {
        for (std::uint8_t b : input) {
            model.receive(b, now);
        }
        return replies(model.takeOutput());
    }

    // Lets time pass and returns everything the radio produced meanwhile.
    std::vector<Emission> wait(Nanos duration) {
        now += duration;
        model.advance(now);
        return model.takeOutput();
    }

    static Bytes replies(const std::vector<Emission>& emissions) {
        Bytes out;
        for (const Emission& e : emissions) {
            if (e.kind == Emission::Kind::Reply) {
                out.insert(out.end(), e.bytes.begin(), e.bytes.end());
            }
        }
        return out;
    }

    static std::vector<Bytes> records(const std::vector<Emission>& emissions) {
        std::vector<Bytes> out;
        for (const Emission& e : emissions) {
            if (e.kind == Emission::Kind::Stream) {
                out.push_back(e.bytes);
            }
        }
        return out;
    }

    RadioModel model;
    Nanos now{0};
};

} // namespace rm7700emu::test
