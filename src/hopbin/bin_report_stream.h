#pragma once

#include <QByteArray>
#include <cstdint>

// The RM7700's bin report stream. In bin report mode the radio sends, for every hop,
// four bytes: 0xCC (frame start), the hop bin (0..49), the RSSI byte measured at the
// remote radio and the RSSI byte measured at the radio attached to this computer.
// Reports follow each other without separators, so the only way to find the next one
// is to look at the head of the receive buffer.

inline constexpr qsizetype kBinReportSize = 4;

struct BinReport {
    int bin = 0;
    std::uint8_t remoteRssi = 0;
    std::uint8_t pcRssi = 0;
};

struct ReportHead {
    enum class Kind {
        Incomplete, // fewer than 4 bytes: wait for the rest; nothing was removed
        Report,     // a report was at the head and has been removed
        OutOfStep,  // 4+ bytes not starting with 0xCC: the first byte has been removed
    };
    Kind kind = Kind::Incomplete;
    BinReport report; // valid for Kind::Report
};

// True when the head of `received` can be dealt with now: either a whole report or
// enough bytes to know that the stream is out of step.
inline bool reportHeadDecidable(const QByteArray& received) {
    return received.size() >= kBinReportSize;
}

// Takes one step from the head of `received`: a whole report (4 bytes removed), one
// byte of a stream that is out of step (resynchronisation goes one byte at a time
// until the buffer begins with 0xCC again), or nothing while the report is still
// arriving. The bin number is passed on as received; whether it names a hop bin
// (0..49) is the caller's business.
ReportHead takeReportFromHead(QByteArray& received);
