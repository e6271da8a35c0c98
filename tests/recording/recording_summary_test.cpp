// The veltrane-recording tool: the summary of a recording, its records as CSV lines,
// and the program as a user runs it.

#include "recording/recording_summary.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kTenOClock = 36000000.0f; // 10:00:00.000

QByteArray recordBytes(const std::vector<FileVar>& records, int tornBytes = 0) {
    QByteArray bytes;
    for (const FileVar& record : records) {
        const auto slot = encodeRecord(record);
        bytes.append(slot.data(), kRecordSize);
    }
    bytes.append(QByteArray(tornBytes, '\x7f'));
    return bytes;
}

RecordingSummary summaryOf(const QByteArray& bytes, RecordingKind kind) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const auto summary = summarize(buffer, kind);
    EXPECT_TRUE(summary.has_value());
    return summary.value_or(RecordingSummary{});
}

// Two sweeps of a hop bin recording over one second, with a value that is not a
// number, an infinite one, two hop bins outside the table and a torn last slot.
std::vector<FileVar> hopBinRecords() {
    return {
        {0, kTenOClock, -80.5f, -70.25f},         {1, kTenOClock + 50, -90.0f, -60.0f},
        {49, kTenOClock + 100, kNaN, -65.0f},     {0, kTenOClock + 150, -100.0f, kInf},
        {50, kTenOClock + 200, -104.75f, -50.0f}, {-3, kTenOClock + 1000, -40.0f, -55.0f},
    };
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

struct ToolRun {
    int exitCode = -1;
    QString out, err;
};

ToolRun runTool(const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral(VELTRANE_RECORDING_TOOL_PATH), args);
    ToolRun run;
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

} // namespace

TEST(RecordingSummary, FiguresOfAKnownHopBinFile) {
    const RecordingSummary s = summaryOf(recordBytes(hopBinRecords(), 5), RecordingKind::HopBin);
    EXPECT_EQ(s.bytes, 6 * 16 + 5);
    EXPECT_EQ(s.records, 6);
    EXPECT_EQ(s.tornBytes, 5);
    EXPECT_EQ(s.sweeps, 2);
    EXPECT_EQ(s.minItem, -3);
    EXPECT_EQ(s.maxItem, 50);
    ASSERT_TRUE(s.firstTimeMs && s.lastTimeMs);
    EXPECT_EQ(*s.firstTimeMs, 36000000);
    EXPECT_EQ(*s.lastTimeMs, 36001000);
    EXPECT_EQ(s.durationMs(), 1000);
    ASSERT_TRUE(s.recordsPerSecond());
    EXPECT_DOUBLE_EQ(*s.recordsPerSecond(), 5.0); // five records after the first in 1 s
    // Ranges of the finite values only.
    ASSERT_TRUE(s.valueA.any && s.valueB.any);
    EXPECT_EQ(s.valueA.min, -104.75f);
    EXPECT_EQ(s.valueA.max, -40.0f);
    EXPECT_EQ(s.valueB.min, -70.25f);
    EXPECT_EQ(s.valueB.max, -50.0f);
    EXPECT_EQ(s.nonFinite, 2);
    EXPECT_EQ(s.itemOutOfRange, 2);
    EXPECT_EQ(s.negativeVoltage, 0);
    EXPECT_EQ(s.unusable, 4);
    EXPECT_EQ(s.recordsWithoutTime, 0);
}

TEST(RecordingSummary, WhatCountsAsUnusableDependsOnTheKind) {
    const std::vector<FileVar> records = {
        {0, 1000, 0.5f, 0.5f}, {120, 1001, -0.25f, -0.25f}, {-1, 1002, kNaN, 0.1f}};
    const RecordingSummary spectrum = summaryOf(recordBytes(records), RecordingKind::Spectrum);
    EXPECT_EQ(spectrum.itemOutOfRange, 0);
    EXPECT_EQ(spectrum.negativeVoltage, 1);
    EXPECT_EQ(spectrum.nonFinite, 1);
    EXPECT_EQ(spectrum.unusable, 2);

    const RecordingSummary other = summaryOf(recordBytes(records), RecordingKind::Other);
    EXPECT_EQ(other.unusable, 1);
    const RecordingSummary hopBin = summaryOf(recordBytes(records), RecordingKind::HopBin);
    EXPECT_EQ(hopBin.itemOutOfRange, 2);
    EXPECT_EQ(hopBin.unusable, 2); // the NaN record is also outside the table: once
}

TEST(RecordingSummary, DurationRunsOnPastMidnight) {
    const std::vector<FileVar> records = {
        {0, 86399000.0f, -80, -80}, {1, 86400000.0f, -80, -80}, {0, 500.0f, -80, -80}};
    const RecordingSummary s = summaryOf(recordBytes(records), RecordingKind::HopBin);
    EXPECT_EQ(*s.firstTimeMs, 86399000);
    EXPECT_EQ(*s.lastTimeMs, 500);
    EXPECT_EQ(s.durationMs(), 1500);
    const QString text = summaryText(QStringLiteral("night.ban"), s);
    EXPECT_TRUE(text.contains(QStringLiteral("first time:       23:59:59.000\n")))
        << qPrintable(text);
    EXPECT_TRUE(text.contains(QStringLiteral("last time:        00:00:00.500\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("duration:         1.500 s (00:00:01.500)\n")));
}

TEST(RecordingSummary, TimesThatAreNoTimeOfDayAreLeftOut) {
    const std::vector<FileVar> records = {
        {0, kNaN, 1, 1}, {1, 2000, 1, 1}, {2, -5000, 1, 1}, {3, 3000, 1, 1}, {4, 1e20f, 1, 1}};
    const RecordingSummary s = summaryOf(recordBytes(records), RecordingKind::Other);
    EXPECT_EQ(*s.firstTimeMs, 2000);
    EXPECT_EQ(*s.lastTimeMs, 3000);
    EXPECT_EQ(s.recordsWithoutTime, 3);
    EXPECT_EQ(s.unusable, 0);
}

TEST(RecordingSummary, EmptyAndTornOnlyFilesHoldNoRecords) {
    for (const int torn : {0, 15}) {
        const RecordingSummary s = summaryOf(recordBytes({}, torn), RecordingKind::Spectrum);
        EXPECT_EQ(s.records, 0);
        EXPECT_EQ(s.tornBytes, torn);
        EXPECT_EQ(s.sweeps, 0);
        EXPECT_FALSE(s.firstTimeMs);
        EXPECT_EQ(s.durationMs(), 0);
        EXPECT_FALSE(s.recordsPerSecond());
        EXPECT_FALSE(s.valueA.any);
        const QString text = summaryText(QStringLiteral("empty.san"), s);
        EXPECT_TRUE(text.contains(QStringLiteral("records:          0\n"))) << qPrintable(text);
        EXPECT_TRUE(text.contains(QStringLiteral("item index:       none\n")));
        EXPECT_TRUE(text.contains(QStringLiteral("value A:          none\n")));
    }
}

TEST(RecordingSummary, SummaryTextOfTheKnownFile) {
    const RecordingSummary s = summaryOf(recordBytes(hopBinRecords(), 5), RecordingKind::HopBin);
    const QString expected =
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
                       "unusable records: 4 (not a number: 2, hop bin outside 0..49: 2)\n");
    EXPECT_EQ(summaryText(QStringLiteral("known.ban"), s), expected);
}

TEST(RecordingSummary, KindFollowsTheExtension) {
    EXPECT_EQ(recordingKindOf(QStringLiteral("/a/b/run.ban")), RecordingKind::HopBin);
    EXPECT_EQ(recordingKindOf(QStringLiteral("RUN.SAN")), RecordingKind::Spectrum);
    EXPECT_EQ(recordingKindOf(QStringLiteral("run.dat")), RecordingKind::Other);
    EXPECT_EQ(recordingKindOf(QStringLiteral("ban")), RecordingKind::Other);
    EXPECT_EQ(recordingKindText(RecordingKind::HopBin), QStringLiteral("hop bin recording (.ban)"));
    EXPECT_EQ(recordingKindText(RecordingKind::Spectrum),
              QStringLiteral("spectrum recording (.san)"));
    EXPECT_EQ(recordingKindText(RecordingKind::Other), QStringLiteral("recording"));
}

TEST(RecordingSummaryCsv, TimeOfDayText) {
    EXPECT_EQ(timeOfDayText(0), QStringLiteral("00:00:00.000"));
    EXPECT_EQ(timeOfDayText(45296788), QStringLiteral("12:34:56.788"));
    EXPECT_EQ(timeOfDayText(1234.5), QStringLiteral("00:00:01.234")); // halves to even
    EXPECT_EQ(timeOfDayText(1235.5), QStringLiteral("00:00:01.236"));
    EXPECT_EQ(timeOfDayText(86399999), QStringLiteral("23:59:59.999"));
    EXPECT_EQ(timeOfDayText(86400000), QStringLiteral("00:00:00.000")); // float of 23:59:59.999
    EXPECT_EQ(timeOfDayText(86400001), QString());
    EXPECT_EQ(timeOfDayText(-1), QString());
    EXPECT_EQ(timeOfDayText(kNaN), QString());
    EXPECT_EQ(timeOfDayText(kInf), QString());
}

TEST(RecordingSummaryCsv, LinesOfKnownRecords) {
    EXPECT_EQ(csvHeader(), QStringLiteral("record,item,time,time_ms,value_a,value_b"));
    EXPECT_EQ(csvLine(1, {0, kTenOClock, -80.5f, -70.25f}),
              QStringLiteral("1,0,10:00:00.000,36000000,-80.5,-70.25"));
    EXPECT_EQ(csvLine(1234567, {12, 45296788.0f, 0.1f, -104.78f}),
              QStringLiteral("1234567,12,12:34:56.788,45296788,0.1,-104.78"));
    EXPECT_EQ(csvLine(3, {-32768, 1.5f, 3e-7f, 1e20f}),
              QStringLiteral("3,-32768,00:00:00.002,1.5,3e-07,1e+20"));
}

TEST(RecordingSummaryCsv, NonFiniteValuesAreWrittenAsWords) {
    EXPECT_EQ(valueText(kNaN), QStringLiteral("nan"));
    EXPECT_EQ(valueText(-kNaN), QStringLiteral("nan"));
    EXPECT_EQ(valueText(kInf), QStringLiteral("inf"));
    EXPECT_EQ(valueText(-kInf), QStringLiteral("-inf"));
    EXPECT_EQ(valueText(-0.0f), QStringLiteral("0"));
    EXPECT_EQ(csvLine(7, {3, kNaN, kInf, -kInf}), QStringLiteral("7,3,,nan,inf,-inf"));
}

TEST(RecordingSummaryCsv, RecordsAreVisitedInOrderAcrossChunks) {
    // More records than one read takes, with a torn tail.
    std::vector<FileVar> records;
    for (int i = 0; i < 10000; ++i)
        records.push_back({static_cast<std::int16_t>(i % 50), static_cast<float>(i), -1, -2});
    QBuffer buffer;
    buffer.setData(recordBytes(records, 7));
    buffer.open(QIODevice::ReadOnly);
    qint64 visited = 0;
    bool inOrder = true;
    qint64 bytes = 0;
    EXPECT_TRUE(forEachRecord(
        buffer,
        [&](qint64 number, const FileVar& record) {
            inOrder = inOrder && number == visited + 1 && record == records[visited];
            ++visited;
            return true;
        },
        &bytes));
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(visited, 10000);
    EXPECT_EQ(bytes, 10000 * 16 + 7);
}

TEST(RecordingTool, InfoOnAGoodFile) {
    QTemporaryDir dir;
    const QString path =
        writeFile(dir, QStringLiteral("known.ban"), recordBytes(hopBinRecords(), 5));
    const ToolRun run = runTool({QStringLiteral("info"), path});
    EXPECT_EQ(run.exitCode, 0) << qPrintable(run.err);
    EXPECT_TRUE(run.out.contains(QStringLiteral("kind:             hop bin recording (.ban)\n")));
    EXPECT_TRUE(run.out.contains(QStringLiteral("records:          6\n")));
    EXPECT_TRUE(run.out.contains(QStringLiteral("sweeps:           2\n")));
    EXPECT_TRUE(run.out.contains(QStringLiteral("torn tail:        5 bytes")));
    EXPECT_TRUE(run.out.contains(QStringLiteral("unusable records: 4")));
    EXPECT_TRUE(run.err.isEmpty());

    const QString empty = writeFile(dir, QStringLiteral("empty.san"), QByteArray());
    const ToolRun emptyRun = runTool({QStringLiteral("info"), empty});
    EXPECT_EQ(emptyRun.exitCode, 0);
    EXPECT_TRUE(emptyRun.out.contains(QStringLiteral("records:          0\n")));
}

TEST(RecordingTool, CsvToStandardOutputAndToAFile) {
    QTemporaryDir dir;
    const QString path =
        writeFile(dir, QStringLiteral("known.ban"), recordBytes(hopBinRecords(), 5));
    const ToolRun run = runTool({QStringLiteral("csv"), path});
    EXPECT_EQ(run.exitCode, 0) << qPrintable(run.err);
    const QStringList lines = run.out.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 8); // header, 6 records, nothing after the last line end
    EXPECT_EQ(lines[0], QStringLiteral("record,item,time,time_ms,value_a,value_b"));
    EXPECT_EQ(lines[1], QStringLiteral("1,0,10:00:00.000,36000000,-80.5,-70.25"));
    EXPECT_EQ(lines[3], QStringLiteral("3,49,10:00:00.100,36000100,nan,-65"));
    EXPECT_EQ(lines[7], QString());

    const QString out = dir.filePath(QStringLiteral("known.csv"));
    const ToolRun toFile = runTool({QStringLiteral("csv"), path, out});
    EXPECT_EQ(toFile.exitCode, 0) << qPrintable(toFile.err);
    EXPECT_TRUE(toFile.out.isEmpty());
    QFile written(out);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(written.readAll()), run.out);
}

TEST(RecordingTool, FileProblemsEndWithStatusOne) {
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("missing.ban"));
    for (const QString& command : {QStringLiteral("info"), QStringLiteral("csv")}) {
        const ToolRun run = runTool({command, missing});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains(missing)) << qPrintable(run.err);
        EXPECT_TRUE(run.err.contains(QStringLiteral("no such file")));
        EXPECT_TRUE(run.out.isEmpty());
    }

    const ToolRun directory = runTool({QStringLiteral("info"), dir.path()});
    EXPECT_EQ(directory.exitCode, 1);
    EXPECT_TRUE(directory.err.contains(QStringLiteral("directory")));

    // A CSV file that cannot be written.
    const QString path = writeFile(dir, QStringLiteral("a.ban"), recordBytes(hopBinRecords()));
    const ToolRun unwritable =
        runTool({QStringLiteral("csv"), path, dir.filePath(QStringLiteral("no/such/dir/out.csv"))});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_FALSE(unwritable.err.isEmpty());
}

TEST(RecordingTool, UsageProblemsEndWithStatusTwo) {
    const ToolRun unknown = runTool({QStringLiteral("play"), QStringLiteral("x.ban")});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(unknown.err.contains(QStringLiteral("unknown command \"play\"")))
        << qPrintable(unknown.err);
    EXPECT_TRUE(unknown.out.isEmpty());

    EXPECT_EQ(runTool({}).exitCode, 2);
    EXPECT_EQ(runTool({QStringLiteral("info")}).exitCode, 2);
    EXPECT_EQ(runTool({QStringLiteral("info"), QStringLiteral("a"), QStringLiteral("b")}).exitCode,
              2);
    const ToolRun option = runTool({QStringLiteral("--no-such-option")});
    EXPECT_EQ(option.exitCode, 2);
    EXPECT_TRUE(option.err.contains(QStringLiteral("no-such-option")));
}

TEST(RecordingTool, HelpAndVersion) {
    const ToolRun version = runTool({QStringLiteral("--version")});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.trimmed(), QStringLiteral("veltrane-recording " VELTRANE_VERSION));

    const ToolRun help = runTool({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("info FILE")));
    EXPECT_TRUE(help.out.contains(QStringLiteral("csv FILE [OUT]")));
}
