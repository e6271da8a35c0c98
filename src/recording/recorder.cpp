#include "recording/recorder.h"

#include "core/event_wait.h"
#include "core/number_text.h"
#include "core/time_of_day.h"
#include "ui/transport_view.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {
// ReadTime as a whole number of ms; what no time of day can be becomes 0.
std::int32_t wholeMs(float readTime) {
    if (!std::isfinite(readTime) || std::fabs(readTime) > 1e9f)
        return 0;
    return static_cast<std::int32_t>(roundHalfEven(readTime));
}
} // namespace

Recorder::Recorder(const EventWait& wait) : clock(TimeOfDayMs), wait_(wait) {
    // Sub-second pauses between sweeps must be kept to the millisecond: a coarse
    // timer may be 5 % late.
    playbackTimer_.setSingleShot(true);
    playbackTimer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&playbackTimer_, &QTimer::timeout, [this] { PlaybackTick = true; });

    flushTimer_.setSingleShot(true);
    flushTimer_.setInterval(kFlushIntervalMs);
    QObject::connect(&flushTimer_, &QTimer::timeout, [this] { flushRecording(); });
}

bool Recorder::selectedSourceHasFile() const {
    return !selectedFile().isEmpty();
}

QString Recorder::selectedFile() const {
    if (SelectedSource <= 0 || SelectedSource >= SourceFiles.size())
        return QString();
    return SourceFiles.at(SelectedSource);
}

bool Recorder::openForRecording(const QString& path, bool append) {
    closeFile();
    return file_.openForRecording(path, !append);
}

bool Recorder::openForPlayback(const QString& path) {
    closeFile();
    return file_.openForPlayback(path);
}

void Recorder::closeFile() {
    flushTimer_.stop();
    const bool wasRecording = file_.role() == RecordingFile::Role::Recording;
    if (!file_.close() && wasRecording)
        reportWriteFailure();
}

qint64 Recorder::recordsIn(const QString& path) {
    return QFileInfo(path).size() / kRecordSize;
}

void Recorder::RecordPoint(int itemIndex, float valueA, float valueB) {
    // A recording whose file failed writes nothing more until the user starts anew.
    if (file_.role() != RecordingFile::Role::Recording)
        return;
    fileVar.ItemIndex = static_cast<std::int16_t>(itemIndex);
    fileVar.ReadTime = static_cast<float>(clock());
    fileVar.ValueA = valueA;
    fileVar.ValueB = valueB;
    if (!file_.writeRecord(RecordCounter, fileVar)) {
        reportWriteFailure();
        return;
    }
    if (!flushTimer_.isActive())
        flushTimer_.start();

    const qint64 count = file_.recordCount();
    if (view) {
        view->setPositionText(positionText(RecordCounter, count));
        const qint64 maximum = std::max<qint64>(count, 2);
        view->setSliderMaximum(maximum);
        view->setSliderValue(maximum);
    }
    ++RecordCounter;
}

void Recorder::flushRecording() {
    if (file_.role() != RecordingFile::Role::Recording)
        return;
    flushTimer_.stop();
    if (!file_.flush())
        reportWriteFailure();
}

void Recorder::reportWriteFailure() {
    const QString message =
        QStringLiteral("The recording has been stopped: the file %1 could not be written (%2). "
                       "Every record written before is kept in it.")
            .arg(file_.path(), file_.errorText());
    if (recordingFailed)
        recordingFailed(message);
}

std::optional<FileVar> Recorder::NextPlaybackRecord(const std::function<bool()>& stopped) {
    // A run told to stop reads nothing more: the file may already be another one.
    if (stopped())
        return std::nullopt;
    if (PlaybackInterval != 0) {
        playbackTimer_.start(PlaybackInterval);
        if (!wait_.until([&] { return PlaybackTick || stopped(); }) || stopped())
            return std::nullopt;
    }
    Bin0Time = clock();
    if (!ReadNextRecord() || stopped())
        return std::nullopt;
    return fileVar;
}

bool Recorder::ReadNextRecord() {
    playbackTimer_.stop();
    PlaybackTick = true;

    // The end of the file (also of one shortened meanwhile) ends the playback.
    const std::optional<FileVar> record = file_.readRecord(RecordCounter + 1);
    if (!record) {
        endOfRecording();
        return false;
    }
    ++RecordCounter;
    fileVar = *record;
    if (!SliderHeld && view)
        view->setSliderValue(RecordCounter);

    if (fileVar.ItemIndex != 0) {
        // Within a sweep the records follow one another without a pause.
        PlaybackInterval = 0;
        return true;
    }

    // A sweep begins: pause before its next record for as long as the two sweep
    // starts were apart in the recording, less the time the display has taken since
    // the last one, but never longer than a second.
    const std::int32_t oldbin0time = Bin0Time;
    Bin0Time = clock();
    const std::int32_t previousFileTime = oldbin0filetime;
    oldbin0filetime = wholeMs(fileVar.ReadTime);
    PlaybackTick = false;

    if (oldbin0time == 0 || oldbin0time > Bin0Time) {
        // The first sweep of the day, or midnight has passed.
        PlaybackInterval = kMidnightWaitMs;
        return true;
    }
    const double realGap = static_cast<double>(Bin0Time) - oldbin0time;
    const double recordedGap = static_cast<double>(fileVar.ReadTime) - previousFileTime;
    if (recordedGap > realGap) // false for a ReadTime that is not a number
        PlaybackInterval = static_cast<std::int32_t>(
            roundHalfEven(std::min<double>(recordedGap - realGap, kMaxPlaybackWaitMs)));
    return true;
}

void Recorder::endOfRecording() {
    PlaybackTick = false;
    if (fullStop) {
        fullStop();
    } else {
        TransportMode = Idle;
        closeFile();
    }
}

void Recorder::showPosition() {
    if (view)
        view->setPositionText(positionText(RecordCounter, file_.recordCount()));
}

QString Recorder::positionText(qint64 record, qint64 records) {
    return QString::number(record) + QLatin1Char('/') + QString::number(records);
}

void Recorder::stopPlaybackTimer() {
    playbackTimer_.stop();
    PlaybackTick = false;
}
