// The bundled rm7700-emu as the suite's tests drive it: faults switched on through
// its control channel must really reach the line (a test of the suite's recovery
// passes for nothing if they do not), and a paced line really takes the line time. The suite's own
// tests check every answer the radio gives; these check what those tests take on trust.
#include "support/emulator_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;
using Bytes = std::vector<unsigned char>;

const Bytes kEscape{'A', 'T', '+', '+', '+', '\r'};
const Bytes kCom{0xCC, 'C', 'O', 'M'};
const Bytes kReadAddress{0xCC, 0x11};
const Bytes kAddress{0xCC, 0x12, 0x34, 0x56};

// The host's side of the pseudo-terminal, raw, as the suite opens it.
int openPort(const QString& path) {
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    if (fd >= 0) {
        termios tio{};
        tcgetattr(fd, &tio);
        cfmakeraw(&tio);
        tcsetattr(fd, TCSANOW, &tio);
    }
    return fd;
}

bool writeBytes(int fd, const Bytes& bytes) {
    return ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

// Reads until `count` bytes came or `timeout` passed; returns what came.
Bytes readBytes(int fd, std::size_t count, std::chrono::milliseconds timeout) {
    Bytes out;
    const auto deadline = Clock::now() + timeout;
    while (out.size() < count) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0)
            break;
        unsigned char chunk[256];
        const ssize_t n = ::read(fd, chunk, std::min(sizeof chunk, count - out.size()));
        if (n <= 0)
            break;
        out.insert(out.end(), chunk, chunk + n);
    }
    return out;
}

TEST(Emulator, FaultsFromTheControlChannelReachTheLine) {
    // Each row: the fault, then a command in AT command mode and what reaches the host.
    // Only lower bounds of time are asserted: a busy machine makes replies later, never
    // earlier.
    struct Case {
        const char* fault;
        Bytes send;
        Bytes reply;      // the last bytes that come
        std::size_t junk; // bytes before them
        double atLeastMs; // time from the command to the whole reply
        bool portFails = false;
    } const cases[] = {
        {"silent 1", kReadAddress, {}, 0, 0},
        {"garbage 3", kReadAddress, kAddress, 3, 0},
        {"split 3", kReadAddress, kAddress, 0, 2 * 3}, // pieces 3 ms apart
        {"late 400", kReadAddress, kAddress, 0, 400},
        {"sync 0", {0xCC, 0x00, 0x00}, {0xCC, 0x00, 0x02}, 0, 0}, // finding sync
        {"inject CC 05 FF 00", {}, {0xCC, 0x05, 0xFF, 0x00}, 0, 0},
        {"drop 300", kReadAddress, {}, 0, 0, true}, // as with an adapter pulled out
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.fault);
        EmulatorProcess emulator;
        ASSERT_TRUE(emulator.start());
        const int fd = openPort(emulator.devicePath());
        ASSERT_GE(fd, 0);
        ASSERT_TRUE(writeBytes(fd, kEscape));
        ASSERT_EQ(readBytes(fd, kCom.size(), 2s), kCom);

        ASSERT_EQ(emulator.command(QString::fromLatin1(row.fault)), QStringLiteral("ok"));
        const auto start = Clock::now();
        EXPECT_NE(writeBytes(fd, row.send), row.portFails);
        const Bytes came = readBytes(fd, row.junk + row.reply.size(), 1500ms);
        EXPECT_GE(Ms(Clock::now() - start).count(), row.atLeastMs);
        ASSERT_EQ(came.size(), row.junk + row.reply.size());
        EXPECT_EQ(Bytes(came.begin() + static_cast<long>(row.junk), came.end()), row.reply);
        EXPECT_TRUE(readBytes(fd, 1, 300ms).empty()); // and nothing more
        ::close(fd);
    }
}

TEST(Emulator, PacedLineTakesTheLineTimeBothWays) {
    // At 1200 baud a byte takes 8.33 ms: the 6 bytes of the escape sequence and the 4
    // of its answer at least 83 ms. Unpaced the answer comes within a millisecond.
    EmulatorProcess emulator;
    ASSERT_TRUE(emulator.start({QStringLiteral("--baud"), QStringLiteral("1200"),
                                QStringLiteral("--write-lead"), QStringLiteral("0")}));
    const int fd = openPort(emulator.devicePath());
    ASSERT_GE(fd, 0);
    const auto start = Clock::now();
    ASSERT_TRUE(writeBytes(fd, kEscape));
    EXPECT_EQ(readBytes(fd, kCom.size(), 2s), kCom);
    EXPECT_GE(Ms(Clock::now() - start).count(), 10 * 1000.0 / 120 - 0.5);
    ::close(fd);
}

} // namespace
