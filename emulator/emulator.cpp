#include "emulator.h"

#include "hex.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <signal.h>
#include <unistd.h>

namespace rm7700emu {

namespace {

// How long before a deadline a paced emulator stops sleeping and starts polling.
constexpr Nanos kSpinWindow = std::chrono::microseconds(100);

// What "rx" and "tx" keep (at least) between two reads; the oldest bytes go first.
constexpr std::size_t kMaxRecorded = 4 * 1024 * 1024;

std::string hexDigits2(unsigned value) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", value & 0xFF);
    return text;
}

} // namespace

volatile std::sig_atomic_t Emulator::stopRequested_ = 0;

Nanos monotonicNow() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return Nanos(static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec);
}

void Emulator::Recorded::append(const Bytes& more) {
    bytes.insert(bytes.end(), more.begin(), more.end());
    // Trim in big steps, so that a stream nobody collects costs little.
    if (bytes.size() > kMaxRecorded + kMaxRecorded / 4) {
        bytes.erase(bytes.begin(), bytes.end() - static_cast<std::ptrdiff_t>(kMaxRecorded));
    }
}

Bytes Emulator::Recorded::take() {
    Bytes out;
    out.swap(bytes);
    return out;
}

Emulator::Emulator(const Options& options, std::unique_ptr<Transport> transport, Nanos start)
    : options_(options), transport_(std::move(transport)), start_(start),
      model_(options.radio, start), pacer_(options.baud), queue_(pacer_),
      faults_(options.faultRate, options.radio.seed) {
    randomDropAt_ = faults_.nextLinkDrop(start);
}

void Emulator::setWriteLead(Nanos lead) {
    queue_.setWriteLead(lead);
    if (pacer_.paced()) {
        logEvent("paced chunks are written " + std::to_string(lead.count() / 1000) + " us early",
                 monotonicNow());
    }
}

int Emulator::run() {
    while (!quit_ && !stopRequested_) {
        pollOnce();
    }
    transport_->close();
    return 0;
}

void Emulator::pollOnce() {
    std::vector<pollfd> fds;
    const bool watchStdin = stdinOpen_;
    if (watchStdin) {
        fds.push_back({STDIN_FILENO, POLLIN, 0});
    }
    const std::size_t transportFirst = fds.size();
    transport_->addPollFds(fds);
    const std::size_t transportCount = fds.size() - transportFirst;

    // Sleep until the next thing is due. The timer slack is set to 1 ns at start-up,
    // but a timer still fires some tens of microseconds late, which is a good part of
    // a byte time at the higher line rates. So on a paced line the emulator sleeps only
    // until shortly before the deadline and polls without sleeping for the rest.
    const Nanos deadline = nextDeadline();
    timespec timeout{};
    timespec* timeoutPtr = nullptr;
    if (deadline != kNever) {
        const Nanos spin = pacer_.paced() ? kSpinWindow : Nanos(0);
        Nanos wait = deadline - monotonicNow();
        wait = wait > spin ? wait - spin : Nanos(0);
        timeout.tv_sec = static_cast<time_t>(wait.count() / 1'000'000'000);
        timeout.tv_nsec = static_cast<long>(wait.count() % 1'000'000'000);
        timeoutPtr = &timeout;
    }
    // Termination signals are blocked except inside ppoll, so one can only arrive here
    // and never goes unnoticed between the check and the wait.
    sigset_t unblocked;
    sigemptyset(&unblocked);
    const int ready = ppoll(fds.data(), fds.size(), timeoutPtr, &unblocked);
    const Nanos now = monotonicNow();
    if (ready < 0 && errno != EINTR) {
        logEvent(std::string("ppoll failed: ") + std::strerror(errno), now);
    }

    if (ready > 0 && transportCount > 0) {
        Bytes received;
        const std::string event = transport_->service(&fds[transportFirst], received);
        if (!event.empty()) {
            logEvent(event, now);
            if (!transport_->connected()) {
                queue_.clear(); // nobody left to hear it
            }
        }
        if (!received.empty()) {
            onReceived(received, now);
        }
    }
    processDue(now);

    if (ready > 0 && watchStdin && (fds[0].revents & (POLLIN | POLLHUP | POLLERR))) {
        std::vector<std::string> lines;
        const LineReader::Status status = stdinReader_.readFrom(STDIN_FILENO, lines);
        for (const std::string& line : lines) {
            if (quit_) {
                break;
            }
            handleControlLine(line);
        }
        if (status == LineReader::Status::EndOfFile) {
            stdinOpen_ = false;
            quit_ = quit_ || options_.exitOnEof;
        }
    }
}

void Emulator::onReceived(const Bytes& bytes, Nanos now) {
    log("rx", bytes, now);
    received_.append(bytes);
    if (silent_) {
        return; // recorded for "rx", but the radio does not hear it
    }
    const std::vector<Nanos> arrivals = pacer_.receive(bytes.size(), now);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        arriving_.emplace_back(bytes[i], arrivals[i]);
    }
}

void Emulator::processDue(Nanos now) {
    if (restoreAt_ <= now) {
        restoreLink(now);
    }
    if (randomDropAt_ <= now) {
        if (transport_->up()) {
            dropLink(now, FaultInjector::kRandomDropLength);
        }
        randomDropAt_ = faults_.nextLinkDrop(now + FaultInjector::kRandomDropLength);
    }
    // Feed the radio every byte that has finished arriving, each at its own time, so
    // that records streamed in between come out in the right order.
    while (!arriving_.empty() && arriving_.front().second <= now) {
        model_.receive(arriving_.front().first, arriving_.front().second);
        arriving_.pop_front();
        routeModelOutput();
    }
    model_.advance(now);
    routeModelOutput();
    flushOutput(now);
}

void Emulator::routeModelOutput() {
    for (Emission& emission : model_.takeOutput()) {
        if (!transport_->up() || !transport_->connected()) {
            continue; // sent into the void
        }
        if (emission.kind == Emission::Kind::Reply) {
            queue_.addReply(faults_.shape(emission.bytes, emission.at));
        } else {
            queue_.addStream(std::move(emission.bytes), emission.at);
        }
    }
}

void Emulator::flushOutput(Nanos now) {
    for (const Chunk& chunk : queue_.takeDue(now)) {
        const std::size_t written = transport_->write(chunk.bytes);
        const Bytes sent(chunk.bytes.begin(),
                         chunk.bytes.begin() + static_cast<std::ptrdiff_t>(written));
        if (!sent.empty()) {
            sent_.append(sent);
            log("tx", sent, now);
        }
        if (written < chunk.bytes.size()) {
            logEvent(std::to_string(chunk.bytes.size() - written) +
                         " byte(s) could not be written, dropped",
                     now);
        }
    }
}

Nanos Emulator::nextDeadline() const {
    Nanos deadline =
        std::min({restoreAt_, randomDropAt_, model_.nextDeadline(), queue_.nextEvent()});
    if (!arriving_.empty()) {
        deadline = std::min(deadline, arriving_.front().second);
    }
    return deadline;
}

void Emulator::dropLink(Nanos now, Nanos comeBackAfter) {
    if (transport_->up()) {
        transport_->drop();
        model_.linkDown();
        logEvent("link dropped", now);
    }
    queue_.clear();
    pacer_.reset();
    arriving_.clear();
    restoreAt_ = comeBackAfter > Nanos(0) ? now + comeBackAfter : kNever;
}

void Emulator::restoreLink(Nanos now) {
    restoreAt_ = kNever;
    if (transport_->up()) {
        return;
    }
    std::string error;
    if (!transport_->restore(error)) {
        logEvent("link could not come back (" + error + "), trying again in 1 s", now);
        restoreAt_ = now + std::chrono::seconds(1);
        return;
    }
    model_.linkUp(now);
    logEvent("link back at " + transport_->endpoint(), now);
}

void Emulator::handleControlLine(const std::string& line) {
    const ParsedControl parsed = parseControlLine(line);
    if (!parsed.command) {
        writeStdout("error " + parsed.error);
        return;
    }
    writeStdout(execute(*parsed.command));
}

std::string Emulator::execute(const ControlCommand& command) {
    using Kind = ControlCommand::Kind;
    const Nanos now = monotonicNow();
    processDue(now); // the radio catches up before anything changes under it
    const auto asInt = [&] { return static_cast<long long>(command.number); };
    const auto withBytes = [](const Bytes& bytes) {
        return bytes.empty() ? std::string("ok") : "ok " + toHex(bytes);
    };

    switch (command.kind) {
    case Kind::Rx:
        return withBytes(received_.take());
    case Kind::Tx:
        return withBytes(sent_.take());
    case Kind::State: {
        const RadioSnapshot s = model_.snapshot(now);
        return "ok mode=" + std::to_string(static_cast<int>(s.mode)) +
               " own=" + addressText(s.ownAddress) + " dest=" + addressText(s.destination) +
               " option=" + hexDigits2(s.optionByte) + " sync=" + (s.inSync ? "1" : "0") +
               " point=" + std::to_string(s.point);
    }
    case Kind::Silent:
        silent_ = asInt() != 0;
        model_.setSilent(silent_);
        if (silent_) {
            arriving_.clear();
            queue_.clear();
        }
        return "ok";
    case Kind::Late:
        faults_.scripted().late = std::chrono::milliseconds(asInt());
        return "ok";
    case Kind::Split:
        faults_.scripted().split = static_cast<unsigned>(asInt());
        return "ok";
    case Kind::Garbage:
        faults_.scripted().garbage = static_cast<unsigned>(asInt());
        return "ok";
    case Kind::Drop:
        dropLink(now, std::chrono::milliseconds(asInt()));
        return "ok";
    case Kind::Path:
        if (!transport_->up()) {
            return "error link is down";
        }
        return "ok " + transport_->endpoint();
    case Kind::Sync:
        model_.forceSync(asInt() != 0);
        return "ok";
    case Kind::Rate:
        model_.setReportRate(command.number, now);
        return "ok";
    case Kind::Inject:
        if (!transport_->up()) {
            return "error link is down";
        }
        if (!transport_->connected()) {
            return "error no client connected";
        }
        queue_.addReply({Piece{command.bytes, now}});
        processDue(monotonicNow()); // unpaced, the bytes are out before the answer
        return "ok";
    case Kind::Help:
        return "ok " + controlCommandList();
    case Kind::Quit:
        quit_ = true;
        return "ok";
    }
    return "error unknown command";
}

void Emulator::writeStdout(const std::string& line) {
    const std::string text = line + "\n";
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return; // nobody reads stdout any more
        }
        done += static_cast<std::size_t>(n);
    }
}

void Emulator::log(const char* direction, const Bytes& bytes, Nanos now) const {
    if (options_.verbose) {
        const double seconds = std::chrono::duration<double>(now - start_).count();
        std::fprintf(stderr, "%12.6f %s %s\n", seconds, direction, toHex(bytes).c_str());
    }
}

void Emulator::logEvent(const std::string& text, Nanos now) const {
    if (options_.verbose) {
        const double seconds = std::chrono::duration<double>(now - start_).count();
        std::fprintf(stderr, "%12.6f -- %s\n", seconds, text.c_str());
    }
}

} // namespace rm7700emu
