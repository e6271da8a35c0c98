// The transport buttons with recordings, on a suite whose radio is the emulator:
// Record into new and existing files, Pause while recording, Load File, Play of a
// recording paced and ended by itself, and recordings played back through the same
// statistics as the live run that made them.

#include "user_input.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

const QStringList kFastRadio = u"--sync-delay 0 --report-rate 1000"_s.split(u' ');

std::vector<FileVar> recordsOf(const QString& path) {
    std::vector<FileVar> records;
    RecordingFile file;
    if (!file.openForPlayback(path))
        return records;
    for (qint64 n = 1; n <= file.recordCount(); ++n)
        records.push_back(*file.readRecord(n));
    return records;
}

class TransportTest : public SuiteOnEmulator {
protected:
    // A hop bin suite with a 20-point spectrum; a test may switch to the spectrum.
    void SetUp() override {
        startLink(Transport::Pty, kFastRadio);
        ASSERT_FALSE(HasFatalFailure());
        suite->settings.ProgramDirectory = dir.path() + QLatin1Char('/');
        suite->settings.NumberOfPoints = 20;
        suite->spectrumData.resize(20);
        acquisition = std::make_unique<AcquisitionControl>(*suite, view);
        control = std::make_unique<RecordingControl>(*suite, view, *acquisition, dialogs);
        view.onSourceChange = [this](int index) {
            suite->recorder.SelectedSource = index;
            if (suite->recorder.TransportMode != Recorder::Idle)
                acquisition->Stop();
        };
    }

    QString pathOf(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    void stopAt(int ms) {
        QTimer::singleShot(ms, &scope, [this] { acquisition->Stop(); });
    }

    // Records a live run of `ms` into a new file.
    QString recordFor(int ms, const char* name) {
        dialogs.saveAnswer = pathOf(name);
        stopAt(ms);
        control->Record();
        return dialogs.saveAnswer;
    }

    // Plays the selected recording until it ends by itself (Stop after 20 s is a
    // safety net: the playback should have ended long before).
    void playToTheEnd() {
        stopAt(20000);
        acquisition->Play();
    }

    QTemporaryDir dir;
    FakeTransportView view;
    ScriptedFileDialogs dialogs;
    std::unique_ptr<AcquisitionControl> acquisition;
    std::unique_ptr<RecordingControl> control;
};

} // namespace

// A live run recorded into a new file: every applied report, numbered from one, in
// order, the last one with the levels its bin shows; played back, the same
// statistics without the radio in bin report mode; recorded into again, appended.
TEST_F(TransportTest, RecordWritesEveryAppliedReportPlaysBackToTheSameStatisticsAndAppends) {
    const QString path = recordFor(1500, "live.ban");
    ASSERT_EQ(dialogs.requests.size(), 1u); // in the recordings folder, with the hop bin filter
    const auto& asked = dialogs.requests[0];
    EXPECT_EQ(asked.directory + asked.nameFilters + asked.defaultSuffix,
              dir.path() + u"/Recordings/Bin Analyzer File (*.ban);;All Files (*)ban"_s);
    EXPECT_EQ(view.sources, (QStringList{u"Real-Time"_s, u"live.ban"_s}));
    EXPECT_EQ(suite->recorder.SourceFiles.value(1), path);

    const std::vector<FileVar> records = recordsOf(path);
    ASSERT_GT(records.size(), 100u);
    EXPECT_EQ(QFile(path).size(), 16 * static_cast<qint64>(records.size()));
    EXPECT_EQ(static_cast<float>(records.size()), suite->hopBinData.TotalReports);
    EXPECT_EQ(suite->recorder.RecordCounter, static_cast<qint64>(records.size()) + 1);
    for (std::size_t n = 1; n < records.size(); ++n)
        ASSERT_GE(records[n].ReadTime, records[n - 1].ReadTime) << n;
    const FileVar& last = records.back();
    const auto& stats = suite->hopBinData.HopBins[static_cast<std::size_t>(last.ItemIndex)];
    EXPECT_EQ(std::pair(last.ValueA, last.ValueB),
              std::pair(stats[kRemoteSide].Current, stats[kPcSide].Current));
    EXPECT_TRUE(view.record == TransportView::RecordNormal && view.sliderEnabled);

    const HopBinData live = suite->hopBinData;
    emulator.takeReceived();
    dialogs.openAnswer = path;
    control->LoadFile();
    EXPECT_EQ(dialogs.requests.back().selectedFile, path); // the selected recording
    const qint64 count = static_cast<qint64>(records.size());
    EXPECT_EQ(view.positionText + u' ' + QString::number(view.sliderMaximum),
              u"0/%1 %1"_s.arg(count));
    playToTheEnd();
    EXPECT_EQ(suite->hopBinData, live);
    EXPECT_EQ(suite->recorder.TransportMode, Recorder::Idle); // ended by itself
    EXPECT_EQ(std::tuple(view.record, view.play, view.pause),
              std::tuple(TransportView::RecordNormal, TransportView::PlayNormal,
                         TransportView::PauseNormal));
    EXPECT_EQ(view.positionText, u"%1/%1"_s.arg(live.TotalReports));
    EXPECT_FALSE(suite->recorder.file().isOpen());
    EXPECT_FALSE(emulator.takeReceived().contains(radio::binReportOn()));
    EXPECT_EQ(std::pair(view.sources.size(), view.selected),
              std::pair(qsizetype(3), 1)); // another entry

    dialogs.openAnswer.clear(); // cancelled: nothing changes
    control->LoadFile();
    EXPECT_EQ(view.sources.size(), 3);

    // Record into the selected recording: asked first; appended after its last
    // record, numbered on from there.
    messages.answer = MessageBoxes::Answer::Cancel;
    control->Record(); // nothing happens
    EXPECT_EQ(suite->recorder.TransportMode, Recorder::Idle);
    EXPECT_EQ(QFile(path).size(), 16 * count);
    messages.answer = MessageBoxes::Answer::Yes;
    qint64 firstNumber = 0;
    QTimer::singleShot(1, &scope, [&] { firstNumber = suite->recorder.RecordCounter; });
    stopAt(1000);
    control->Record();
    EXPECT_EQ(firstNumber, count + 1);
    EXPECT_EQ(messages.shown.last(), u"Do you want to append the data to the current file?"_s);
    const std::vector<FileVar> appended = recordsOf(path);
    ASSERT_GT(appended.size(), records.size());
    EXPECT_TRUE(std::equal(records.begin(), records.end(), appended.begin()));
    EXPECT_GT(appended[records.size()].ReadTime, last.ReadTime); // a live record follows
}

TEST_F(TransportTest, PauseTwiceResumesAtTheNextNumberWithNothingWrittenMeanwhile) {
    dialogs.saveAnswer = pathOf("paused.ban");
    qint64 atPause = 0, atResume = 0;
    QTimer::singleShot(700, &scope, [&] {
        acquisition->Pause();
        atPause = suite->recorder.RecordCounter;
        EXPECT_EQ(view.pause, TransportView::PauseActive);
    });
    QTimer::singleShot(1200, &scope, [&] {
        atResume = suite->recorder.RecordCounter;
        acquisition->Pause();
    });
    stopAt(1700);
    control->Record();

    EXPECT_GT(atPause, 1);
    EXPECT_EQ(atResume, atPause); // nothing recorded while paused
    const std::vector<FileVar> records = recordsOf(dialogs.saveAnswer);
    ASSERT_GT(static_cast<qint64>(records.size()), atPause);
    // No hole and no half-second gap of reports inside a run: the pause shows as one
    // jump of the time stamps between records atPause - 1 and atPause.
    const auto at = [&](qint64 n) { return records[static_cast<std::size_t>(n)].ReadTime; };
    EXPECT_GE(at(atPause - 1) - at(atPause - 2), 400.0f);
}

// Damaged records are skipped, an empty recording ends at once, a spectrum recording
// plays back to the same traces, and a recording that cannot be opened or made
// says so.
TEST_F(TransportTest, DamagedMissingEmptyAndSpectrumRecordingsPlayWhatCanBeUsed) {
    const float nan = std::nanf("");
    dialogs.openAnswer = pathOf("damaged.ban");
    writeRecords(dialogs.openAnswer, {{0, 1000, -60, -61},
                                      {kHopBinCount, 1001, -60, -61},
                                      {-1, 1002, -60, -61},
                                      {4, 1003, nan, -61},
                                      {5, 1004, -60, nan},
                                      {kHopBinCount - 1, nan, -70, -71}});
    control->LoadFile();
    playToTheEnd();
    EXPECT_EQ(suite->hopBinData.TotalReports, 2.0f); // the first and the last
    EXPECT_EQ(suite->hopBins.RejectedReports, 4);
    EXPECT_EQ(suite->hopBinData.HopBins[kHopBinCount - 1][kRemoteSide].Current, -70.0f);

    dialogs.openAnswer = pathOf("empty.ban");
    writeRecords(dialogs.openAnswer, {});
    control->LoadFile();
    playToTheEnd();
    EXPECT_TRUE(suite->recorder.TransportMode == Recorder::Idle &&
                view.play == TransportView::PlayNormal);

    // A spectrum recording into a new file: one record a point, played back to the
    // same traces.
    view.selectSource(0); // "Real-Time"
    suite->settings.MeterTest = 1;
    const QString path = recordFor(1500, "roundtrip.san");
    EXPECT_EQ(dialogs.requests.back().defaultSuffix, u"san"_s);
    const std::vector<SweepPoint> live = suite->spectrumData.SweepPoints;
    const std::vector<FileVar> records = recordsOf(path);
    ASSERT_GT(records.size(), 40u);
    EXPECT_TRUE(records[0].ItemIndex == 0 && records[21].ItemIndex == 1); // 20 points a sweep
    EXPECT_EQ(records[5].ValueA, records[5].ValueB);

    dialogs.openAnswer = path;
    control->LoadFile();
    playToTheEnd();
    EXPECT_EQ(suite->spectrumData.SweepPoints, live);
    EXPECT_EQ(suite->recorder.TransportMode, Recorder::Idle);

    view.selectSource(0); // a new recording where none can be made
    dialogs.saveAnswer = pathOf("no/such/folder/run.ban");
    control->Record();
    dialogs.openAnswer = pathOf("gone.ban");
    control->LoadFile();
    acquisition->Play();
    EXPECT_EQ(messages.shown, QStringList(2, u"Unable to open file."_s));
    EXPECT_EQ(suite->recorder.TransportMode, Recorder::Idle);
}
