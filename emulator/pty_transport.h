// The radio as a pseudo-terminal: the host opens the slave side like a serial port.
#pragma once

#include "transport.h"

namespace rm7700emu {

class PtyTransport final : public Transport {
public:
    // linkPath: optional symlink that always points at the current slave.
    explicit PtyTransport(std::string linkPath);
    ~PtyTransport() override;

    bool open(std::string& error) override;
    std::string endpoint() const override { return slavePath_; }
    bool up() const override { return master_ >= 0; }
    bool connected() const override { return up(); }
    void addPollFds(std::vector<pollfd>& fds) const override;
    std::string service(const pollfd* fds, Bytes& received) override;
    std::size_t write(const Bytes& bytes) override;
    void drop() override;
    bool restore(std::string& error) override { return open(error); }
    void close() override;
    Nanos measureRoundTrip() override;

private:
    void closeFds();
    bool pointLink(std::string& error);
    void removeLink();

    std::string linkPath_;
    std::string slavePath_;
    int master_ = -1;
    int slave_ = -1; // our own slave descriptor, see open()
};

} // namespace rm7700emu
