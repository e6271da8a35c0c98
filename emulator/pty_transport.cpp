#include "pty_transport.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <time.h>
#include <unistd.h>

namespace rm7700emu {

namespace {

bool makeRaw(int fd) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
        return false;
    }
    // Raw: all 256 byte values pass unchanged, no echo, no CR/LF translation, no
    // signals from control characters.
    cfmakeraw(&tio);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}

Nanos clockNow() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return Nanos(static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec);
}

// Waits for `count` bytes on a non-blocking descriptor; false after `timeoutMs` of
// silence.
bool readExactly(int fd, std::size_t count, int timeoutMs) {
    std::uint8_t buffer[16];
    std::size_t got = 0;
    while (got < count) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0) {
            return false;
        }
        const ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, count - got));
        if (n > 0) {
            got += static_cast<std::size_t>(n);
        }
    }
    return true;
}

std::string errorText(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

} // namespace

PtyTransport::PtyTransport(std::string linkPath) : linkPath_(std::move(linkPath)) {}

PtyTransport::~PtyTransport() {
    close();
}

bool PtyTransport::open(std::string& error) {
    closeFds();
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) {
        error = errorText("posix_openpt");
        return false;
    }
    char name[PATH_MAX];
    if (grantpt(master_) != 0 || unlockpt(master_) != 0 ||
        ptsname_r(master_, name, sizeof name) != 0) {
        error = errorText("pseudo-terminal set-up");
        closeFds();
        return false;
    }
    slavePath_ = name;
    // Keep a slave descriptor of our own open for the pty's whole life. Without it the
    // host closing the port would hang up the pty (the master then reports an error
    // until the slave is opened again); with it the host can close and reopen freely.
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave_ < 0) {
        error = errorText(name);
        closeFds();
        return false;
    }
    if (!makeRaw(master_) || !makeRaw(slave_)) {
        error = errorText("raw mode");
        closeFds();
        return false;
    }
    const int flags = fcntl(master_, F_GETFL);
    fcntl(master_, F_SETFL, flags | O_NONBLOCK);
    return pointLink(error);
}

Nanos PtyTransport::measureRoundTrip() {
    if (master_ < 0 || slave_ < 0) {
        return Nanos(0);
    }
    // A short ping-pong through the pty, with a helper thread on our own slave
    // descriptor in the host's place: a 3-byte command one way, a 2-byte answer back.
    // The kernel hands pty data over through a worker thread, so each direction costs
    // a couple of wake-ups, often on another processor; on a virtual machine that adds
    // up to tens of microseconds. Each trial starts from an idle machine, as a host
    // command does, and the median is robust against the odd scheduling hiccup.
    constexpr int kTrials = 31;
    std::thread echo([this] {
        for (int i = 0; i < kTrials; ++i) {
            const std::uint8_t answer[2] = {0, 0};
            if (!readExactly(slave_, 3, 200) ||
                ::write(slave_, answer, sizeof answer) != sizeof answer) {
                return;
            }
        }
    });
    std::vector<Nanos> trips;
    const std::uint8_t command[3] = {0, 0, 0};
    for (int i = 0; i < kTrials; ++i) {
        const timespec pause{0, 2'000'000};
        nanosleep(&pause, nullptr);
        const Nanos start = clockNow();
        if (::write(master_, command, sizeof command) != sizeof command ||
            !readExactly(master_, 2, 200)) {
            break;
        }
        trips.push_back(clockNow() - start);
    }
    echo.join();
    tcflush(slave_, TCIOFLUSH);
    tcflush(master_, TCIOFLUSH);
    if (trips.size() < kTrials) {
        return Nanos(0);
    }
    std::nth_element(trips.begin(), trips.begin() + kTrials / 2, trips.end());
    return trips[kTrials / 2];
}

void PtyTransport::addPollFds(std::vector<pollfd>& fds) const {
    if (master_ >= 0) {
        fds.push_back({master_, POLLIN, 0});
    }
}

std::string PtyTransport::service(const pollfd* fds, Bytes& received) {
    if (master_ < 0 || !(fds[0].revents & (POLLIN | POLLERR | POLLHUP))) {
        return {};
    }
    std::uint8_t buffer[4096];
    for (;;) {
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n > 0) {
            received.insert(received.end(), buffer, buffer + n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        break; // EAGAIN: all read. EIO cannot happen while our own slave is open.
    }
    return {};
}

std::size_t PtyTransport::write(const Bytes& bytes) {
    if (master_ < 0 || bytes.empty()) {
        return 0;
    }
    ssize_t n;
    do {
        n = ::write(master_, bytes.data(), bytes.size());
    } while (n < 0 && errno == EINTR);
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

void PtyTransport::drop() {
    // The symlink goes too: the pts number may soon belong to someone else's pty.
    removeLink();
    closeFds();
}

void PtyTransport::close() {
    removeLink();
    closeFds();
}

void PtyTransport::closeFds() {
    if (slave_ >= 0) {
        ::close(slave_);
        slave_ = -1;
    }
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
    }
}

bool PtyTransport::pointLink(std::string& error) {
    if (linkPath_.empty()) {
        return true;
    }
    // Build the new link beside the old one and rename it into place, so the path
    // never goes missing or points nowhere while it is replaced.
    const std::string temporary = linkPath_ + ".tmp" + std::to_string(getpid());
    ::unlink(temporary.c_str());
    if (::symlink(slavePath_.c_str(), temporary.c_str()) != 0) {
        error = errorText(temporary.c_str());
        return false;
    }
    if (::rename(temporary.c_str(), linkPath_.c_str()) != 0) {
        error = errorText(linkPath_.c_str());
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

void PtyTransport::removeLink() {
    if (linkPath_.empty() || slavePath_.empty()) {
        return;
    }
    // Only remove the link while it is still ours.
    char target[PATH_MAX];
    const ssize_t n = ::readlink(linkPath_.c_str(), target, sizeof target - 1);
    if (n > 0) {
        target[n] = '\0';
        if (slavePath_ == target) {
            ::unlink(linkPath_.c_str());
        }
    }
}

} // namespace rm7700emu
