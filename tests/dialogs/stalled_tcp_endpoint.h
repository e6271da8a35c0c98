// A TCP endpoint on 127.0.0.1 that leaves a connect pending, for tests of what the
// user does while the suite waits for a device server to answer.
//
// The listening socket is never served and its accept queue is filled by
// connections of its own. The kernel then drops further SYNs, so a client's connect
// stays pending and is retried by the client's own SYN retransmission (the first
// after about one second). acceptLate() frees one place in the queue: the next
// retransmission then completes the connect, as a server that answers late would.
// Nothing leaves the loopback interface.
#pragma once

#include <QtGlobal>
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

class StalledTcpEndpoint {
public:
    StalledTcpEndpoint() {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (listener_ < 0 || ::bind(listener_, asSockaddr(address), length) != 0 ||
            ::listen(listener_, 1) != 0 ||
            ::getsockname(listener_, asSockaddr(address), &length) != 0)
            return;
        port_ = ntohs(address.sin_port);
        // Fill the queue until a connect no longer completes. That last one is
        // closed at once, so that its own retransmission cannot take a place freed
        // later.
        for (int i = 0; i < kMostFillers; ++i) {
            const int filler = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            if (filler < 0)
                return;
            const int started = ::connect(filler, asSockaddr(address), sizeof address);
            if (started != 0 && errno != EINPROGRESS) {
                ::close(filler);
                return;
            }
            pollfd wait{filler, POLLOUT, 0};
            if (started != 0 && ::poll(&wait, 1, kLoopbackAnswerMs) != 1) {
                ::close(filler);
                full_ = true;
                return;
            }
            fillers_.push_back(filler);
        }
    }

    ~StalledTcpEndpoint() {
        for (const int filler : fillers_)
            ::close(filler);
        if (listener_ >= 0)
            ::close(listener_);
    }

    StalledTcpEndpoint(const StalledTcpEndpoint&) = delete;
    StalledTcpEndpoint& operator=(const StalledTcpEndpoint&) = delete;

    // Listening, with a full queue.
    bool ready() const { return port_ != 0 && full_; }
    quint16 port() const { return port_; }

    // Takes one queued connection off the queue, making room for a pending connect.
    void acceptLate() {
        const int accepted = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (accepted >= 0)
            ::close(accepted);
    }

private:
    static sockaddr* asSockaddr(sockaddr_in& address) {
        return reinterpret_cast<sockaddr*>(&address);
    }

    static constexpr int kMostFillers = 8;
    // A connect on loopback is answered at once; one that is not answered in this
    // time had its SYN dropped.
    static constexpr int kLoopbackAnswerMs = 300;

    int listener_ = -1;
    quint16 port_ = 0;
    bool full_ = false;
    std::vector<int> fillers_;
};
