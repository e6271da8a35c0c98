// rm7700-emu: plays an RM7700 frequency-hopping radio module on a pseudo-terminal or
// a TCP port, so the diagnostics suite and its tests run without hardware.
#include "emulator.h"
#include "options.h"
#include "pty_transport.h"
#include "tcp_transport.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

void onTerminate(int) {
    rm7700emu::Emulator::requestStop();
}

void installSignalHandlers() {
    // SIGTERM, SIGINT and SIGHUP end the emulator cleanly (the symlink is removed).
    // They stay blocked except while the event loop waits in ppoll.
    struct sigaction action {};
    action.sa_handler = onTerminate;
    sigemptyset(&action.sa_mask);
    sigset_t blocked;
    sigemptyset(&blocked);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(signal, &action, nullptr);
        sigaddset(&blocked, signal);
    }
    sigprocmask(SIG_BLOCK, &blocked, nullptr);
    // A host that disconnects or a parent that stops reading must not kill us.
    std::signal(SIGPIPE, SIG_IGN);
}

} // namespace

int main(int argc, char** argv) {
    using namespace rm7700emu;

    const ParsedOptions parsed = parseOptions(argc, argv);
    if (!parsed.options) {
        std::fprintf(stderr, "rm7700-emu: %s\nTry 'rm7700-emu --help'.\n", parsed.error.c_str());
        return 2;
    }
    const Options& options = *parsed.options;
    if (options.help) {
        std::fputs(usageText().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("rm7700-emu %s\n", kVersion);
        return 0;
    }

    // Let ppoll wake up on the nanosecond it was asked to, rather than up to the
    // default 50 us later: paced replies must not lag behind the line rate.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    installSignalHandlers();

    std::unique_ptr<Transport> transport;
    if (options.tcpPort) {
        transport = std::make_unique<TcpTransport>(*options.tcpPort);
    } else {
        transport = std::make_unique<PtyTransport>(options.linkPath);
    }
    std::string error;
    if (!transport->open(error)) {
        std::fprintf(stderr, "rm7700-emu: %s\n", error.c_str());
        return 1;
    }

    // On a paced line, work out how long the transport itself takes to carry bytes,
    // so that paced output reaches the host when the line rate says and not that much
    // later. Measured before anyone can connect.
    Nanos writeLead{0};
    if (options.baud != 0) {
        writeLead = options.writeLeadUs ? Nanos(std::chrono::microseconds(*options.writeLeadUs))
                                        : std::min<Nanos>(transport->measureRoundTrip(),
                                                          std::chrono::milliseconds(1));
    }

    const Nanos start = monotonicNow();
    Emulator emulator(options, std::move(transport), start);
    emulator.setWriteLead(writeLead);
    // The first stdout line tells the caller where the radio is.
    const std::string first = emulator.endpoint() + "\n";
    if (::write(STDOUT_FILENO, first.data(), first.size()) < 0) {
        // The caller is gone already; carry on, stdin EOF or a signal ends us.
    }
    return emulator.run();
}
