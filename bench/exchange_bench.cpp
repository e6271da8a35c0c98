// Link benchmarks against rm7700-emu over a pseudo-terminal:
//  1. ExchangeCommand round trip (3 bytes out, 2 bytes back), unpaced and paced at
//     57600 baud; the paced figure is compared with the line time of the 5 bytes.
//  2. CPU time the suite uses while ChangeRadioState retries against a silent radio.

#include "app/suite.h"
#include "bench_support.h"
#include "link/radio_commands.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Percentiles {
    double median, p99;
};

Percentiles percentiles(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    const auto at = [&](double q) {
        return samples[static_cast<std::size_t>(q * static_cast<double>(samples.size() - 1))];
    };
    return {at(0.5), at(0.99)};
}

using Bench = BenchSuite;

// Round trips of "read the option byte" in AT command mode, in microseconds.
std::vector<double> exchangeRoundTrips(Bench& bench, int count) {
    ModeProtocol& modes = bench.suite.modes;
    modes.ChangeRadioState(ModeProtocol::AtCommand, false);
    const QByteArray none;
    std::vector<double> samples;
    QElapsedTimer clock;
    for (int i = 0; i < count + 20; ++i) {
        clock.start();
        const bool ok =
            modes.ExchangeCommand(radio::readOptionByte(), false, false, none, 2, false, false);
        const double us = static_cast<double>(clock.nsecsElapsed()) / 1000.0;
        if (!ok)
            std::fprintf(stderr, "exchange %d failed\n", i);
        if (i >= 20) // the first exchanges warm up caches and the emulator
            samples.push_back(us);
    }
    modes.ChangeRadioState(ModeProtocol::Normal, false);
    return samples;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int count = 500;

    {
        Bench unpaced;
        if (!unpaced.open({}))
            return 1;
        const Percentiles p = percentiles(exchangeRoundTrips(unpaced, count));
        std::printf("exchange round trip, unpaced:      median %8.1f us   p99 %8.1f us\n", p.median,
                    p.p99);
    }
    {
        Bench paced;
        if (!paced.open({QStringLiteral("--baud"), QStringLiteral("57600")}))
            return 1;
        const Percentiles p = percentiles(exchangeRoundTrips(paced, count));
        const double lineUs = 5 * 10 * 1e6 / 57600.0; // 3 bytes out, 2 back, 10 bits each
        std::printf("exchange round trip, 57600 baud:   median %8.1f us   p99 %8.1f us   "
                    "line time %.1f us   ratio %.3f (goal <= 1.10)\n",
                    p.median, p.p99, lineUs, p.median / lineUs);
    }
    {
        // The same without the emulator making up for the pseudo-terminal's own
        // delivery delay: the figure a real line would not show.
        Bench exact;
        if (!exact.open({QStringLiteral("--baud"), QStringLiteral("57600"),
                         QStringLiteral("--write-lead"), QStringLiteral("0")}))
            return 1;
        const Percentiles p = percentiles(exchangeRoundTrips(exact, count));
        const double lineUs = 5 * 10 * 1e6 / 57600.0;
        std::printf("  same, emulator without pty lead: median %8.1f us   p99 %8.1f us   "
                    "ratio %.3f\n",
                    p.median, p.p99, p.median / lineUs);
    }
    {
        Bench silent;
        if (!silent.open({}))
            return 1;
        silent.emulator.command(QStringLiteral("silent 1"));
        QTimer::singleShot(10000, [&] { silent.suite.flags.StopRequested = true; });
        const double cpuBefore = cpuSeconds();
        QElapsedTimer wall;
        wall.start();
        silent.suite.modes.ChangeRadioState(ModeProtocol::BinReport, false);
        const double cpu = cpuSeconds() - cpuBefore;
        const double seconds = static_cast<double>(wall.elapsed()) / 1000.0;
        std::printf("retrying a silent radio for %.1f s: CPU %.3f s = %.2f%% of one core "
                    "(goal < 2%%)\n",
                    seconds, cpu, 100.0 * cpu / seconds);
    }
    return 0;
}
