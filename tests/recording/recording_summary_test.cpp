// The veltrane-recording tool: the summary of a recording, its records as CSV lines,
// and the program as a user runs it.

#include "recording/recording_summary.h"

#include <QBuffer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kTenOClock = 36000000.0f; // 10:00:00.000

QByteArray recordBytes(const std::vector<FileVar>& records, int tornBytes = 0) {
    QByteArray bytes;
    for (const FileVar& record : records)
        bytes.append(encodeRecord(record).data(), kRecordSize);
    return bytes + QByteArray(tornBytes, '\x7f');
}

RecordingSummary summaryOf(const std::vector<FileVar>& records, RecordingKind kind, int torn = 0) {
    QBuffer buffer;
    buffer.setData(recordBytes(records, torn));
    buffer.open(QIODevice::ReadOnly);
    const auto summary = summarize(buffer, kind);
    EXPECT_TRUE(summary.has_value());
    return summary.value_or(RecordingSummary{});
}

// Two sweeps of a hop bin recording over one second, with a value that is not a
// number, an infinite one and two hop bins outside the table.
const std::vector<FileVar> kHopBinRecords = {
    {0, kTenOClock, -80.5f, -70.25f},         {1, kTenOClock + 50, -90.0f, -60.0f},
    {49, kTenOClock + 100, kNaN, -65.0f},     {0, kTenOClock + 150, -100.0f, kInf},
    {50, kTenOClock + 200, -104.75f, -50.0f}, {-3, kTenOClock + 1000, -40.0f, -55.0f},
};

struct ToolRun {
    int exitCode = -1;
    QString out, err;
};

ToolRun runTool(const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral(VELTRANE_RECORDING_TOOL_PATH), args);
    ToolRun run;
    if (process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit)
        run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

TEST(RecordingSummary, TheSummaryOfAKnownFile) {
    const RecordingSummary s = summaryOf(kHopBinRecords, RecordingKind::HopBin, 5);
    EXPECT_DOUBLE_EQ(s.recordsPerSecond().value_or(0), 5.0); // five after the first in 1 s
    EXPECT_EQ(summaryText(QStringLiteral("known.ban"), s),
              QStringLiteral("file:             known.ban\n"
                             "kind:             hop bin recording (.ban)\n"
                             "bytes:            101\n"
                             "records:          6\n"
                             "torn tail:        5 bytes ignored at the end\n"
                             "sweeps:           2\n"
                             "first time:       10:00:00.000\n"
                             "last time:        10:00:01.000\n"
                             "duration:         1.000 s (00:00:01.000)\n"
                             "records/s:        5.00\n"
                             "item index:       -3 .. 50\n"
                             "value A:          -104.75 .. -40 dBm (remote radio)\n"
                             "value B:          -70.25 .. -50 dBm (this computer's radio)\n"
                             "unusable records: 4 (not a number: 2, hop bin outside 0..49: 2)\n"));

    const QString empty =
        summaryText(QStringLiteral("e.san"), summaryOf({}, RecordingKind::Spectrum, 15));
    EXPECT_TRUE(empty.contains(QStringLiteral("records:          0\n")) &&
                empty.contains(QStringLiteral("item index:       none\nvalue A:          none\n")))
        << qPrintable(empty);
}

TEST(RecordingSummary, UnusableRecordsDependOnTheKindAndTimesRunPastMidnight) {
    const std::vector<FileVar> records = {
        {0, 1000, 0.5f, 0.5f}, {120, 1001, -0.25f, -0.25f}, {-1, 1002, kNaN, 0.1f}};
    const RecordingSummary spectrum = summaryOf(records, RecordingKind::Spectrum);
    // Unusable in a spectrum, other and hop bin recording (NaN and outside count once).
    EXPECT_EQ((std::vector{spectrum.negativeVoltage, spectrum.unusable,
                           summaryOf(records, RecordingKind::Other).unusable,
                           summaryOf(records, RecordingKind::HopBin).unusable}),
              (std::vector<qint64>{1, 2, 1, 2}));

    const RecordingSummary night = summaryOf(
        {{0, 86399000.0f, -80, -80}, {1, kNaN, -80, -80}, {0, -5000, 1, 1}, {0, 500.0f, -80, -80}},
        RecordingKind::HopBin);
    EXPECT_EQ(std::tuple(night.durationMs(), night.recordsWithoutTime), std::tuple(1500, 2));
    const QString text = summaryText(QStringLiteral("night.ban"), night);
    EXPECT_TRUE(text.contains(QStringLiteral("first time:       23:59:59.000\n"
                                             "last time:        00:00:00.500\n")))
        << qPrintable(text);

    EXPECT_EQ(recordingKindOf(QStringLiteral("RUN.SAN")), RecordingKind::Spectrum);
    EXPECT_EQ(recordingKindOf(QStringLiteral("ban")), RecordingKind::Other);
}

TEST(RecordingSummary, CsvLinesAndTimesOfDay) {
    EXPECT_EQ(csvLine(1234567, {12, 45296788.0f, 0.1f, -104.78f}),
              QStringLiteral("1234567,12,12:34:56.788,45296788,0.1,-104.78"));
    EXPECT_EQ(csvLine(3, {-32768, 1.5f, 3e-7f, 1e20f}),
              QStringLiteral("3,-32768,00:00:00.002,1.5,3e-07,1e+20"));
    EXPECT_EQ(csvLine(7, {3, kNaN, kInf, -kInf}), QStringLiteral("7,3,,nan,inf,-inf"));
    const std::pair<double, const char*> times[] = {
        {1234.5, "00:00:01.234"},   {1235.5, "00:00:01.236"}, // halves to even
        {86399999, "23:59:59.999"}, {86400000, "00:00:00.000"}, {86400001, ""}, {-1, ""}};
    for (const auto& [ms, text] : times)
        EXPECT_EQ(timeOfDayText(ms).toStdString(), text) << ms;

    // More records than one read takes, with a torn tail: all visited, in order.
    std::vector<FileVar> records;
    for (int i = 0; i < 10000; ++i)
        records.push_back({static_cast<std::int16_t>(i % 50), static_cast<float>(i), -1, -2});
    QBuffer buffer;
    buffer.setData(recordBytes(records, 7));
    buffer.open(QIODevice::ReadOnly);
    qint64 visited = 0;
    EXPECT_TRUE(forEachRecord(buffer, [&](qint64 number, const FileVar& record) {
        EXPECT_TRUE(number == visited + 1 && record == records[visited]) << number;
        ++visited;
        return true;
    }));
    EXPECT_EQ(visited, 10000);
}

TEST(RecordingTool, InfoAndCsvOfAFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("known.ban"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(recordBytes(kHopBinRecords, 5)) > 0 &&
                file.flush());

    const ToolRun info = runTool({QStringLiteral("info"), path});
    EXPECT_EQ(info.exitCode, 0) << qPrintable(info.err);
    EXPECT_TRUE(info.out.contains(QStringLiteral("unusable records: 4")));

    const ToolRun csv = runTool({QStringLiteral("csv"), path});
    EXPECT_EQ(csv.exitCode, 0) << qPrintable(csv.err);
    const QStringList lines = csv.out.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 8); // header, 6 records, nothing after the last line end
    EXPECT_EQ(lines[0], QStringLiteral("record,item,time,time_ms,value_a,value_b"));
    EXPECT_EQ(lines[3], QStringLiteral("3,49,10:00:00.100,36000100,nan,-65"));
    const QString out = dir.filePath(QStringLiteral("known.csv"));
    EXPECT_EQ(runTool({QStringLiteral("csv"), path, out}).exitCode, 0);
    QFile written(out);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(written.readAll()), csv.out);
}

TEST(RecordingTool, FileProblemsEndWithOneAndUsageProblemsWithTwo) {
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("missing.ban"));
    const ToolRun run = runTool({QStringLiteral("csv"), missing});
    EXPECT_TRUE(run.exitCode == 1 && run.out.isEmpty() &&
                run.err.contains(missing + QStringLiteral(": no such file")))
        << qPrintable(run.err);
    EXPECT_EQ(runTool({QStringLiteral("info"), dir.path()}).exitCode, 1); // a folder

    const ToolRun unknown = runTool({QStringLiteral("play"), QStringLiteral("x.ban")});
    EXPECT_TRUE(unknown.exitCode == 2 &&
                unknown.err.contains(QStringLiteral("unknown command \"play\"")));
    EXPECT_EQ(runTool({QStringLiteral("info")}).exitCode, 2);
    EXPECT_EQ(runTool({QStringLiteral("--no-such-option")}).exitCode, 2);
    EXPECT_EQ(runTool({QStringLiteral("--version")}).out.trimmed(),
              QStringLiteral("veltrane-recording " VELTRANE_VERSION));
}
