// The recording file: the 16-byte record layout on disk, numbering, buffering, and
// what happens when the disk refuses a write.

#include "recording/recording_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <sys/resource.h>

static QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

static FileVar sample(int n) {
    return FileVar{static_cast<std::int16_t>(n % 50), 1000.0f * n, -60.0f - n, -70.0f + n};
}

static QByteArray slot(const FileVar& record) {
    return QByteArray(encodeRecord(record).data(), 16);
}

TEST(RecordingFile, SixteenLittleEndianBytesWithZeroFiller) {
    // Bin 7 at 12:00:00.250 (43,200,250 ms), remote -63.5 dBm, PC -104 dBm.
    const FileVar record{7, 43200250.0f, -63.5f, -104.0f};
    EXPECT_EQ(slot(record).toHex(' '),
              QByteArray("07 00 be cb 24 4c 00 00 7e c2 00 00 d0 c2 00 00"));
    EXPECT_EQ(decodeRecord(encodeRecord(record).data()), record);
    const FileVar back = decodeRecord(encodeRecord({-1, 0, -0.0f, NAN}).data());
    EXPECT_TRUE(back.ItemIndex == -1 && std::signbit(back.ValueA) && std::isnan(back.ValueB));
}

TEST(RecordingFile, RecordsAreBufferedAppendedAndReadBackAndATornSlotIsReplaced) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("run.ban"));
    RecordingFile file;
    ASSERT_TRUE(file.openForRecording(path, true));
    ASSERT_TRUE(file.writeRecord(1, sample(1)));
    EXPECT_TRUE(file.hasBufferedRecords());
    ASSERT_TRUE(file.flush());
    EXPECT_EQ(fileBytes(path), slot(sample(1)));
    // A full buffer is written without waiting for the flush.
    for (qint64 n = 2; n <= RecordingFile::kMaxBufferedRecords + 1; ++n)
        ASSERT_TRUE(file.writeRecord(n, sample(static_cast<int>(n))));
    EXPECT_EQ(fileBytes(path).size(), (RecordingFile::kMaxBufferedRecords + 1) * 16);
    ASSERT_TRUE(file.close());

    QFile raw(path);
    ASSERT_TRUE(raw.open(QIODevice::WriteOnly) &&
                raw.write(slot(sample(1)) + slot(sample(2)) + QByteArray(5, '\x7f')) &&
                raw.flush());
    ASSERT_TRUE(file.openForPlayback(path));
    EXPECT_EQ(file.recordCount(), 2);
    EXPECT_EQ(file.readRecord(2), sample(2));
    EXPECT_FALSE(file.readRecord(0) || file.readRecord(3));
    // Appending: record 3 replaces the torn tail.
    ASSERT_TRUE(file.openForRecording(path, false));
    ASSERT_TRUE(file.writeRecord(file.recordCount() + 1, sample(3)));
    EXPECT_EQ(file.recordCount(), 3);
    ASSERT_TRUE(file.close());
    EXPECT_EQ(fileBytes(path), slot(sample(1)) + slot(sample(2)) + slot(sample(3)));

    EXPECT_FALSE(file.openForPlayback(dir.filePath(QStringLiteral("missing.ban"))) ||
                 file.errorText().isEmpty());
    EXPECT_FALSE(file.openForRecording(dir.filePath(QStringLiteral("no/such/run.ban")), true));
    EXPECT_FALSE(file.isOpen());
}

// A file size limit makes the kernel refuse a write part of the way through a slot,
// as a full disk does: the file keeps every whole record and nothing else.
TEST(RecordingFile, AFailedWriteLeavesOnlyWholeRecords) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("limited.ban"));
    RecordingFile file;
    ASSERT_TRUE(file.openForRecording(path, true));
    for (int n = 1; n <= 10; ++n)
        ASSERT_TRUE(file.writeRecord(n, sample(n)));
    ASSERT_TRUE(file.flush());
    rlimit before{};
    getrlimit(RLIMIT_FSIZE, &before);
    rlimit limited = before;
    limited.rlim_cur = 16 * 12 + 7; // room for two more records and part of a third
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    for (int n = 11; n <= 20; ++n)
        file.writeRecord(n, sample(n));
    const bool flushed = file.flush();
    setrlimit(RLIMIT_FSIZE, &before);

    EXPECT_FALSE(flushed || file.isOpen() || file.writeRecord(21, sample(21))); // nothing more
    RecordingFile check;
    ASSERT_TRUE(check.openForPlayback(path));
    EXPECT_EQ(check.recordCount(), 12);
    EXPECT_EQ(QFile(path).size(), 12 * 16);
    EXPECT_EQ(check.readRecord(12), sample(12));
}
