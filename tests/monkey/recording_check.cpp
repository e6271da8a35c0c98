#include "recording_check.h"

#include "recording/recorder.h"

#include <QCoreApplication>
#include <QFileInfo>

RecordingCheck::RecordingCheck(const Recorder& recorder,
                               std::function<void(const QString&)> onMismatch)
    : recorder_(recorder), onMismatch_(std::move(onMismatch)) {
    QCoreApplication::instance()->installEventFilter(this);
}

RecordingCheck::~RecordingCheck() {
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

bool RecordingCheck::eventFilter(QObject*, QEvent*) {
    sample();
    return false;
}

void RecordingCheck::sample() {
    const RecordingFile& file = recorder_.file();
    const bool recording = file.role() == RecordingFile::Role::Recording;
    if (open_ && (!recording || file.path() != path_))
        recordingEnded();
    if (!recording)
        return;
    if (!open_) {
        open_ = true;
        path_ = file.path();
        counted_ = -1;
    }
    // Only while recording (or paused) is the counter the recording's own; Load File
    // sets it to 0 while the file is still open, and nothing is written after that.
    const std::int32_t mode = recorder_.TransportMode;
    if (mode == Recorder::Recording || mode == Recorder::RecordingPaused)
        counted_ = recorder_.RecordCounter - 1;
}

void RecordingCheck::recordingEnded() {
    open_ = false;
    if (counted_ < 0)
        return;
    ++checked_;
    const qint64 size = QFileInfo(path_).size();
    if (size != counted_ * kRecordSize && onMismatch_)
        onMismatch_(QStringLiteral("the recording %1 ended with %2 bytes in the file, but the "
                                   "recorder counted %3 records (%4 bytes)")
                        .arg(path_)
                        .arg(size)
                        .arg(counted_)
                        .arg(counted_ * kRecordSize));
}
