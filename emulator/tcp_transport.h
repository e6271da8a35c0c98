// The radio behind a TCP port on the loopback interface, one client at a time.
#pragma once

#include "transport.h"

#include <cstdint>

namespace rm7700emu {

class TcpTransport final : public Transport {
public:
    explicit TcpTransport(std::uint16_t port);
    ~TcpTransport() override;

    bool open(std::string& error) override;
    std::string endpoint() const override;
    bool up() const override { return listener_ >= 0 && !dropped_; }
    bool connected() const override { return client_ >= 0; }
    void addPollFds(std::vector<pollfd>& fds) const override;
    std::string service(const pollfd* fds, Bytes& received) override;
    std::size_t write(const Bytes& bytes) override;
    void drop() override;
    bool restore(std::string& error) override;
    void close() override;
    Nanos measureRoundTrip() override;

private:
    void closeClient();

    std::uint16_t port_;
    int listener_ = -1;
    int client_ = -1;
    bool dropped_ = false;
};

} // namespace rm7700emu
