// The byte pipe between the emulated radio and the host program.
#pragma once

#include "radio_types.h"

#include <poll.h>
#include <string>

namespace rm7700emu {

class Transport {
public:
    virtual ~Transport() = default;

    // Brings the link up for the first time; false with `error` set on failure.
    virtual bool open(std::string& error) = 0;

    // What the host connects to: a device path, or 127.0.0.1:PORT.
    virtual std::string endpoint() const = 0;

    // True while the link exists (between a drop and the link coming back it does not).
    virtual bool up() const = 0;

    // True while a host can receive what is written (always, for a pty: nobody can
    // tell whether the port is open on the other side).
    virtual bool connected() const = 0;

    // Appends the descriptors to wait on.
    virtual void addPollFds(std::vector<pollfd>& fds) const = 0;

    // Handles the poll results for the descriptors added last time (`fds` points at the
    // first of them); appends the bytes received from the host to `received`.
    // Returns a line for the log when something happened worth telling (a client
    // came or went), otherwise an empty string.
    virtual std::string service(const pollfd* fds, Bytes& received) = 0;

    // Writes without blocking; returns how many bytes went out. Whatever cannot be
    // written is lost, as on a serial line that nobody listens to.
    virtual std::size_t write(const Bytes& bytes) = 0;

    // The link goes away: the host sees an error or a disconnection.
    virtual void drop() = 0;

    // The link comes back; false with `error` set if it could not.
    virtual bool restore(std::string& error) = 0;

    // Typical time a few bytes take to cross this transport and back (write on one
    // side to read on the other, both ways), measured on the spot; 0 if unknown.
    // Paced output is written this much early so that it reaches the host at the
    // time the line rate says. Must be called before the host connects.
    virtual Nanos measureRoundTrip() { return Nanos(0); }

    // Final clean-up on exit.
    virtual void close() = 0;
};

} // namespace rm7700emu
