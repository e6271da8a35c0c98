#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

// Recording and playback state shared by the transport buttons and the analyzers.
// The analyzers consult it for every point: measure live, measure and record, or
// read the next record of the selected recording.
struct Recorder {
    enum : std::int32_t {
        Idle = 0,
        Recording = 1,
        RecordingPaused = 3,
        Playing = 4,
        PlayingPaused = 6,
        PausedBit = 2,
        PlayingBit = 4,
    };

    std::int32_t TransportMode = Idle;
    // The file behind each entry of the source selector; entry 0 ("Real-Time") has
    // none.
    QStringList SourceFiles{QString()};
    int SelectedSource = 0;

    bool selectedSourceHasFile() const {
        return SelectedSource > 0 && SelectedSource < SourceFiles.size() &&
               !SourceFiles.at(SelectedSource).isEmpty();
    }
    bool paused() const { return (TransportMode & PausedBit) != 0; }
    // Measuring the radio: while recording, or while playing (or paused playing) the
    // "Real-Time" source.
    bool liveFromRadio() const {
        return TransportMode == Recording ||
               ((TransportMode & PlayingBit) != 0 && !selectedSourceHasFile());
    }
    // Playing back the selected recording.
    bool playingBack() const { return TransportMode == Playing && selectedSourceHasFile(); }
};
