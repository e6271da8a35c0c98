#pragma once

#include "recording/recording_file.h"

#include <QString>
#include <QStringList>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <optional>

class EventWait;
class TransportView;

// Recording and playback: the transport mode the analyzers consult for every point,
// the recordings behind the source selector, the open recording file, and the
// pacing of playback. The analyzers call RecordPoint for every measured point while
// recording and NextPlaybackRecord for every point while playing a recording.
class Recorder {
public:
    enum : std::int32_t {
        Idle = 0,
        Recording = 1,
        RecordingPaused = 3,
        Playing = 4,
        PlayingPaused = 6,
        PausedBit = 2,
        PlayingBit = 4,
    };

    explicit Recorder(const EventWait& wait);

    std::int32_t TransportMode = Idle;
    // The file behind each entry of the source selector; entry 0 ("Real-Time") has
    // none.
    QStringList SourceFiles{QString()};
    int SelectedSource = 0;

    // While recording the number of the next record to write; during playback the
    // number of the record read last. (A 32-bit float would stop counting after 2^24
    // records, about an hour and a half of hop bin reports, and from then on write
    // every record over the same slot.)
    qint64 RecordCounter = 0;
    // The record last read or about to be written.
    FileVar fileVar;
    // Playback pacing: set when the playback timer has run out or no wait is needed.
    bool PlaybackTick = false;
    // Milliseconds to wait before reading the next record; 0 = no wait.
    std::int32_t PlaybackInterval = 0;
    // Time of day taken just before the current record was read.
    std::int32_t Bin0Time = 0;
    // ReadTime of the last record that started a sweep (item 0); 0 when playback starts.
    std::int32_t oldbin0filetime = 0;
    // The user holds the position slider.
    bool SliderHeld = false;

    // Neighbours set by the owner of the transport buttons: the counter and slider,
    // the full stop (end of a playback), and what to do when a recording cannot be
    // written. The clock is the time of day in ms (replaced in tests).
    TransportView* view = nullptr;
    std::function<void()> fullStop;
    std::function<void(const QString& message)> recordingFailed;
    std::function<std::int32_t()> clock;

    bool selectedSourceHasFile() const;
    QString selectedFile() const;
    bool paused() const { return (TransportMode & PausedBit) != 0; }
    // Measuring the radio: while recording, or while playing (or paused playing) the
    // "Real-Time" source.
    bool liveFromRadio() const {
        return TransportMode == Recording ||
               ((TransportMode & PlayingBit) != 0 && !selectedSourceHasFile());
    }
    // Playing back the selected recording.
    bool playingBack() const { return TransportMode == Playing && selectedSourceHasFile(); }

    // The recording file. Opening closes whatever was open.
    bool openForRecording(const QString& path, bool append);
    bool openForPlayback(const QString& path);
    void closeFile();
    const RecordingFile& file() const { return file_; }
    // Records in the open file (0 when none is open).
    qint64 recordCount() const { return file_.recordCount(); }
    // Records in a recording that is not open.
    static qint64 recordsIn(const QString& path);

    // Recording, for every measured point: writes it as record RecordCounter, shows
    // the position and moves on to the next number.
    void RecordPoint(int itemIndex, float valueA, float valueB);
    // Hands the buffered records to the operating system (the end of a sweep).
    void flushRecording();

    // Playback, for every point: waits as the recording was paced (returning nothing
    // when `stopped` becomes true meanwhile), reads the next record and returns it;
    // nothing at the end of the recording (which is a full stop) or when stopped.
    std::optional<FileVar> NextPlaybackRecord(const std::function<bool()>& stopped);
    // Reads record RecordCounter + 1 into fileVar and works out the wait before the
    // next one. False at the end of the recording, after the full stop.
    bool ReadNextRecord();
    // "record / records" beside the slider.
    void showPosition();
    static QString positionText(qint64 record, qint64 records);
    void stopPlaybackTimer();

    // Buffered records reach the file at least this often.
    static constexpr int kFlushIntervalMs = 250;
    // The longest wait between two sweeps in playback, and the wait after midnight.
    static constexpr int kMaxPlaybackWaitMs = 1000;
    static constexpr int kMidnightWaitMs = 20;

private:
    void reportWriteFailure();
    void endOfRecording();

    const EventWait& wait_;
    RecordingFile file_;
    QTimer playbackTimer_; // ends the pause between two sweeps of a playback
    QTimer flushTimer_;
};
