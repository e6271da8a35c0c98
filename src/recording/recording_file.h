#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

// One measured item of a recording (*.ban: a hop bin report; *.san: a spectrum
// point). On disk every record fills a 16-byte slot, little-endian, no padding:
// ItemIndex (int16), ReadTime (float, ms since local midnight), ValueA, ValueB
// (floats), then two filler bytes. There is no header: record n (from 1) starts at
// byte 16 x (n - 1), so files from any installation of the suite are interchangeable.
struct FileVar {
    std::int16_t ItemIndex = 0;
    float ReadTime = 0;
    float ValueA = 0;
    float ValueB = 0;

    bool operator==(const FileVar&) const = default;
};

constexpr qint64 kRecordSize = 16;

std::array<char, kRecordSize> encodeRecord(const FileVar& record);
// `slot` points at 16 bytes; the filler is ignored.
FileVar decodeRecord(const char* slot);

// The open recording file, in one of two roles. Recording buffers the records
// written and hands them to the operating system at least every flush; a failed
// write cuts the file back to its last whole record, so the file length is a
// multiple of 16 whatever happens. Playback reads records on demand, one slot at a
// time: memory does not depend on the file's size and any position is one seek away.
class RecordingFile {
public:
    enum class Role { Closed, Recording, Playback };

    RecordingFile() = default;
    RecordingFile(const RecordingFile&) = delete;
    RecordingFile& operator=(const RecordingFile&) = delete;
    ~RecordingFile();

    // Opens (creating when missing) for writing records; `truncate` empties it first.
    // A length that is not a multiple of 16 (a file cut short elsewhere) is left as
    // it is until the first record is written after it.
    bool openForRecording(const QString& path, bool truncate);
    bool openForPlayback(const QString& path);
    // Writes what is buffered and closes. False when the buffered records could not
    // be written (the file keeps every record written before them).
    bool close();

    Role role() const { return role_; }
    bool isOpen() const { return role_ != Role::Closed; }
    QString path() const { return file_.fileName(); }
    // Whole records in the file, for recording including those still buffered.
    qint64 recordCount() const;

    // Recording: record number `number` (from 1) becomes `record`. False once a
    // write has failed (see errorText); the file is then closed.
    bool writeRecord(qint64 number, const FileVar& record);
    // Recording: hands the buffered records to the operating system.
    bool flush();
    // True while records wait in the buffer.
    bool hasBufferedRecords() const { return !pending_.isEmpty(); }

    // Playback: record number `number` (from 1), or nothing beyond the end or on a
    // read error.
    std::optional<FileVar> readRecord(qint64 number);

    QString errorText() const { return error_; }

    // Records are handed to the operating system when this many are buffered, even
    // before the next flush.
    static constexpr qint64 kMaxBufferedRecords = 4096;

private:
    void fail(const QString& what);

    QFile file_;
    Role role_ = Role::Closed;
    QByteArray pending_;      // whole slots not yet written
    qint64 pendingFirst_ = 0; // record number of the first buffered slot
    qint64 committed_ = 0;    // recording: whole records in the file
    QString error_;
};
