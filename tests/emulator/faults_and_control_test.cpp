// Fault injection, the command line and the control channel.
#include "radio_test_support.h"

#include "control_channel.h"
#include "fault_injector.h"
#include "hex.h"
#include "options.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <map>
#include <unistd.h>

namespace rm7700emu::test {
namespace {

// --- Fault injection ------------------------------------------------------------------

TEST(Faults, NoneByDefault) {
    FaultInjector faults(0.0, 1);
    for (int i = 0; i < 1000; ++i) {
        const auto pieces = faults.shape(bytes({0xCC, 0x01}), 5ms);
        ASSERT_EQ(pieces.size(), 1u);
        EXPECT_EQ(pieces[0].bytes, bytes({0xCC, 0x01}));
        EXPECT_EQ(pieces[0].readyAt, Nanos(5ms));
    }
    EXPECT_EQ(faults.nextLinkDrop(0ms), kNever);
}

TEST(Faults, ScriptedGarbageSplitAndLateCombine) {
    FaultInjector faults(0.0, 1);
    faults.scripted() = {200ms, 3, 5};
    const Bytes reply = bytes({0xCC, 0x12, 0x34, 0x56});
    const auto pieces = faults.shape(reply, 1s);
    ASSERT_EQ(pieces.size(), 3u);
    Bytes all;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        EXPECT_EQ(pieces[i].readyAt, 1s + 200ms + FaultInjector::kSplitGap * static_cast<int>(i));
        all = concat(all, pieces[i].bytes);
    }
    ASSERT_EQ(all.size(), 9u);
    EXPECT_EQ(Bytes(all.end() - 4, all.end()), reply);
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(FaultInjector::isSafeGarbage(all[i]));
    }
}

TEST(Faults, SplitNeverMakesEmptyPieces) {
    FaultInjector faults(0.0, 1);
    faults.scripted().split = 10;
    const auto pieces = faults.shape(bytes({0x65}), 0ms);
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(pieces[0].bytes, bytes({0x65}));
}

TEST(Faults, GarbageNeverLooksLikeTheStartOfAnAnswer) {
    FaultInjector faults(0.0, 99);
    const Bytes junk = faults.garbage(20000);
    ASSERT_EQ(junk.size(), 20000u);
    std::map<int, int> seen;
    for (std::uint8_t b : junk) {
        ++seen[b];
    }
    for (int forbidden : {0xCC, 0x87, 0x21, 0x65, 0x56}) {
        EXPECT_EQ(seen.count(forbidden), 0u) << forbidden;
    }
    EXPECT_EQ(seen.size(), 251u);
}

TEST(Faults, RandomFaultsComeInFourKinds) {
    FaultInjector faults(1.0, 5);
    const Bytes reply = bytes({0xCC, 0x00, 0x00});
    int lost = 0, late = 0, split = 0, noisy = 0;
    for (int i = 0; i < 2000; ++i) {
        const auto pieces = faults.shape(reply, 0ms);
        if (pieces.empty()) {
            ++lost;
        } else if (pieces[0].readyAt == FaultInjector::kRandomLate) {
            ++late;
            EXPECT_EQ(pieces[0].bytes, reply);
        } else if (pieces.size() > 1) {
            ++split;
            EXPECT_LE(pieces.size(), 3u); // 2-4 pieces, but never more than the bytes
            EXPECT_GT(pieces[1].readyAt, Nanos(0));
            EXPECT_LT(pieces[1].readyAt, 10ms);
        } else {
            ++noisy;
            ASSERT_GT(pieces[0].bytes.size(), reply.size());
            EXPECT_EQ(Bytes(pieces[0].bytes.end() - 3, pieces[0].bytes.end()), reply);
        }
    }
    for (int count : {lost, late, split, noisy}) {
        EXPECT_GT(count, 400);
        EXPECT_LT(count, 600);
    }
}

TEST(Faults, RandomFaultRateIsAProbability) {
    FaultInjector faults(0.1, 5);
    int faulty = 0;
    for (int i = 0; i < 10000; ++i) {
        const auto pieces = faults.shape(bytes({0xCC, 0x01}), 0ms);
        faulty +=
            pieces.size() != 1 || pieces[0].readyAt != Nanos(0) || pieces[0].bytes.size() != 2;
    }
    EXPECT_GT(faulty, 850);
    EXPECT_LT(faulty, 1150);
}

TEST(Faults, LinkDropsAboutOnceAMinute) {
    FaultInjector faults(0.05, 11);
    Nanos total{0};
    constexpr int kDrops = 2000;
    for (int i = 0; i < kDrops; ++i) {
        const Nanos gap = faults.nextLinkDrop(0ms);
        ASSERT_GT(gap, Nanos(0));
        total += gap;
    }
    const double meanSeconds = std::chrono::duration<double>(total).count() / kDrops;
    EXPECT_NEAR(meanSeconds, 60.0, 5.0);
}

// --- Command line ------------------------------------------------------------------------

ParsedOptions parse(std::vector<const char*> args) {
    args.insert(args.begin(), "rm7700-emu");
    return parseOptions(static_cast<int>(args.size()), args.data());
}

TEST(CommandLine, Defaults) {
    const auto parsed = parse({});
    ASSERT_TRUE(parsed.options) << parsed.error;
    const Options& o = *parsed.options;
    EXPECT_FALSE(o.tcpPort);
    EXPECT_EQ(o.baud, 0u);
    EXPECT_FALSE(o.exitOnEof);
    EXPECT_EQ(o.radio.ownAddress, (Address{0x12, 0x34, 0x56}));
    EXPECT_EQ(o.radio.destination, (Address{0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(o.radio.optionByte, 2);
    EXPECT_EQ(o.radio.syncDelay, Nanos(2s));
    EXPECT_EQ(o.radio.reportRate, 100.0);
    EXPECT_EQ(o.radio.seed, 1u);
    EXPECT_EQ(o.radio.spectrum.noiseFloorDb, -100.0);
    ASSERT_EQ(o.radio.radios.size(), 3u);
    bool client = false, server = false;
    for (const RemoteRadio& r : o.radio.radios) {
        (r.client ? client : server) = true;
    }
    EXPECT_TRUE(client && server);
    EXPECT_EQ(o.radio.spectrum.carriers.size(), 2u);
}

TEST(CommandLine, EveryOption) {
    const auto parsed = parse({"--link",
                               "/tmp/radio",
                               "--baud=57600",
                               "--verbose",
                               "--exit-on-eof",
                               "--fault-rate",
                               "0.25",
                               "--sync-delay",
                               "0",
                               "--report-rate",
                               "50",
                               "--address",
                               "0a0b0c",
                               "--destination",
                               "A1B2C3",
                               "--option-byte",
                               "0x83",
                               "--radio",
                               "0A1BFF,server,10",
                               "--radio",
                               "010203,client,63",
                               "--noise-floor",
                               "-95.5",
                               "--carrier",
                               "7,-60",
                               "--seed",
                               "42",
                               "--write-lead",
                               "80"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    const Options& o = *parsed.options;
    EXPECT_EQ(o.linkPath, "/tmp/radio");
    EXPECT_EQ(o.baud, 57600u);
    EXPECT_TRUE(o.verbose);
    EXPECT_TRUE(o.exitOnEof);
    EXPECT_EQ(o.faultRate, 0.25);
    EXPECT_EQ(o.radio.syncDelay, Nanos(0));
    EXPECT_EQ(o.radio.reportRate, 50.0);
    EXPECT_EQ(o.radio.ownAddress, (Address{0x0A, 0x0B, 0x0C}));
    EXPECT_EQ(o.radio.destination, (Address{0xA1, 0xB2, 0xC3}));
    EXPECT_EQ(o.radio.optionByte, 0x83);
    ASSERT_EQ(o.radio.radios.size(), 2u); // given radios replace the default ones
    EXPECT_TRUE(o.radio.radios[1].client);
    EXPECT_EQ(o.radio.radios[1].channel, 63);
    EXPECT_EQ(o.radio.spectrum.noiseFloorDb, -95.5);
    ASSERT_EQ(o.radio.spectrum.carriers.size(), 1u);
    EXPECT_EQ(o.radio.spectrum.carriers[0].point, 7);
    EXPECT_EQ(o.radio.seed, 42u);
    EXPECT_EQ(o.writeLeadUs, 80);
}

TEST(CommandLine, TcpPortZeroMeansAnyPort) {
    const auto parsed = parse({"--tcp", "0"});
    ASSERT_TRUE(parsed.options);
    EXPECT_EQ(parsed.options->tcpPort, 0);
}

TEST(CommandLine, MistakesAreExplained) {
    for (const auto& args : std::vector<std::vector<const char*>>{
             {"--bogus"},
             {"--baud"},
             {"--baud", "fast"},
             {"--fault-rate", "1.5"},
             {"--address", "12345"},
             {"--address", "12345G"},
             {"--radio", "0A1BFF,boss,10"},
             {"--radio", "0A1BFF,client,64"},
             {"--carrier", "12"},
             {"--tcp", "70000"},
             {"--tcp", "0", "--link", "/tmp/x"},
             {"--verbose=1"},
         }) {
        const auto parsed = parse(args);
        EXPECT_FALSE(parsed.options) << args[0];
        EXPECT_FALSE(parsed.error.empty()) << args[0];
    }
}

TEST(CommandLine, HelpListsEveryOptionAndControlCommand) {
    const std::string help = usageText();
    for (const char* word :
         {"--link",        "--tcp",        "--baud",        "--verbose", "--exit-on-eof",
          "--fault-rate",  "--sync-delay", "--report-rate", "--address", "--destination",
          "--option-byte", "--radio",      "--noise-floor", "--carrier", "--seed",
          "--help",        "--version",    "--write-lead",  "\n  rx",    "\n  tx",
          "\n  state",     "\n  silent",   "\n  late",      "\n  split", "\n  garbage",
          "\n  drop",      "\n  path",     "\n  sync",      "\n  rate",  "\n  inject",
          "\n  quit"}) {
        EXPECT_NE(help.find(word), std::string::npos) << word;
    }
}

// --- Control channel ---------------------------------------------------------------------

TEST(ControlChannel, CommandsAndTheirArguments) {
    using Kind = ControlCommand::Kind;
    const std::pair<const char*, Kind> simple[] = {{"rx", Kind::Rx},       {"tx", Kind::Tx},
                                                   {"state", Kind::State}, {"path", Kind::Path},
                                                   {"quit", Kind::Quit},   {"help", Kind::Help}};
    for (const auto& [line, kind] : simple) {
        const auto parsed = parseControlLine(line);
        ASSERT_TRUE(parsed.command) << line;
        EXPECT_EQ(parsed.command->kind, kind);
    }
    const auto late = parseControlLine("  late 1500 \r");
    ASSERT_TRUE(late.command);
    EXPECT_EQ(late.command->kind, Kind::Late);
    EXPECT_EQ(late.command->number, 1500);

    const auto rate = parseControlLine("rate 12.5");
    ASSERT_TRUE(rate.command);
    EXPECT_EQ(rate.command->number, 12.5);

    const auto inject = parseControlLine("inject CC 05 FF 00");
    ASSERT_TRUE(inject.command);
    EXPECT_EQ(inject.command->bytes, bytes({0xCC, 0x05, 0xFF, 0x00}));
    EXPECT_EQ(parseControlLine("inject cc05ff00").command->bytes, bytes({0xCC, 0x05, 0xFF, 0x00}));
}

TEST(ControlChannel, BadLinesGetAReason) {
    for (const char* line :
         {"", "frobnicate", "rx 1", "silent", "silent 2", "sync yes", "late -1", "split 0",
          "garbage 1.5", "drop x", "inject", "inject CC 5", "inject ZZ"}) {
        const auto parsed = parseControlLine(line);
        EXPECT_FALSE(parsed.command) << line;
        EXPECT_FALSE(parsed.error.empty()) << line;
    }
}

TEST(ControlChannel, LinesAreCollectedAcrossReads) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    LineReader reader;
    std::vector<std::string> lines;
    ASSERT_EQ(write(fds[1], "rx\r\nsta", 7), 7);
    EXPECT_EQ(reader.readFrom(fds[0], lines), LineReader::Status::Open);
    EXPECT_EQ(lines, std::vector<std::string>{"rx"});
    ASSERT_EQ(write(fds[1], "te\nquit", 7), 7);
    close(fds[1]);
    EXPECT_EQ(reader.readFrom(fds[0], lines), LineReader::Status::Open);
    EXPECT_EQ(reader.readFrom(fds[0], lines), LineReader::Status::EndOfFile);
    EXPECT_EQ(lines, (std::vector<std::string>{"rx", "state", "quit"}));
    close(fds[0]);
}

TEST(Hex, RoundTrip) {
    EXPECT_EQ(toHex(bytes({0xCC, 0x8E, 0x00})), "CC 8E 00");
    EXPECT_EQ(toHex(Bytes{}), "");
    EXPECT_EQ(parseHexBytes("CC 8e 00"), bytes({0xCC, 0x8E, 0x00}));
    EXPECT_EQ(addressText({0x0A, 0x1B, 0xFF}), "0A1BFF");
    EXPECT_EQ(parseAddress("0a1bff"), (Address{0x0A, 0x1B, 0xFF}));
}

} // namespace
} // namespace rm7700emu::test
