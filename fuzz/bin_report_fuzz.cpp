// Whatever arrives on the line in bin report mode: the receive buffer is consumed
// report by report from its head, exactly as the analyzer does, and every report is
// folded into the statistics. Nothing may read outside the buffer, every step must
// remove 1 or 4 bytes (or nothing, and then fewer than 4 remain), and the statistics
// must stay within the chart whatever the bytes were.

#include "fuzz_support.h"
#include "hopbin/bin_report_stream.h"
#include "hopbin/hop_bin_data.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    // The first two bytes choose the settings: "Amplitude" from -105 to -40 dBm and
    // a retries box from 0 to 7.
    const float amplitude = -105.0f + static_cast<float>(data[0] % 66);
    const int retries = data[1] % 8;
    QByteArray received(reinterpret_cast<const char*>(data + 2), static_cast<qsizetype>(size - 2));

    HopBinData stats;
    stats.ResetHopBins(amplitude);
    float applied = 0;
    for (;;) {
        const qsizetype before = received.size();
        const ReportHead head = takeReportFromHead(received);
        const qsizetype taken = before - received.size();
        if (head.kind == ReportHead::Kind::Incomplete) {
            check(taken == 0 && before < kBinReportSize);
            break;
        }
        if (head.kind == ReportHead::Kind::OutOfStep) {
            check(taken == 1);
            continue;
        }
        check(taken == kBinReportSize);
        check(head.report.bin >= 0 && head.report.bin <= 255);
        const bool inTable = head.report.bin < kHopBinCount;
        check(stats.ApplyReport(head.report.bin, RssiByteToDbm(head.report.remoteRssi),
                                RssiByteToDbm(head.report.pcRssi), amplitude, retries) == inTable);
        if (inTable)
            applied += 1;
    }

    check(stats.TotalReports == applied);
    check(stats.MissedBins <= stats.TotalReports);
    check(stats.HighestBin >= 0 && stats.HighestBin < kHopBinCount);
    const double percentage = stats.PercentageGood();
    check(percentage >= 0.0 && percentage <= 1.0);
    const double average = stats.AverageRssi();
    check(average >= -105.0 && average <= amplitude);
    for (const auto& bin : stats.HopBins) {
        for (const BinStats& side : bin) {
            check(side.Current >= -105.0f && side.Current <= amplitude);
            check(side.Peak >= -105.0f && side.Peak <= amplitude);
            check(side.Minimum >= -105.0f && side.Minimum <= amplitude);
            check(side.TrailingAverage >= -105.0f && side.TrailingAverage <= amplitude);
            check(static_cast<float>(side.Misses) <= side.Reports);
            if (side.Reports > 0)
                check(side.Minimum <= side.Current && side.Current <= side.Peak);
        }
    }
    return 0;
}
