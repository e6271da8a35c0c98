// What the radio streams on its own: bin reports (hop pattern, RSSI profile, rate)
// and acquisition-mode records; and what it measures for the spectrum analyzer.
#include "radio_test_support.h"

#include "hop_profile.h"
#include "spectrum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

namespace rm7700emu::test {
namespace {

std::vector<Emission> startStream(RadioUnderTest& radio, int command) {
    radio.send(kEscape);
    for (std::uint8_t b : bytes({0xCC, command, 0x01})) {
        radio.model.receive(b, radio.now);
    }
    return radio.model.takeOutput();
}

// --- Bin reports -----------------------------------------------------------------------

TEST(BinReports, AnswerComesFirstThenReportsAtTheReportRate) {
    RadioUnderTest radio;
    const auto start = startStream(radio, 0x8F);
    ASSERT_EQ(start.size(), 1u);
    EXPECT_EQ(start[0].bytes, bytes({0xCC, 0x01}));

    const auto emissions = radio.wait(1s);
    ASSERT_EQ(emissions.size(), 100u); // default 100 reports a second
    for (std::size_t i = 0; i < emissions.size(); ++i) {
        EXPECT_EQ(emissions[i].kind, Emission::Kind::Stream);
        EXPECT_EQ(emissions[i].at, Nanos(10ms) * static_cast<int>(i + 1));
        ASSERT_EQ(emissions[i].bytes.size(), 4u);
        EXPECT_EQ(emissions[i].bytes[0], 0xCC);
        EXPECT_LT(emissions[i].bytes[1], 50);
    }
}

TEST(BinReports, HopPatternVisitsEveryBinOncePerCycle) {
    RadioUnderTest radio;
    startStream(radio, 0x8F);
    const auto reports = RadioUnderTest::records(radio.wait(1s));
    ASSERT_EQ(reports.size(), 100u);
    std::set<int> firstCycle;
    for (int i = 0; i < 50; ++i) {
        firstCycle.insert(reports[i][1]);
        EXPECT_EQ(reports[i][1], reports[i + 50][1]) << "the pattern repeats";
    }
    EXPECT_EQ(firstCycle.size(), 50u);
    // Not simply counting up: it hops.
    int ascending = 0;
    for (int i = 1; i < 50; ++i) {
        ascending += reports[i][1] == reports[i - 1][1] + 1;
    }
    EXPECT_LT(ascending, 10);
}

TEST(BinReports, PatternFollowsTheSeed) {
    auto firstHops = [](std::uint64_t seed) {
        HopProfile profile(seed);
        std::vector<int> hops;
        for (int i = 0; i < 50; ++i) {
            hops.push_back(profile.binAt(i));
        }
        return hops;
    };
    EXPECT_EQ(firstHops(7), firstHops(7));
    EXPECT_NE(firstHops(7), firstHops(8));
}

TEST(BinReports, LevelsShowGoodMarginalBadAndMissedBins) {
    RadioConfig config = testConfig();
    config.reportRate = 1000;
    RadioUnderTest radio(config);
    startStream(radio, 0x8F);
    // 20 readings of every bin.
    const auto reports = RadioUnderTest::records(radio.wait(1s));
    ASSERT_EQ(reports.size(), 1000u);

    std::map<int, std::vector<std::array<int, 2>>> byBin;
    for (const Bytes& r : reports) {
        byBin[r[1]].push_back({r[2], r[3]});
    }
    ASSERT_EQ(byBin.size(), 50u);

    std::map<BinQuality, int> binsOfQuality;
    bool sidesDiffer = false;
    for (const auto& [bin, readings] : byBin) {
        const BinQuality quality = radio.model.hopProfile().quality(bin);
        ++binsOfQuality[quality];
        int missed = 0;
        for (const auto& reading : readings) {
            for (int side = 0; side < 2; ++side) {
                if (reading[side] == 255) {
                    ++missed;
                    continue;
                }
                // The host's conversion of an RSSI byte.
                const double dbm = (256 - reading[side]) * 0.22 - 105;
                switch (quality) {
                case BinQuality::Good:
                    EXPECT_GE(dbm, -80.0) << "bin " << bin;
                    EXPECT_LE(dbm, -60.0) << "bin " << bin;
                    break;
                case BinQuality::Marginal:
                    EXPECT_GE(dbm, -92.0) << "bin " << bin;
                    EXPECT_LE(dbm, -82.0) << "bin " << bin;
                    break;
                case BinQuality::Bad:
                case BinQuality::UsuallyMissed:
                    EXPECT_LT(dbm, -95.0) << "bin " << bin;
                    break;
                }
            }
            sidesDiffer = sidesDiffer || reading[0] != reading[1];
        }
        if (quality == BinQuality::UsuallyMissed) {
            EXPECT_GE(missed, 30) << "bin " << bin << " should mostly be missed";
        } else {
            EXPECT_EQ(missed, 0) << "bin " << bin;
        }
    }
    EXPECT_EQ(binsOfQuality[BinQuality::UsuallyMissed], HopProfile::kUsuallyMissedBins);
    EXPECT_EQ(binsOfQuality[BinQuality::Bad], HopProfile::kBadBins);
    EXPECT_EQ(binsOfQuality[BinQuality::Marginal], HopProfile::kMarginalBins);
    EXPECT_GT(binsOfQuality[BinQuality::Good], 30);
    EXPECT_TRUE(sidesDiffer);
}

TEST(BinReports, EverythingIsMissedWithoutSync) {
    RadioUnderTest radio;
    startStream(radio, 0x8F);
    radio.model.forceSync(false);
    for (const Bytes& r : RadioUnderTest::records(radio.wait(500ms))) {
        EXPECT_EQ(r[2], 255);
        EXPECT_EQ(r[3], 255);
    }
}

TEST(BinReports, RateCanBeChangedWhileStreaming) {
    RadioUnderTest radio;
    startStream(radio, 0x8F);
    radio.wait(100ms);
    radio.model.setReportRate(20, radio.now);
    EXPECT_EQ(RadioUnderTest::records(radio.wait(1s)).size(), 20u);
    radio.model.setReportRate(0, radio.now);
    EXPECT_TRUE(radio.wait(1s).empty());
}

TEST(BinReports, StopEndsTheStreamAfterTheAnswer) {
    RadioUnderTest radio;
    startStream(radio, 0x8F);
    radio.wait(55ms);
    EXPECT_EQ(radio.send(bytes({0xCC, 0x8F, 0x00})), bytes({0xCC, 0x00}));
    EXPECT_TRUE(radio.wait(1s).empty());
}

TEST(BinReports, StalledProcessDoesNotBurstOutABacklog) {
    RadioUnderTest radio;
    startStream(radio, 0x8F);
    // As if the emulator had been stopped for a minute: the radio sent those reports
    // to nobody, it does not send 6000 at once now.
    EXPECT_LE(radio.wait(60s).size(), 101u);
}

// --- Acquisition mode --------------------------------------------------------------------

TEST(Acquisition, CyclesThroughTheRemoteRadiosAtTwentyRecordsASecond) {
    RadioUnderTest radio;
    ASSERT_EQ(RadioUnderTest::replies(startStream(radio, 0x8E)), bytes({0xCC, 0x01}));
    const auto records = RadioUnderTest::records(radio.wait(1s));
    ASSERT_EQ(records.size(), 20u);

    // Default radios: 0A1BFF server channel 10, 2B3C4D and 5E6F01 clients on channel 10.
    const Bytes expected[] = {
        bytes({0xCC, 0x0A, 0x0A, 0x1B, 0xFF}), bytes({0xCC, 0x8A, 0x2B, 0x3C, 0x4D}),
        bytes({0xCC, 0x8A, 0x5E, 0x6F, 0x01}), bytes({0x87, 0x00, 0x00, 0x0A, 0x1B, 0xFF}),
        bytes({0xCC, 0x8A, 0x2B, 0x3C, 0x4D}), bytes({0xCC, 0x8A, 0x5E, 0x6F, 0x01}),
        bytes({0xCC, 0x0A, 0x0A, 0x1B, 0xFF}), bytes({0x87, 0x00, 0x00, 0x2B, 0x3C, 0x4D}),
    };
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(records[i], expected[i]) << "record " << i;
    }
}

TEST(Acquisition, RoleBitAndChannelOfConfiguredRadios) {
    RadioConfig config = testConfig();
    config.radios = {{{0x01, 0x02, 0x03}, true, 63}, {{0xA0, 0xB0, 0xC0}, false, 0}};
    RadioUnderTest radio(config);
    startStream(radio, 0x8E);
    const auto records = RadioUnderTest::records(radio.wait(150ms));
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0], bytes({0xCC, 0xBF, 0x01, 0x02, 0x03}));
    EXPECT_EQ(records[1], bytes({0xCC, 0x00, 0xA0, 0xB0, 0xC0}));
}

TEST(Acquisition, NobodyIsHeardWithoutSync) {
    RadioConfig config = testConfig();
    config.syncDelay = 2s;
    RadioUnderTest radio(config);
    startStream(radio, 0x8E);
    EXPECT_TRUE(radio.wait(1900ms).empty());
    EXPECT_FALSE(radio.wait(200ms).empty());
}

// --- Spectrum ---------------------------------------------------------------------------

TEST(Spectrum, DetectorCurveMatchesTheHostsConversion) {
    // v = (dB + 51) / -44, raw = v / 3.3 * 1023.
    EXPECT_EQ(Spectrum::rawFromDb(-51.0), 0);
    EXPECT_EQ(Spectrum::rawFromDb(-73.0), 155); // 0.5 V
    EXPECT_EQ(Spectrum::rawFromDb(-100.0), 345);
    EXPECT_EQ(Spectrum::rawFromDb(-196.2), 1023); // 3.3 V
    EXPECT_EQ(Spectrum::rawFromDb(-30.0), 0);     // stronger than the detector can show
    EXPECT_EQ(Spectrum::rawFromDb(-250.0), 1023);
}

TEST(Spectrum, CarriersRiseOutOfTheNoiseFloor) {
    const Spectrum spectrum({-100.0, {{12, -55.0}, {33, -70.0}}}, 1);
    EXPECT_NEAR(spectrum.levelDb(12), -55.0, 0.01);
    EXPECT_NEAR(spectrum.levelDb(11), -67.0, 0.01);
    EXPECT_NEAR(spectrum.levelDb(14), -79.0, 0.05);
    EXPECT_NEAR(spectrum.levelDb(33), -70.0, 0.01);
    EXPECT_NEAR(spectrum.levelDb(0), -100.0, 0.01);
    EXPECT_NEAR(spectrum.levelDb(22), -100.0, 0.01);
    EXPECT_NEAR(spectrum.levelDb(100), -100.0, 0.01);
}

TEST(Spectrum, ReadingsJitterAroundTheTrueLevel) {
    Spectrum spectrum({-90.0, {}}, 3);
    std::set<int> distinct;
    for (int i = 0; i < 200; ++i) {
        const int raw = spectrum.measure(5);
        distinct.insert(raw);
        const double level = raw / 1023.0 * 3.3 * -44.0 - 51.0;
        EXPECT_NEAR(level, -90.0, 1.5 + 0.15);
    }
    EXPECT_GT(distinct.size(), 5u);
}

} // namespace
} // namespace rm7700emu::test
