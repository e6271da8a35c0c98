// Any bytes as a recording read by the veltrane-recording tool: the summary and every
// CSV line. The figures agree with the file's length and with one another, every
// line has its six fields, and nothing is read beyond the last whole record.

#include "recording/recording_summary.h"
#include "fuzz_support.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <unistd.h>

namespace {

void checkRange(const ValueRange& range) {
    if (range.any)
        check(std::isfinite(range.min) && std::isfinite(range.max) && range.min <= range.max);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const qint64 length = static_cast<qint64>(size);
    const QString path =
        writeFuzzFile("summary", ".ban", reinterpret_cast<const char*>(data), length);
    QFile file(path);
    check(file.open(QIODevice::ReadOnly));
    const auto summary = summarize(file, recordingKindOf(path));
    check(summary.has_value());
    const RecordingSummary& s = *summary;
    check(s.bytes == length);
    check(s.records == length / kRecordSize);
    check(s.tornBytes == length % kRecordSize);
    check(s.sweeps >= 0 && s.sweeps <= s.records);
    check(s.unusable >= 0 && s.unusable <= s.records);
    check(s.unusable >= s.nonFinite && s.unusable >= s.itemOutOfRange);
    check(s.unusable <= s.nonFinite + s.itemOutOfRange + s.negativeVoltage);
    check(s.recordsWithoutTime >= 0 && s.recordsWithoutTime <= s.records);
    check(s.firstTimeMs.has_value() == s.lastTimeMs.has_value());
    check(s.firstTimeMs.has_value() == (s.recordsWithoutTime < s.records));
    check(s.durationMs() >= 0 && s.durationMs() <= 24 * 60 * 60 * 1000);
    if (const auto rate = s.recordsPerSecond())
        check(std::isfinite(*rate) && *rate > 0);
    if (s.records > 0)
        check(s.minItem <= s.maxItem);
    checkRange(s.valueA);
    checkRange(s.valueB);
    const QString text = summaryText(path, s);
    check(text.endsWith(QLatin1Char('\n')));

    // Every record once, in order, as a line of six fields that match the record.
    check(file.seek(0));
    qint64 lines = 0;
    check(forEachRecord(file, [&](qint64 number, const FileVar& record) {
        check(number == ++lines);
        check(decodeRecord(reinterpret_cast<const char*>(data) + (number - 1) * kRecordSize) ==
                  record ||
              std::isnan(record.ReadTime) || std::isnan(record.ValueA) ||
              std::isnan(record.ValueB));
        const QString line = csvLine(number, record);
        const QStringList fields = line.split(QLatin1Char(','));
        check(fields.size() == 6);
        check(fields[0] == QString::number(number));
        check(fields[1] == QString::number(record.ItemIndex));
        const QString time = fields[2];
        check(time.isEmpty() || (time.size() == 12 && time[2] == QLatin1Char(':') &&
                                 time[5] == QLatin1Char(':') && time[8] == QLatin1Char('.')));
        check(time.isEmpty() == !timeOfDayMs(record.ReadTime).has_value());
        for (int i = 3; i < 6; ++i)
            check(!fields[i].isEmpty() && !fields[i].contains(QLatin1Char(' ')));
        // The values read back to the same floats.
        const float values[] = {record.ReadTime, record.ValueA, record.ValueB};
        for (int i = 0; i < 3; ++i) {
            // from_chars rather than QString::toFloat, which refuses subnormal floats.
            const QByteArray digits = fields[3 + i].toLatin1();
            float back = 0;
            const auto [end, error] =
                std::from_chars(digits.constData(), digits.constData() + digits.size(), back);
            const bool ok = error == std::errc() && end == digits.constData() + digits.size();
            if (std::isnan(values[i]))
                check(fields[3 + i] == QLatin1String("nan"));
            else if (std::isinf(values[i]))
                check(fields[3 + i] ==
                      (values[i] > 0 ? QLatin1String("inf") : QLatin1String("-inf")));
            else
                check(ok && back == values[i]);
        }
        return true;
    }));
    check(lines == s.records);
    return 0;
}
