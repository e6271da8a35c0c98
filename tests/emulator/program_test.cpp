// The real rm7700-emu program, driven through its pseudo-terminal, its TCP port and
// its control channel with nothing but POSIX calls.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<unsigned char>;

const Bytes kEscape{'A', 'T', '+', '+', '+', '\r'};
const Bytes kCom{0xCC, 'C', 'O', 'M'};

// One rm7700-emu child process with its stdin and stdout on pipes.
class Emulator {
public:
    ~Emulator() {
        if (pid_ <= 0) {
            return;
        }
        ::close(toChild_); // --exit-on-eof: this alone ends it
        for (int i = 0; i < 200 && !exited(); ++i) {
            std::this_thread::sleep_for(10ms);
        }
        if (!exited()) {
            ::kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        ::close(fromChild_);
    }

    bool start(std::vector<std::string> args) {
        args.insert(args.begin(), {RM7700_EMU_PATH, "--exit-on-eof", "--sync-delay", "0"});
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0) {
            return false;
        }
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], STDIN_FILENO);
            dup2(out[1], STDOUT_FILENO);
            ::close(in[0]);
            ::close(in[1]);
            ::close(out[0]);
            ::close(out[1]);
            std::vector<char*> argv;
            for (std::string& a : args) {
                argv.push_back(a.data());
            }
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        toChild_ = in[1];
        fromChild_ = out[0];
        endpoint = readLine(5s);
        return !endpoint.empty();
    }

    std::string readLine(std::chrono::milliseconds timeout) {
        const auto deadline = Clock::now() + timeout;
        for (;;) {
            if (const auto newline = buffer_.find('\n'); newline != std::string::npos) {
                std::string line = buffer_.substr(0, newline);
                buffer_.erase(0, newline + 1);
                return line;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            pollfd p{fromChild_, POLLIN, 0};
            if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) {
                return {};
            }
            char chunk[512];
            const ssize_t n = ::read(fromChild_, chunk, sizeof chunk);
            if (n <= 0) {
                return {};
            }
            buffer_.append(chunk, static_cast<std::size_t>(n));
        }
    }

    std::string command(const std::string& line) {
        const std::string text = line + "\n";
        if (::write(toChild_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
            return {};
        }
        return readLine(5s);
    }

    // Exit status once the process has ended, -1 while it runs.
    int exitStatus() {
        if (status_ < 0) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
        }
        return status_;
    }
    bool exited() { return exitStatus() >= 0; }
    pid_t pid() const { return pid_; }
    void closeStdin() {
        ::close(toChild_);
        toChild_ = -1;
    }

    std::string endpoint;

private:
    pid_t pid_ = -1;
    int toChild_ = -1;
    int fromChild_ = -1;
    int status_ = -1;
    std::string buffer_;
};

int openPort(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    if (fd >= 0) {
        termios tio{};
        tcgetattr(fd, &tio);
        cfmakeraw(&tio);
        tcsetattr(fd, TCSANOW, &tio);
    }
    return fd;
}

int connectTo(const std::string& endpoint) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port =
        htons(static_cast<std::uint16_t>(std::stoi(endpoint.substr(endpoint.find(':') + 1))));
    inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

// Reads until `count` bytes came or `timeout` passed; returns what came.
Bytes readBytes(int fd, std::size_t count, std::chrono::milliseconds timeout) {
    Bytes out;
    const auto deadline = Clock::now() + timeout;
    while (out.size() < count) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            break;
        }
        unsigned char chunk[256];
        const ssize_t n = ::read(fd, chunk, std::min(sizeof chunk, count - out.size()));
        if (n <= 0) {
            break;
        }
        out.insert(out.end(), chunk, chunk + n);
    }
    return out;
}

bool writeBytes(int fd, const Bytes& bytes) {
    return ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

TEST(Program, AnswersOverAPseudoTerminal) {
    Emulator emu;
    ASSERT_TRUE(emu.start({}));
    EXPECT_EQ(emu.endpoint.rfind("/dev/pts/", 0), 0u) << emu.endpoint;

    int fd = openPort(emu.endpoint);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(writeBytes(fd, kEscape));
    EXPECT_EQ(readBytes(fd, 4, 1s), kCom);

    // The host may close the port and open it again: no hang-up, the radio is still there.
    ::close(fd);
    fd = openPort(emu.endpoint);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(writeBytes(fd, {0xCC, 0x11}));
    EXPECT_EQ(readBytes(fd, 4, 1s), (Bytes{0xCC, 0x12, 0x34, 0x56}));

    EXPECT_EQ(emu.command("rx"), "ok 41 54 2B 2B 2B 0D CC 11");
    EXPECT_EQ(emu.command("rx"), "ok");
    EXPECT_EQ(emu.command("tx"), "ok CC 43 4F 4D CC 12 34 56");
    EXPECT_EQ(emu.command("state"), "ok mode=1 own=123456 dest=FFFFFF option=02 sync=1 point=0");
    EXPECT_EQ(emu.command("path"), "ok " + emu.endpoint);
    EXPECT_EQ(emu.command("nonsense").rfind("error ", 0), 0u);

    ASSERT_EQ(emu.command("inject CC 05 FF 00"), "ok");
    EXPECT_EQ(readBytes(fd, 4, 1s), (Bytes{0xCC, 0x05, 0xFF, 0x00}));

    ASSERT_EQ(emu.command("silent 1"), "ok");
    ASSERT_TRUE(writeBytes(fd, {0xCC, 0x11}));
    EXPECT_TRUE(readBytes(fd, 1, 300ms).empty());
    EXPECT_EQ(emu.command("rx"), "ok CC 11");
    ::close(fd);

    EXPECT_EQ(emu.command("quit"), "ok");
    for (int i = 0; i < 200 && !emu.exited(); ++i) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_EQ(emu.exitStatus(), 0);
}

TEST(Program, ServesOneTcpClientAtATime) {
    Emulator emu;
    ASSERT_TRUE(emu.start({"--tcp", "0"}));
    ASSERT_EQ(emu.endpoint.rfind("127.0.0.1:", 0), 0u) << emu.endpoint;

    const int first = connectTo(emu.endpoint);
    ASSERT_GE(first, 0);
    ASSERT_TRUE(writeBytes(first, kEscape));
    EXPECT_EQ(readBytes(first, 4, 1s), kCom);

    // A second host is turned away at once...
    const int second = connectTo(emu.endpoint);
    ASSERT_GE(second, 0);
    unsigned char byte;
    pollfd p{second, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 1000), 1);
    EXPECT_EQ(::read(second, &byte, 1), 0);
    ::close(second);
    // ... and the first one is still served.
    ASSERT_TRUE(writeBytes(first, {0xCC, 0x11}));
    EXPECT_EQ(readBytes(first, 4, 1s), (Bytes{0xCC, 0x12, 0x34, 0x56}));

    // When the first host leaves, the next one gets the radio, still in AT command mode.
    ::close(first);
    std::this_thread::sleep_for(100ms);
    const int third = connectTo(emu.endpoint);
    ASSERT_GE(third, 0);
    ASSERT_TRUE(writeBytes(third, {0xCC, 0x0A, 0x20}));
    EXPECT_EQ(readBytes(third, 2, 1s), (Bytes{0xCC, 0x02}));

    // A dropped link disconnects the host and turns new ones away until it is back.
    ASSERT_EQ(emu.command("drop 300"), "ok");
    EXPECT_TRUE(readBytes(third, 1, 1s).empty());
    ::close(third);
    const int during = connectTo(emu.endpoint);
    ASSERT_GE(during, 0);
    EXPECT_TRUE(readBytes(during, 1, 1s).empty());
    ::close(during);
    std::this_thread::sleep_for(400ms);
    const int after = connectTo(emu.endpoint);
    ASSERT_GE(after, 0);
    ASSERT_TRUE(writeBytes(after, {0xCC, 0x11}));
    EXPECT_EQ(readBytes(after, 4, 1s), (Bytes{0xCC, 0x12, 0x34, 0x56}));
    ::close(after);
}

TEST(Program, LinkDropsAndComesBack) {
    const std::string link = "/tmp/rm7700-emu-test-" + std::to_string(getpid());
    Emulator emu;
    ASSERT_TRUE(emu.start({"--link", link}));
    char target[256] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(emu.endpoint, target);

    const int fd = openPort(link);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(emu.command("drop 500"), "ok");
    // The host's port fails, as with an adapter pulled out.
    unsigned char buffer[16];
    pollfd p{fd, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 1000), 1);
    EXPECT_LE(::read(fd, buffer, sizeof buffer), 0);
    ::close(fd);
    EXPECT_EQ(emu.command("path").rfind("error", 0), 0u);

    // Half a second later there is a new pseudo-terminal and the link points at it.
    std::string path;
    for (int i = 0; i < 100 && path.empty(); ++i) {
        std::this_thread::sleep_for(20ms);
        const std::string reply = emu.command("path");
        if (reply.rfind("ok ", 0) == 0) {
            path = reply.substr(3);
        }
    }
    ASSERT_FALSE(path.empty());
    std::fill(std::begin(target), std::end(target), '\0');
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(path, target);

    const int again = openPort(link);
    ASSERT_GE(again, 0);
    ASSERT_TRUE(writeBytes(again, {0xCC, 0x11})); // still in the mode it was: normal
    EXPECT_TRUE(readBytes(again, 1, 200ms).empty());
    ASSERT_TRUE(writeBytes(again, kEscape));
    EXPECT_EQ(readBytes(again, 4, 1s), kCom);
    ::close(again);

    // A termination signal ends the emulator cleanly and takes the link away.
    ASSERT_EQ(::kill(emu.pid(), SIGTERM), 0);
    for (int i = 0; i < 200 && !emu.exited(); ++i) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_EQ(emu.exitStatus(), 0);
    struct stat st {};
    EXPECT_NE(lstat(link.c_str(), &st), 0);
}

TEST(Program, PacedExchangeTakesTheLineTime) {
    // At 9600 baud a byte takes 1.04 ms: 3 bytes of command and 2 of answer, 5.2 ms.
    Emulator emu;
    ASSERT_TRUE(emu.start({"--baud", "9600"}));
    const int fd = openPort(emu.endpoint);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(writeBytes(fd, kEscape));
    ASSERT_EQ(readBytes(fd, 4, 1s), kCom);

    std::vector<double> trips;
    for (int i = 0; i < 9; ++i) {
        const auto start = Clock::now();
        ASSERT_TRUE(writeBytes(fd, {0xCC, 0x08, static_cast<unsigned char>(i & 1)}));
        ASSERT_EQ(readBytes(fd, 2, 1s).size(), 2u);
        trips.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        std::this_thread::sleep_for(5ms);
    }
    std::sort(trips.begin(), trips.end());
    const double median = trips[trips.size() / 2];
    EXPECT_GT(median, 5.2 - 0.5);
    EXPECT_LT(median, 5.2 + 3.0);
    ::close(fd);
}

TEST(Program, EndsWithItsStandardInput) {
    Emulator emu;
    ASSERT_TRUE(emu.start({}));
    emu.closeStdin();
    for (int i = 0; i < 200 && !emu.exited(); ++i) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_EQ(emu.exitStatus(), 0);
}

} // namespace
