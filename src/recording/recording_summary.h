#pragma once

// What a recording (*.ban, *.san) holds, for the veltrane-recording command-line tool:
// a summary of the whole file and its records as CSV. Everything here reads the file
// once from start to end in fixed-size chunks, so memory does not depend on the
// file's size and a file of several hundred megabytes is no different from a small
// one.

#include "recording/recording_file.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

enum class RecordingKind { HopBin, Spectrum, Other };

// From the file name's extension (".ban", ".san", case ignored).
RecordingKind recordingKindOf(const QString& path);
// "hop bin recording (.ban)", "spectrum recording (.san)" or "recording".
QString recordingKindText(RecordingKind kind);

// Smallest and largest of the values seen; empty until the first one.
struct ValueRange {
    bool any = false;
    float min = 0;
    float max = 0;

    void add(float value);
};

struct RecordingSummary {
    RecordingKind kind = RecordingKind::Other;
    qint64 bytes = 0;     // file length
    qint64 records = 0;   // whole 16-byte records
    qint64 tornBytes = 0; // bytes after the last whole record, ignored
    qint64 sweeps = 0;    // records with item index 0

    // The item indexes of all records (valid when records > 0).
    std::int16_t minItem = 0;
    std::int16_t maxItem = 0;
    // Finite values only.
    ValueRange valueA;
    ValueRange valueB;

    // Read times of the first and the last record that carry a time of day, in whole
    // ms (0 to 86 400 000); empty when no record does.
    std::optional<std::int64_t> firstTimeMs;
    std::optional<std::int64_t> lastTimeMs;
    qint64 recordsWithoutTime = 0; // read time not a number or outside a day

    // Records that playback passes over: a value that is not a finite number; for
    // .ban a hop bin outside 0..49; for .san a negative voltage. A record is counted
    // once in `unusable` even when several reasons apply.
    qint64 nonFinite = 0;
    qint64 itemOutOfRange = 0;  // .ban only
    qint64 negativeVoltage = 0; // .san only
    qint64 unusable = 0;

    // Last time minus first time; a recording that runs past midnight has its later
    // times on the next day, so a last time before the first adds 24 h. Zero without
    // times.
    std::int64_t durationMs() const;
    // Records after the first per second of duration; empty for a duration of 0.
    std::optional<double> recordsPerSecond() const;
};

// Calls `visit` for every whole record, in order, numbered from 1. Reads until the end
// of the device; stops early (returning false) when `visit` returns false or a read
// fails, with the reason in `*error` for a failed read. `*bytes` receives the number
// of bytes read, torn tail included.
bool forEachRecord(QIODevice& device, const std::function<bool(qint64, const FileVar&)>& visit,
                   qint64* bytes = nullptr, QString* error = nullptr);

// Adds one record to a summary (records counted, ranges, times, unusable records).
// `summary.kind` decides what counts as unusable.
void addRecord(RecordingSummary& summary, const FileVar& record);

// The summary of everything readable from `device`; empty on a read error.
std::optional<RecordingSummary> summarize(QIODevice& device, RecordingKind kind,
                                          QString* error = nullptr);

// Whole ms of a read time, rounded half to even like playback does; empty for a read
// time that is not a number or lies outside 0..24 h.
std::optional<std::int64_t> timeOfDayMs(double readTime);
// "hh:mm:ss.zzz" of ms since midnight (86 400 000, midnight at the end of the day,
// shows as 00:00:00.000); an empty text when the time is no time of day.
QString timeOfDayText(double ms);
// Shortest text that reads back to the same float; "nan", "inf", "-inf" otherwise.
QString valueText(float value);

// The CSV header and one record's line, without the line end.
QString csvHeader();
QString csvLine(qint64 number, const FileVar& record);
// The same line appended to `out` as bytes (ASCII), for writing many lines quickly.
void appendCsvLine(QByteArray& out, qint64 number, const FileVar& record);

// The lines printed by `veltrane-recording info`, each ending with "\n".
QString summaryText(const QString& path, const RecordingSummary& summary);
