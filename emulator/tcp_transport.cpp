#include "tcp_transport.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <time.h>
#include <unistd.h>

namespace rm7700emu {

namespace {

Nanos clockNow() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return Nanos(static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec);
}

bool readExactly(int fd, std::size_t count, int timeoutMs) {
    std::uint8_t buffer[16];
    std::size_t got = 0;
    while (got < count) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0) {
            return false;
        }
        const ssize_t n = ::recv(fd, buffer, std::min(sizeof buffer, count - got), 0);
        if (n <= 0) {
            return false;
        }
        got += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

TcpTransport::TcpTransport(std::uint16_t port) : port_(port) {}

TcpTransport::~TcpTransport() {
    close();
}

bool TcpTransport::open(std::string& error) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listener_ < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    const int one = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port_);
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 4) != 0) {
        error = "127.0.0.1:" + std::to_string(port_) + ": " + std::strerror(errno);
        close();
        return false;
    }
    socklen_t length = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    return true;
}

std::string TcpTransport::endpoint() const {
    return "127.0.0.1:" + std::to_string(port_);
}

Nanos TcpTransport::measureRoundTrip() {
    // The same ping-pong as on a pty, over a private loopback connection of its own
    // (not the radio's port): a 3-byte command, a 2-byte answer, from an idle start.
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int host = -1;
    int radio = -1;
    if (listener >= 0 &&
        ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::listen(listener, 1) == 0 &&
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        host = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (host >= 0 &&
            ::connect(host, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            radio = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        }
    }
    constexpr int kTrials = 31;
    std::vector<Nanos> trips;
    if (radio >= 0) {
        const int one = 1;
        setsockopt(host, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        setsockopt(radio, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        std::thread echo([host] {
            for (int i = 0; i < kTrials; ++i) {
                const std::uint8_t answer[2] = {0, 0};
                if (!readExactly(host, 3, 200) ||
                    ::send(host, answer, sizeof answer, MSG_NOSIGNAL) != 2) {
                    return;
                }
            }
        });
        const std::uint8_t command[3] = {0, 0, 0};
        for (int i = 0; i < kTrials; ++i) {
            const timespec pause{0, 2'000'000};
            nanosleep(&pause, nullptr);
            const Nanos start = clockNow();
            if (::send(radio, command, sizeof command, MSG_NOSIGNAL) != 3 ||
                !readExactly(radio, 2, 200)) {
                break;
            }
            trips.push_back(clockNow() - start);
        }
        echo.join();
    }
    for (int fd : {radio, host, listener}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    if (trips.size() < kTrials) {
        return Nanos(0);
    }
    std::nth_element(trips.begin(), trips.begin() + kTrials / 2, trips.end());
    return trips[kTrials / 2];
}

void TcpTransport::addPollFds(std::vector<pollfd>& fds) const {
    fds.push_back({listener_, POLLIN, 0});
    fds.push_back({client_, POLLIN, 0}); // a negative fd is ignored by poll
}

std::string TcpTransport::service(const pollfd* fds, Bytes& received) {
    std::string event;
    if (client_ >= 0 && (fds[1].revents & (POLLIN | POLLERR | POLLHUP))) {
        std::uint8_t buffer[4096];
        for (;;) {
            const ssize_t n = ::recv(client_, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n > 0) {
                received.insert(received.end(), buffer, buffer + n);
                continue;
            }
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
                closeClient();
                event = "client left";
            }
            break;
        }
    }
    if (listener_ >= 0 && (fds[0].revents & POLLIN)) {
        for (;;) {
            const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0) {
                break;
            }
            // The radio has one serial port: a second host, or any host while the link
            // is down, is turned away at once.
            if (client_ >= 0 || dropped_) {
                ::close(fd);
                event = dropped_ ? "connection refused while the link is down"
                                 : "second client turned away";
                continue;
            }
            const int one = 1;
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            client_ = fd;
            event = "client connected";
        }
    }
    return event;
}

std::size_t TcpTransport::write(const Bytes& bytes) {
    if (client_ < 0 || bytes.empty()) {
        return 0;
    }
    ssize_t n;
    do {
        n = ::send(client_, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

void TcpTransport::drop() {
    closeClient();
    dropped_ = true;
}

bool TcpTransport::restore(std::string&) {
    dropped_ = false;
    return true;
}

void TcpTransport::close() {
    closeClient();
    if (listener_ >= 0) {
        ::close(listener_);
        listener_ = -1;
    }
}

void TcpTransport::closeClient() {
    if (client_ >= 0) {
        ::close(client_);
        client_ = -1;
    }
}

} // namespace rm7700emu
