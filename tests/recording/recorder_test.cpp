// The recorder on its own: record numbering and the counter beside the slider,
// the pacing of playback worked out from the recorded times, the end of a
// playback, and moving the position.

#include "recording/recorder.h"
#include "support/suite_fixture.h"

#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

class RecorderTest : public ::testing::Test {
protected:
    void SetUp() override {
        recorder.view = &view;
        recorder.clock = [this] { return now; };
        recorder.fullStop = [this] {
            ++fullStops;
            recorder.TransportMode = Recorder::Idle;
            recorder.closeFile();
        };
    }

    // `sweeps` sweeps of `points` records; sweep k started at `startMs` + k x `gapMs`,
    // its records 1 ms apart.
    QString writeSweeps(int sweeps, int points, double startMs, double gapMs) {
        const QString path = dir.filePath(QStringLiteral("sweeps.san"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        for (int k = 0; k < sweeps; ++k)
            for (int i = 0; i < points; ++i)
                file.write(encodeRecord({static_cast<std::int16_t>(i),
                                         static_cast<float>(startMs + k * gapMs + i), 0.5f, 0.5f})
                               .data(),
                           16);
        return path;
    }

    // The analyzers' step before each read: the time of day just before it.
    bool readNext() {
        recorder.Bin0Time = recorder.clock();
        return recorder.ReadNextRecord();
    }

    QTemporaryDir dir;
    StopFlags flags;
    EventWait wait{flags};
    Recorder recorder{wait};
    FakeTransportView view;
    std::int32_t now = 36000000; // 10:00:00
    int fullStops = 0;
};

TEST_F(RecorderTest, RecordsAreNumberedFromOneFlushedAndCounted) {
    const QString path = dir.filePath(QStringLiteral("new.ban"));
    ASSERT_TRUE(recorder.openForRecording(path, false));
    recorder.RecordCounter = 1;
    recorder.RecordPoint(3, -60.0f, -70.0f);
    // The slider's maximum is never below 2.
    EXPECT_EQ(std::tuple(view.positionText, view.sliderMaximum), std::tuple(u"1/1"_s, 2));
    EXPECT_TRUE(runEventsUntil([&] { return QFile(path).size() == 16; },
                               Recorder::kFlushIntervalMs + 1000));
    now += 40;
    recorder.RecordPoint(4, -61.0f, -71.0f);
    recorder.RecordPoint(5, -62.0f, -72.0f);
    EXPECT_EQ(std::tuple(view.positionText, view.sliderMaximum, recorder.RecordCounter),
              std::tuple(u"3/3"_s, 3, 4));
    recorder.closeFile();
    RecordingFile file;
    ASSERT_TRUE(file.openForPlayback(path));
    ASSERT_EQ(file.recordCount(), 3);
    EXPECT_EQ(file.readRecord(2), (FileVar{4, 36000040.0f, -61.0f, -71.0f}));
}

TEST_F(RecorderTest, AWriteFailureIsReportedOnceAndStopsWriting) {
    std::vector<QString> failures;
    recorder.recordingFailed = [&](const QString& message) { failures.push_back(message); };
    if (!recorder.openForRecording(QStringLiteral("/dev/full"), true))
        GTEST_SKIP() << "no /dev/full";
    recorder.RecordCounter = 1;
    recorder.RecordPoint(0, -60.0f, -60.0f);
    recorder.flushRecording();
    recorder.RecordPoint(1, -60.0f, -60.0f);
    recorder.closeFile();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_TRUE(failures[0].contains(QStringLiteral("/dev/full")));
    EXPECT_EQ(recorder.RecordCounter, 2); // the failed record is not counted again
}

// Sweeps whose starts were recorded 600 ms apart: the first sweep waits a second after
// its first point (its gap counts from 0), the later ones 600 ms; within a sweep
// nothing waits. Gaps above a second are shortened; midnight waits briefly.
TEST_F(RecorderTest, PlaybackIsPacedAsRecorded) {
    ASSERT_TRUE(recorder.openForPlayback(writeSweeps(3, 50, 43200000.0, 600.0)));
    std::vector<int> intervals;
    while (readNext()) {
        intervals.push_back(recorder.PlaybackInterval);
        now += 2; // the display takes a moment per point
    }
    ASSERT_EQ(intervals.size(), 150u);
    // The intervals at the sweeps' first and last points, and the one stop at the end.
    EXPECT_EQ((std::vector{intervals[0], intervals[1], intervals[49], intervals[50], intervals[100],
                           fullStops}),
              (std::vector{1000, 0, 0, 600, 600, 1}));

    ASSERT_TRUE(recorder.openForPlayback(writeSweeps(3, 2, 1000.0, 5000.0)));
    recorder.RecordCounter = 0;
    recorder.oldbin0filetime = 0;
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(readNext());
    EXPECT_EQ(recorder.PlaybackInterval, 1000); // 5 s recorded
    ASSERT_TRUE(readNext());
    recorder.Bin0Time = 86399990;
    now = 5; // the clock passes midnight between the time stamp and the read
    ASSERT_TRUE(recorder.ReadNextRecord());
    EXPECT_EQ(recorder.PlaybackInterval, Recorder::kMidnightWaitMs);
}

TEST_F(RecorderTest, PlaybackGoesOnFromTheSliderAndEndsAtTheEnd) {
    ASSERT_TRUE(recorder.openForPlayback(writeSweeps(1, 40, 1000.0, 0.0)));
    recorder.RecordCounter = 25; // the slider let go at 25
    ASSERT_TRUE(readNext());
    // Record 26, holding point 25, and the slider at it.
    EXPECT_EQ(std::tuple(recorder.RecordCounter, recorder.fileVar.ItemIndex, view.slider),
              std::tuple(26, 25, 26));
    recorder.SliderHeld = true; // held: the slider is left where the user has it
    view.slider = 3;
    ASSERT_TRUE(readNext());
    EXPECT_EQ(view.slider, 3);

    recorder.RecordCounter = 70; // beyond the end (the file was cut short meanwhile)
    EXPECT_TRUE(!readNext() && fullStops == 1);
}

TEST_F(RecorderTest, NextPlaybackRecordWaitsForThePacingTickOrAStop) {
    ASSERT_TRUE(recorder.openForPlayback(writeSweeps(2, 2, 1000.0, 300.0)));
    const auto stopped = [this] { return flags.StopRequested; };
    recorder.PlaybackInterval = 0;
    ASSERT_TRUE(recorder.NextPlaybackRecord(stopped)); // sweep 1 starts: waits 1 s next
    EXPECT_EQ(recorder.PlaybackInterval, 1000);
    QObject scope;
    QTimer::singleShot(50, &scope, [this] { flags.StopRequested = true; });
    EXPECT_FALSE(recorder.NextPlaybackRecord(stopped));
    EXPECT_EQ(recorder.RecordCounter, 1); // nothing read while stopped
}
