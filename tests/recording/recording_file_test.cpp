// The recording file: the 16-byte record layout on disk, numbering, buffering, and
// what happens when the disk refuses a write.

#include "recording/recording_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <sys/resource.h>

namespace {

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

FileVar sample(int n) {
    return FileVar{static_cast<std::int16_t>(n % 50), 1000.0f * n, -60.0f - n, -70.0f + n};
}

class RecordingFileTest : public ::testing::Test {
protected:
    QString pathOf(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir;
};

} // namespace

TEST(RecordLayout, SixteenLittleEndianBytesWithZeroFiller) {
    // Bin 7 at 12:00:00.250 (43,200,250 ms), remote -63.5 dBm, PC -104 dBm.
    const FileVar record{7, 43200250.0f, -63.5f, -104.0f};
    const std::array<char, 16> slot = encodeRecord(record);
    const QByteArray bytes(slot.data(), 16);
    EXPECT_EQ(bytes.toHex(' '), QByteArray("07 00 be cb 24 4c 00 00 7e c2 00 00 d0 c2 00 00"));
    EXPECT_EQ(decodeRecord(slot.data()), record);

    // A negative index, infinities and NaN survive the round trip bit for bit.
    const FileVar odd{-1, std::numeric_limits<float>::infinity(), -0.0f,
                      std::numeric_limits<float>::quiet_NaN()};
    const FileVar back = decodeRecord(encodeRecord(odd).data());
    EXPECT_EQ(back.ItemIndex, -1);
    EXPECT_TRUE(std::isinf(back.ReadTime));
    EXPECT_TRUE(std::signbit(back.ValueA));
    EXPECT_TRUE(std::isnan(back.ValueB));
}

TEST_F(RecordingFileTest, RecordsLandInTheirSlotsAndReadBack) {
    const QString path = pathOf("run.ban");
    RecordingFile file;
    ASSERT_TRUE(file.openForRecording(path, true));
    for (int n = 1; n <= 3; ++n)
        ASSERT_TRUE(file.writeRecord(n, sample(n)));
    EXPECT_EQ(file.recordCount(), 3); // buffered ones count
    ASSERT_TRUE(file.close());
    EXPECT_EQ(fileBytes(path).size(), 48);

    // Appending to 3 records: record 4 goes after them.
    ASSERT_TRUE(file.openForRecording(path, false));
    EXPECT_EQ(file.recordCount(), 3);
    ASSERT_TRUE(file.writeRecord(4, sample(4)));
    ASSERT_TRUE(file.close());

    ASSERT_TRUE(file.openForPlayback(path));
    EXPECT_EQ(file.recordCount(), 4);
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(file.readRecord(n), sample(n)) << n;
    EXPECT_FALSE(file.readRecord(0));
    EXPECT_FALSE(file.readRecord(5));
}

TEST_F(RecordingFileTest, FlushPutsBufferedRecordsIntoTheFile) {
    const QString path = pathOf("run.san");
    RecordingFile file;
    ASSERT_TRUE(file.openForRecording(path, true));
    ASSERT_TRUE(file.writeRecord(1, sample(1)));
    EXPECT_TRUE(file.hasBufferedRecords());
    ASSERT_TRUE(file.flush());
    EXPECT_FALSE(file.hasBufferedRecords());
    EXPECT_EQ(fileBytes(path), QByteArray(encodeRecord(sample(1)).data(), 16));

    // A full buffer is written without waiting for the flush.
    for (qint64 n = 2; n <= RecordingFile::kMaxBufferedRecords + 1; ++n)
        ASSERT_TRUE(file.writeRecord(n, sample(static_cast<int>(n))));
    EXPECT_EQ(fileBytes(path).size(), (RecordingFile::kMaxBufferedRecords + 1) * 16);
}

TEST_F(RecordingFileTest, ATornLastSlotIsIgnoredOnReadingAndReplacedOnAppending) {
    const QString path = pathOf("torn.ban");
    QByteArray bytes;
    for (int n = 1; n <= 2; ++n)
        bytes.append(encodeRecord(sample(n)).data(), 16);
    bytes.append("\x01\x02\x03\x04\x05", 5);
    writeBytes(path, bytes);

    RecordingFile file;
    ASSERT_TRUE(file.openForPlayback(path));
    EXPECT_EQ(file.recordCount(), 2);
    EXPECT_FALSE(file.readRecord(3));

    ASSERT_TRUE(file.openForRecording(path, false));
    ASSERT_TRUE(file.writeRecord(file.recordCount() + 1, sample(3)));
    ASSERT_TRUE(file.close());
    const QByteArray after = fileBytes(path);
    ASSERT_EQ(after.size(), 48);
    EXPECT_EQ(after.mid(32), QByteArray(encodeRecord(sample(3)).data(), 16));
}

TEST_F(RecordingFileTest, FilesThatCannotBeOpenedSaySo) {
    RecordingFile file;
    EXPECT_FALSE(file.openForPlayback(pathOf("missing.ban")));
    EXPECT_FALSE(file.errorText().isEmpty());
    EXPECT_FALSE(file.openForRecording(pathOf("no/such/folder/run.ban"), true));
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(file.recordCount(), 0);
}

// A file size limit makes the kernel refuse a write part of the way through a slot,
// as a full disk does: the file keeps every whole record and nothing else.
TEST_F(RecordingFileTest, AFailedWriteLeavesOnlyWholeRecords) {
    const QString path = pathOf("limited.ban");
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

    EXPECT_FALSE(flushed);
    EXPECT_FALSE(file.isOpen());
    EXPECT_FALSE(file.errorText().isEmpty());
    EXPECT_FALSE(file.writeRecord(21, sample(21))); // nothing more once failed

    RecordingFile check;
    ASSERT_TRUE(check.openForPlayback(path));
    EXPECT_EQ(check.recordCount(), 12);
    EXPECT_EQ(QFile(path).size(), 12 * 16);
    for (int n = 1; n <= 12; ++n)
        EXPECT_EQ(check.readRecord(n), sample(n)) << n;
}

TEST_F(RecordingFileTest, AFullDeviceFailsTheFlush) {
    RecordingFile file;
    if (!file.openForRecording(QStringLiteral("/dev/full"), false))
        GTEST_SKIP() << "no /dev/full";
    ASSERT_TRUE(file.writeRecord(1, sample(1)));
    EXPECT_FALSE(file.flush());
    EXPECT_FALSE(file.isOpen());
}
