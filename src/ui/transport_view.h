#pragma once

#include <QString>

// The main window's transport controls as the recording and playback logic sees
// them: the Record, Play and Pause button images, the position slider with its
// counter text, and the source selector.
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

    // The counter beside the slider ("record / records").
    virtual void setPositionText(const QString& text) = 0;
    virtual void setSliderMaximum(qint64 maximum) = 0;
    virtual void setSliderValue(qint64 value) = 0;
    virtual qint64 sliderValue() const = 0;

    // Inserts a selector entry for the recording at `path` at position `index`,
    // shown as `text`, without changing the selection.
    virtual void insertSource(int index, const QString& text, const QString& path) = 0;
    // Selects an entry, as the user would (a change stops what is going on).
    virtual void selectSource(int index) = 0;
};
