#include "recording/recording_summary.h"

#include "core/number_text.h"

#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

namespace {
constexpr std::int64_t kDayMs = 24 * 60 * 60 * 1000;
constexpr int kHopBins = 50;
// Records read at a time: large enough that a big file costs few reads, small enough
// to be of no account next to the rest of the program.
constexpr qint64 kChunkRecords = 4096;

// hh:mm:ss.zzz of a non-negative number of ms, appended to `out`; hours go past 23
// for durations. Written digit by digit: the CSV of a large recording calls this
// millions of times.
void appendClock(QByteArray& out, std::int64_t ms) {
    char text[32];
    char* end = text + sizeof text;
    char* at = end;
    const auto put = [&at](std::int64_t value, int digits) {
        for (int i = 0; i < digits; ++i) {
            *--at = static_cast<char>('0' + value % 10);
            value /= 10;
        }
    };
    put(ms % 1000, 3);
    *--at = '.';
    put(ms / 1000 % 60, 2);
    *--at = ':';
    put(ms / 60000 % 60, 2);
    *--at = ':';
    std::int64_t hours = ms / 3600000;
    put(hours % 100, 2);
    for (hours /= 100; hours > 0; hours /= 10)
        *--at = static_cast<char>('0' + hours % 10);
    out.append(at, end - at);
}

QString clockText(std::int64_t ms) {
    QByteArray text;
    appendClock(text, ms);
    return QString::fromLatin1(text);
}

void appendInteger(QByteArray& out, std::int64_t value) {
    char text[24];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.append(text, result.ptr - text);
}

void appendValue(QByteArray& out, float value) {
    if (std::isnan(value))
        out.append("nan");
    else if (std::isinf(value))
        out.append(value > 0 ? "inf" : "-inf");
    else
        out.append(shortestText(value).toLatin1());
}

QString rangeText(const ValueRange& range) {
    if (!range.any)
        return QStringLiteral("none");
    return valueText(range.min) + QStringLiteral(" .. ") + valueText(range.max);
}

QString line(const QString& label, const QString& value) {
    return (label + QLatin1Char(':')).leftJustified(18) + value + QLatin1Char('\n');
}
} // namespace

RecordingKind recordingKindOf(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("ban"))
        return RecordingKind::HopBin;
    if (suffix == QLatin1String("san"))
        return RecordingKind::Spectrum;
    return RecordingKind::Other;
}

QString recordingKindText(RecordingKind kind) {
    switch (kind) {
    case RecordingKind::HopBin:
        return QStringLiteral("hop bin recording (.ban)");
    case RecordingKind::Spectrum:
        return QStringLiteral("spectrum recording (.san)");
    case RecordingKind::Other:
        break;
    }
    return QStringLiteral("recording");
}

void ValueRange::add(float value) {
    if (!std::isfinite(value))
        return;
    if (!any) {
        any = true;
        min = max = value;
        return;
    }
    min = std::min(min, value);
    max = std::max(max, value);
}

std::int64_t RecordingSummary::durationMs() const {
    if (!firstTimeMs || !lastTimeMs)
        return 0;
    std::int64_t duration = *lastTimeMs - *firstTimeMs;
    if (duration < 0)
        duration += kDayMs;
    return duration;
}

std::optional<double> RecordingSummary::recordsPerSecond() const {
    const std::int64_t duration = durationMs();
    if (duration <= 0 || records < 2)
        return std::nullopt;
    return static_cast<double>(records - 1) * 1000.0 / static_cast<double>(duration);
}

bool forEachRecord(QIODevice& device, const std::function<bool(qint64, const FileVar&)>& visit,
                   qint64* bytes, QString* error) {
    std::vector<char> buffer(static_cast<std::size_t>(kChunkRecords * kRecordSize));
    qint64 filled = 0; // bytes in the buffer, a partial slot at most carried over
    qint64 total = 0;
    qint64 number = 0;
    bool ok = true;
    for (;;) {
        const qint64 got =
            device.read(buffer.data() + filled, static_cast<qint64>(buffer.size()) - filled);
        if (got < 0) {
            if (error)
                *error = device.errorString();
            ok = false;
            break;
        }
        if (got == 0 && !(device.isSequential() && device.waitForReadyRead(-1)))
            break;
        total += got;
        filled += got;
        const qint64 whole = filled / kRecordSize;
        for (qint64 i = 0; i < whole; ++i) {
            if (!visit(++number, decodeRecord(buffer.data() + i * kRecordSize))) {
                if (bytes)
                    *bytes = total;
                return false;
            }
        }
        const qint64 rest = filled - whole * kRecordSize;
        if (rest > 0)
            std::memmove(buffer.data(), buffer.data() + whole * kRecordSize,
                         static_cast<std::size_t>(rest));
        filled = rest;
    }
    if (bytes)
        *bytes = total;
    return ok;
}

void addRecord(RecordingSummary& s, const FileVar& record) {
    if (s.records == 0) {
        s.minItem = s.maxItem = record.ItemIndex;
    } else {
        s.minItem = std::min(s.minItem, record.ItemIndex);
        s.maxItem = std::max(s.maxItem, record.ItemIndex);
    }
    ++s.records;
    if (record.ItemIndex == 0)
        ++s.sweeps;
    s.valueA.add(record.ValueA);
    s.valueB.add(record.ValueB);

    if (const auto ms = timeOfDayMs(record.ReadTime)) {
        if (!s.firstTimeMs)
            s.firstTimeMs = ms;
        s.lastTimeMs = ms;
    } else {
        ++s.recordsWithoutTime;
    }

    bool unusable = false;
    if (!std::isfinite(record.ValueA) || !std::isfinite(record.ValueB)) {
        ++s.nonFinite;
        unusable = true;
    }
    if (s.kind == RecordingKind::HopBin && (record.ItemIndex < 0 || record.ItemIndex >= kHopBins)) {
        ++s.itemOutOfRange;
        unusable = true;
    }
    // The spectrum analyzer shows the first voltage; playback skips a negative one.
    if (s.kind == RecordingKind::Spectrum && record.ValueA < 0.0f) {
        ++s.negativeVoltage;
        unusable = true;
    }
    if (unusable)
        ++s.unusable;
}

std::optional<RecordingSummary> summarize(QIODevice& device, RecordingKind kind, QString* error) {
    RecordingSummary summary;
    summary.kind = kind;
    qint64 bytes = 0;
    const bool ok = forEachRecord(
        device,
        [&summary](qint64, const FileVar& record) {
            addRecord(summary, record);
            return true;
        },
        &bytes, error);
    if (!ok)
        return std::nullopt;
    summary.bytes = bytes;
    summary.tornBytes = bytes - summary.records * kRecordSize;
    return summary;
}

std::optional<std::int64_t> timeOfDayMs(double readTime) {
    // Checked before rounding so that huge values never reach the integer conversion.
    if (!std::isfinite(readTime) || readTime < -0.5 || readTime > static_cast<double>(kDayMs) + 0.5)
        return std::nullopt;
    const std::int64_t ms = roundHalfEven(readTime);
    // Up to and including 86 400 000: a time just before midnight written as a float
    // may round up to it.
    if (ms < 0 || ms > kDayMs)
        return std::nullopt;
    return ms;
}

QString timeOfDayText(double ms) {
    const auto whole = timeOfDayMs(ms);
    if (!whole)
        return QString();
    return clockText(*whole % kDayMs);
}

QString valueText(float value) {
    if (std::isnan(value))
        return QStringLiteral("nan");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("inf") : QStringLiteral("-inf");
    return shortestText(value);
}

QString csvHeader() {
    return QStringLiteral("record,item,time,time_ms,value_a,value_b");
}

void appendCsvLine(QByteArray& out, qint64 number, const FileVar& record) {
    appendInteger(out, number);
    out.append(',');
    appendInteger(out, record.ItemIndex);
    out.append(',');
    if (const auto ms = timeOfDayMs(record.ReadTime))
        appendClock(out, *ms % kDayMs);
    out.append(',');
    appendValue(out, record.ReadTime);
    out.append(',');
    appendValue(out, record.ValueA);
    out.append(',');
    appendValue(out, record.ValueB);
}

QString csvLine(qint64 number, const FileVar& record) {
    QByteArray text;
    appendCsvLine(text, number, record);
    return QString::fromLatin1(text);
}

QString summaryText(const QString& path, const RecordingSummary& s) {
    QString text;
    text += line(QStringLiteral("file"), path);
    text += line(QStringLiteral("kind"), recordingKindText(s.kind));
    text += line(QStringLiteral("bytes"), QString::number(s.bytes));
    text += line(QStringLiteral("records"), QString::number(s.records));
    text += line(QStringLiteral("torn tail"),
                 QStringLiteral("%1 bytes ignored at the end").arg(s.tornBytes));
    text += line(QStringLiteral("sweeps"), QString::number(s.sweeps));
    if (s.firstTimeMs && s.lastTimeMs) {
        text += line(QStringLiteral("first time"), clockText(*s.firstTimeMs % kDayMs));
        text += line(QStringLiteral("last time"), clockText(*s.lastTimeMs % kDayMs));
        const std::int64_t duration = s.durationMs();
        text += line(QStringLiteral("duration"),
                     QStringLiteral("%1 s (%2)")
                         .arg(static_cast<double>(duration) / 1000.0, 0, 'f', 3)
                         .arg(clockText(duration)));
    } else {
        text += line(QStringLiteral("first time"), QStringLiteral("none"));
        text += line(QStringLiteral("last time"), QStringLiteral("none"));
        text += line(QStringLiteral("duration"), QStringLiteral("none"));
    }
    const auto rate = s.recordsPerSecond();
    text += line(QStringLiteral("records/s"),
                 rate ? QString::number(*rate, 'f', 2) : QStringLiteral("none"));
    if (s.recordsWithoutTime > 0)
        text += line(QStringLiteral("without time"), QString::number(s.recordsWithoutTime));
    text += line(QStringLiteral("item index"),
                 s.records > 0 ? QStringLiteral("%1 .. %2").arg(s.minItem).arg(s.maxItem)
                               : QStringLiteral("none"));

    QString unitA;
    QString unitB;
    switch (s.kind) {
    case RecordingKind::HopBin:
        unitA = QStringLiteral(" dBm (remote radio)");
        unitB = QStringLiteral(" dBm (this computer's radio)");
        break;
    case RecordingKind::Spectrum:
        unitA = unitB = QStringLiteral(" V (detector)");
        break;
    case RecordingKind::Other:
        break;
    }
    text +=
        line(QStringLiteral("value A"), rangeText(s.valueA) + (s.valueA.any ? unitA : QString()));
    text +=
        line(QStringLiteral("value B"), rangeText(s.valueB) + (s.valueB.any ? unitB : QString()));

    QStringList reasons;
    reasons << QStringLiteral("not a number: %1").arg(s.nonFinite);
    if (s.kind == RecordingKind::HopBin)
        reasons << QStringLiteral("hop bin outside 0..49: %1").arg(s.itemOutOfRange);
    if (s.kind == RecordingKind::Spectrum)
        reasons << QStringLiteral("negative voltage: %1").arg(s.negativeVoltage);
    text += line(QStringLiteral("unusable records"),
                 QStringLiteral("%1 (%2)").arg(s.unusable).arg(reasons.join(QStringLiteral(", "))));
    return text;
}
