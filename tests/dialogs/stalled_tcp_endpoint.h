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
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        auto* where = reinterpret_cast<sockaddr*>(&address);
        socklen_t length = sizeof address;
        if (::bind(listener_, where, length) != 0 || ::listen(listener_, 1) != 0 ||
            ::getsockname(listener_, where, &length) != 0)
            return;
        port_ = ntohs(address.sin_port);
        // Fill the queue until a connect is not answered at once (on loopback it
        // would be): its SYN was dropped. That last one is closed, so that its own
        // retransmission cannot take a place freed later.
        for (int i = 0; i < 8 && !full_; ++i) {
            const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            fds_.push_back(fd);
            pollfd wait{fd, POLLOUT, 0};
            if (::connect(fd, where, length) != 0 && errno != EINPROGRESS)
                return;
            if (::poll(&wait, 1, 300) != 1) {
                full_ = true;
                ::close(fd);
                fds_.pop_back();
            }
        }
    }
    ~StalledTcpEndpoint() {
        for (const int fd : fds_)
            ::close(fd);
    }

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
    int listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    std::vector<int> fds_{listener_};
    quint16 port_ = 0;
    bool full_ = false;
};
