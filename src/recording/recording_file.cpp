#include "recording/recording_file.h"

#include <QtEndian>
#include <algorithm>
#include <bit>
#include <csignal>
#include <cstring>
#include <mutex>

namespace {
constexpr int kIndexOffset = 0;
constexpr int kTimeOffset = 2;
constexpr int kValueAOffset = 6;
constexpr int kValueBOffset = 10;

void putFloat(char* at, float value) {
    qToLittleEndian(std::bit_cast<quint32>(value), at);
}

float getFloat(const char* at) {
    return std::bit_cast<float>(qFromLittleEndian<quint32>(at));
}

qint64 wholeSlots(qint64 bytes) {
    return bytes / kRecordSize;
}

// A file size limit (ulimit -f) would otherwise end the program with SIGXFSZ in the
// middle of a write; ignored, the write fails like a full disk and the recording
// stops with a message instead.
void ignoreFileSizeSignal() {
    static std::once_flag once;
    std::call_once(once, [] { std::signal(SIGXFSZ, SIG_IGN); });
}
} // namespace

std::array<char, kRecordSize> encodeRecord(const FileVar& record) {
    std::array<char, kRecordSize> slot{}; // the filler stays zero
    qToLittleEndian(record.ItemIndex, slot.data() + kIndexOffset);
    putFloat(slot.data() + kTimeOffset, record.ReadTime);
    putFloat(slot.data() + kValueAOffset, record.ValueA);
    putFloat(slot.data() + kValueBOffset, record.ValueB);
    return slot;
}

FileVar decodeRecord(const char* slot) {
    FileVar record;
    record.ItemIndex = qFromLittleEndian<qint16>(slot + kIndexOffset);
    record.ReadTime = getFloat(slot + kTimeOffset);
    record.ValueA = getFloat(slot + kValueAOffset);
    record.ValueB = getFloat(slot + kValueBOffset);
    return record;
}

RecordingFile::~RecordingFile() {
    close();
}

bool RecordingFile::openForRecording(const QString& path, bool truncate) {
    close();
    ignoreFileSizeSignal();
    error_.clear();
    file_.setFileName(path);
    QIODevice::OpenMode mode = QIODevice::ReadWrite | QIODevice::Unbuffered;
    if (truncate)
        mode |= QIODevice::Truncate;
    if (!file_.open(mode)) {
        error_ = file_.errorString();
        return false;
    }
    role_ = Role::Recording;
    committed_ = wholeSlots(file_.size());
    return true;
}

bool RecordingFile::openForPlayback(const QString& path) {
    close();
    error_.clear();
    file_.setFileName(path);
    if (!file_.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        error_ = file_.errorString();
        return false;
    }
    role_ = Role::Playback;
    return true;
}

bool RecordingFile::close() {
    bool ok = true;
    if (role_ == Role::Recording) {
        ok = flush();
        if (file_.isOpen())
            file_.flush();
    }
    pending_.clear();
    if (file_.isOpen())
        file_.close();
    role_ = Role::Closed;
    return ok;
}

qint64 RecordingFile::recordCount() const {
    switch (role_) {
    case Role::Closed:
        return 0;
    case Role::Playback:
        return wholeSlots(file_.size()); // the file may still be growing
    case Role::Recording:
        break;
    }
    // Only this program writes the file while it records: the count is known without
    // asking the file system for every record.
    if (pending_.isEmpty())
        return committed_;
    return std::max(committed_, pendingFirst_ - 1 + wholeSlots(pending_.size()));
}

bool RecordingFile::writeRecord(qint64 number, const FileVar& record) {
    if (role_ != Role::Recording || number < 1)
        return false;
    // The buffer holds one run of consecutive records; anything else goes to its own
    // place in the file after the buffer has been written.
    if (!pending_.isEmpty() && number != pendingFirst_ + wholeSlots(pending_.size())) {
        if (!flush())
            return false;
    }
    if (pending_.isEmpty())
        pendingFirst_ = number;
    const std::array<char, kRecordSize> slot = encodeRecord(record);
    pending_.append(slot.data(), kRecordSize);
    if (wholeSlots(pending_.size()) >= kMaxBufferedRecords)
        return flush();
    return true;
}

bool RecordingFile::flush() {
    if (role_ != Role::Recording)
        return false;
    if (pending_.isEmpty())
        return true;
    qint64 written = -1;
    if (file_.seek((pendingFirst_ - 1) * kRecordSize))
        written = file_.write(pending_);
    if (written != pending_.size()) {
        // Every whole slot in the file holds a record written in order; a slot
        // written only in part is cut off, so the file stays a sequence of whole
        // records.
        const QString reason = file_.errorString();
        const qint64 keep = wholeSlots(file_.size()) * kRecordSize;
        if (file_.size() > keep)
            file_.resize(keep);
        committed_ = wholeSlots(keep);
        pending_.clear();
        fail(reason);
        return false;
    }
    committed_ = std::max(committed_, pendingFirst_ - 1 + wholeSlots(pending_.size()));
    pending_.clear();
    return true;
}

std::optional<FileVar> RecordingFile::readRecord(qint64 number) {
    if (role_ != Role::Playback || number < 1)
        return std::nullopt;
    // Beyond the last whole record the read comes back short: no need to ask the
    // file's length first.
    char slot[kRecordSize];
    if (!file_.seek((number - 1) * kRecordSize) || file_.read(slot, kRecordSize) != kRecordSize)
        return std::nullopt;
    return decodeRecord(slot);
}

void RecordingFile::fail(const QString& what) {
    error_ = what;
    if (file_.isOpen())
        file_.close();
    role_ = Role::Closed;
}
