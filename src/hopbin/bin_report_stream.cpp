#include "hopbin/bin_report_stream.h"

#include "link/radio_commands.h"

ReportHead takeReportFromHead(QByteArray& received) {
    ReportHead head;
    if (!reportHeadDecidable(received))
        return head;
    const auto byteAt = [&](qsizetype i) { return static_cast<std::uint8_t>(received.at(i)); };
    if (byteAt(0) != radio::kLead) {
        received.remove(0, 1);
        head.kind = ReportHead::Kind::OutOfStep;
        return head;
    }
    head.kind = ReportHead::Kind::Report;
    head.report.bin = byteAt(1);
    head.report.remoteRssi = byteAt(2);
    head.report.pcRssi = byteAt(3);
    received.remove(0, kBinReportSize);
    return head;
}
