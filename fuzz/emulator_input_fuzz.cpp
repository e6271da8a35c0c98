// Any bytes from the suite, at any pace, into the bundled emulator's radio: its
// command parser must never crash, and a reply must never cut a stream record apart.

#include "radio_model.h"

#include <chrono>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace std::chrono;
    rm7700emu::RadioConfig config;
    config.syncDelay = milliseconds(0);
    rm7700emu::RadioModel radio(config, nanoseconds(0));
    nanoseconds now{0};
    for (std::size_t i = 0; i < size; ++i) {
        // The low nibble of each byte also sets the gap before it (0 to 750 us), so
        // bursts, slow trickles and stalled partial commands are all explored.
        now += microseconds(data[i] & 0x0F) * 50;
        radio.receive(data[i], now);
        radio.advance(now);
        (void)radio.takeOutput();
    }
    now += milliseconds(600);
    radio.advance(now);
    (void)radio.takeOutput();
    return 0;
}
