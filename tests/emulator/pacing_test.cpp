// Line-rate timing and the ordering of everything the radio sends: when a paced
// command counts as received, when its reply reaches the host, and that a reply is
// never sent inside a streamed record.
#include "radio_test_support.h"

#include "fault_injector.h"
#include "line_pacer.h"
#include "output_queue.h"

#include <gtest/gtest.h>

namespace rm7700emu::test {
namespace {

// At 57600 baud a byte (start bit, 8 data bits, stop bit) takes 173.6 us.
constexpr Nanos kByte57600{173'611};

TEST(LinePacer, UnpacedLineTakesNoTime) {
    LinePacer pacer;
    EXPECT_FALSE(pacer.paced());
    EXPECT_EQ(pacer.receive(3, 5ms), (std::vector<Nanos>{5ms, 5ms, 5ms}));
    EXPECT_EQ(pacer.transmit(100, 7ms), Nanos(7ms));
}

TEST(LinePacer, ByteTimesAtCommonRates) {
    EXPECT_EQ(LinePacer(57600).duration(1), kByte57600);
    EXPECT_EQ(LinePacer(9600).duration(96), Nanos(100ms));
    EXPECT_EQ(LinePacer(115200).duration(5), Nanos(434'027));
    // Long runs do not accumulate rounding errors.
    EXPECT_EQ(LinePacer(57600).duration(5760), Nanos(1s));
}

TEST(LinePacer, BytesArriveBackToBackFromWhenTheyWereRead) {
    LinePacer pacer(57600);
    const auto arrivals = pacer.receive(3, 1ms);
    ASSERT_EQ(arrivals.size(), 3u);
    EXPECT_EQ(arrivals[0], 1ms + kByte57600);
    EXPECT_EQ(arrivals[2], 1ms + LinePacer(57600).duration(3));

    // Read while the first three are still "on the wire": they queue behind them.
    const auto more = pacer.receive(2, 1ms + 100us);
    EXPECT_EQ(more[0], 1ms + LinePacer(57600).duration(4));
    EXPECT_EQ(more[1], 1ms + LinePacer(57600).duration(5));

    // Read after the line went quiet: they start from their own read time.
    EXPECT_EQ(pacer.receive(1, 10ms)[0], 10ms + kByte57600);
}

TEST(LinePacer, ChunksFollowEachOtherOnTheLine) {
    LinePacer pacer(57600);
    EXPECT_EQ(pacer.transmit(2, 0ms), LinePacer(57600).duration(2));
    // Ready before the line is free: waits for the previous chunk.
    EXPECT_EQ(pacer.transmit(4, 100us), LinePacer(57600).duration(6));
    pacer.reset();
    EXPECT_EQ(pacer.transmit(1, 0ms), kByte57600);
}

// A whole paced exchange: model, pacer and queue as the emulator wires them.
struct PacedRadio {
    explicit PacedRadio(unsigned baud, RadioConfig config = testConfig())
        : model(std::move(config), Nanos(0)), pacer(baud), queue(pacer) {}

    // The bytes were read from the host at `readAt`.
    void read(const Bytes& input, Nanos readAt) {
        const auto arrivals = pacer.receive(input.size(), readAt);
        for (std::size_t i = 0; i < input.size(); ++i) {
            pending.emplace_back(input[i], arrivals[i]);
        }
    }

    // Runs the clock to `until` the way the event loop does, event by event, and
    // returns every chunk written with its write time.
    std::vector<Chunk> runUntil(Nanos until) {
        std::vector<Chunk> written;
        for (;;) {
            Nanos next = std::min(model.nextDeadline(), queue.nextEvent());
            if (!pending.empty()) {
                next = std::min(next, pending.front().second);
            }
            if (next > until) {
                break;
            }
            now = std::max(now, next);
            while (!pending.empty() && pending.front().second <= now) {
                model.receive(pending.front().first, pending.front().second);
                pending.erase(pending.begin());
                route();
            }
            model.advance(now);
            route();
            for (Chunk& chunk : queue.takeDue(now)) {
                EXPECT_GE(now, chunk.writeAt);
                written.push_back(std::move(chunk));
            }
        }
        now = until;
        return written;
    }

    void route() {
        for (Emission& e : model.takeOutput()) {
            if (e.kind == Emission::Kind::Reply) {
                queue.addReply(faults.shape(e.bytes, e.at));
            } else {
                queue.addStream(e.bytes, e.at);
            }
        }
    }

    RadioModel model;
    LinePacer pacer;
    OutputQueue queue;
    FaultInjector faults{0.0, 1};
    std::vector<std::pair<std::uint8_t, Nanos>> pending;
    Nanos now{0};
};

TEST(PacedExchange, ThreeByteCommandTwoByteReplyTakesFiveByteTimes) {
    PacedRadio radio(57600);
    radio.read(kEscape, 0ms);
    radio.runUntil(10ms);

    radio.read(bytes({0xCC, 0x08, 0x00}), 10ms);
    // Nothing can be answered before the third byte has arrived...
    EXPECT_TRUE(radio.runUntil(10ms + LinePacer(57600).duration(3) - Nanos(1)).empty());
    // ... and the reply's last byte reaches the host two byte times later.
    const auto written = radio.runUntil(20ms);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].bytes, bytes({0xCC, 0x00}));
    EXPECT_EQ(written[0].writeAt, 10ms + LinePacer(57600).duration(5));
}

TEST(PacedExchange, WriteLeadSendsEarlyButNeverBeforeTheCommandEnded) {
    PacedRadio radio(57600);
    radio.queue.setWriteLead(100us);
    radio.read(kEscape, 0ms);
    radio.runUntil(10ms);

    radio.read(bytes({0xCC, 0x08, 0x00}), 10ms);
    auto written = radio.runUntil(20ms);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].writeAt, 10ms + LinePacer(57600).duration(5) - 100us);

    // A one-byte reply takes 173.6 us on the line; a lead larger than that still does
    // not let it out before the command is complete.
    radio.queue.setWriteLead(500us);
    radio.read(bytes({0xCC, 0x65}), 30ms);
    written = radio.runUntil(40ms);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].bytes, bytes({0x65}));
    EXPECT_EQ(written[0].writeAt, 30ms + LinePacer(57600).duration(2));
}

TEST(PacedExchange, UnpacedRepliesAreWrittenWhenTheCommandIsRead) {
    PacedRadio radio(0);
    radio.read(kEscape, 3ms);
    const auto written = radio.runUntil(3ms);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].writeAt, Nanos(3ms));
}

// Every chunk written must be either a whole reply or a whole record.
void expectWholeUnits(const std::vector<Chunk>& written, const std::vector<Bytes>& replies) {
    std::size_t replyIndex = 0;
    for (const Chunk& chunk : written) {
        if (replyIndex < replies.size() && chunk.bytes == replies[replyIndex]) {
            ++replyIndex;
            continue;
        }
        ASSERT_EQ(chunk.bytes.size(), 4u) << "neither a reply nor a whole report";
        EXPECT_EQ(chunk.bytes[0], 0xCC);
        EXPECT_LT(chunk.bytes[1], 50);
    }
    EXPECT_EQ(replyIndex, replies.size()) << "a reply went missing or was split";
}

TEST(StreamAndReplies, ReplyWaitsForTheReportOnTheLine) {
    RadioConfig config = testConfig();
    config.reportRate = 200;
    PacedRadio radio(9600, config); // a report takes 4.17 ms on the line
    radio.read(kEscape, 0ms);
    radio.read(bytes({0xCC, 0x8F, 0x01}), 20ms);
    // The stream starts at 23.125 ms; the first report is due 5 ms later and occupies
    // the line until 32.29 ms. This command is complete at 30.58 ms, in the middle.
    radio.runUntil(28500us);
    radio.read(bytes({0xCC, 0x11}), 28500us);
    const Bytes reply = bytes({0xCC, 0x12, 0x34, 0x56});
    const auto written = radio.runUntil(60ms);
    expectWholeUnits(written, {reply});

    bool found = false;
    for (std::size_t i = 1; i < written.size(); ++i) {
        if (written[i].bytes == reply) {
            found = true;
            // Straight after the report, back to back.
            EXPECT_EQ(written[i].writeAt, written[i - 1].writeAt + LinePacer(9600).duration(4));
            EXPECT_EQ(written[i - 1].writeAt, 28125us + LinePacer(9600).duration(4));
        }
    }
    EXPECT_TRUE(found);
}

TEST(StreamAndReplies, ManyRepliesDuringAFastStreamStayWhole) {
    RadioConfig config = testConfig();
    config.reportRate = 1000;
    PacedRadio radio(57600, config);
    radio.read(kEscape, 0ms);
    radio.read(bytes({0xCC, 0x8F, 0x01}), 5ms);
    std::vector<Bytes> replies{concat(bytes({0xCC}), text("COM")), bytes({0xCC, 0x01})};
    for (int i = 0; i < 40; ++i) {
        radio.read(bytes({0xCC, 0x0A, 0x20}), 10ms + Nanos(1700us) * i);
        replies.push_back(bytes({0xCC, 0x02}));
    }
    expectWholeUnits(radio.runUntil(200ms), replies);
}

TEST(StreamAndReplies, SplitReplyIsNotInterruptedByReports) {
    RadioConfig config = testConfig();
    config.reportRate = 1000;
    PacedRadio radio(0, config);
    radio.read(kEscape, 0ms);
    radio.read(bytes({0xCC, 0x8F, 0x01}), 1ms);
    radio.runUntil(5ms);
    radio.faults.scripted().split = 4;
    radio.read(bytes({0xCC, 0x11}), 5ms + 500us);
    const auto written = radio.runUntil(30ms);

    std::size_t first = 0;
    while (first < written.size() && written[first].bytes.size() == 4) {
        ++first;
    }
    ASSERT_LT(first + 4, written.size());
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(written[first + i].bytes.size(), 1u);
        EXPECT_EQ(written[first + i].writeAt,
                  5ms + 500us + FaultInjector::kSplitGap * static_cast<int>(i));
    }
    EXPECT_EQ(written[first].bytes[0], 0xCC);
    EXPECT_EQ(written[first + 3].bytes[0], 0x56);
    EXPECT_EQ(written[first + 4].bytes.size(), 4u);
}

TEST(StreamAndReplies, LateReplyLetsTheStreamGoOn) {
    RadioConfig config = testConfig();
    PacedRadio radio(0, config);
    radio.read(kEscape, 0ms);
    radio.read(bytes({0xCC, 0x8F, 0x01}), 1ms);
    radio.runUntil(2ms);
    radio.faults.scripted().late = 100ms;
    radio.read(bytes({0xCC, 0x11}), 2ms);
    const auto written = radio.runUntil(200ms);
    int reportsBeforeReply = 0;
    for (const Chunk& chunk : written) {
        if (chunk.bytes == bytes({0xCC, 0x12, 0x34, 0x56})) {
            EXPECT_EQ(chunk.writeAt, Nanos(102ms));
            break;
        }
        ++reportsBeforeReply;
    }
    EXPECT_EQ(reportsBeforeReply, 10);
}

TEST(StreamAndReplies, LineTooSlowForTheStreamDropsReports) {
    PacedRadio radio(1200); // 120 bytes/s cannot carry 100 reports/s
    radio.read(kEscape, 0ms);
    radio.read(bytes({0xCC, 0x8F, 0x01}), 100ms);
    const auto written = radio.runUntil(10s);
    // 4 + 2 bytes of replies plus at most 10 s of line time worth of reports.
    EXPECT_LE(written.size(), 2u + 1200u * 10 / 10 / 4);
    EXPECT_GE(written.size(), 250u);
    EXPECT_GT(radio.queue.droppedRecords(), 500u);
}

TEST(StreamAndReplies, ClearForgetsEverythingInFlight) {
    PacedRadio radio(57600);
    radio.read(kEscape, 0ms);
    radio.runUntil(1500us); // the answer is on the line, not yet at the host
    EXPECT_FALSE(radio.queue.empty());
    radio.queue.clear();
    EXPECT_TRUE(radio.queue.empty());
    EXPECT_EQ(radio.queue.nextEvent(), kNever);
}

} // namespace
} // namespace rm7700emu::test
