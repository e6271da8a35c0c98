#pragma once

#include <QString>

// The main window's transport controls as the recording and playback logic sees
// them: the Record, Play and Pause button images, the position slider and the
// source selector.
class TransportView {
public:
    // Image numbers of the button images: Pause 5 normal / 6 active, Play 7 / 8,
    // Record 9 / 10.
    enum Image {
        PauseNormal = 5,
        PauseActive = 6,
        PlayNormal = 7,
        PlayActive = 8,
        RecordNormal = 9,
        RecordActive = 10
    };

    virtual ~TransportView() = default;
    virtual void setTransportImages(int record, int play, int pause) = 0;
    virtual void setSliderEnabled(bool enabled) = 0;
    // The text of the source selector ("Real-Time" or a recording).
    virtual QString sourceText() const = 0;
};
