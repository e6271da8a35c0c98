#pragma once

#include "ui/file_dialogs.h"

#include <QString>

class Suite;
class TransportView;
class AcquisitionControl;

// The Record and Load File buttons and the position slider: choosing, creating and
// appending to recordings, adding them to the source selector, and moving the
// playback position.
class RecordingControl {
public:
    RecordingControl(Suite& suite, TransportView& view, AcquisitionControl& acquisition,
                     FileDialogs& dialogs);

    void setFileDialogs(FileDialogs& dialogs) { dialogs_ = &dialogs; }

    void Record();
    void LoadFile();

    // The user presses the slider's handle, and lets it go (or moves the slider by
    // keyboard, wheel or a click beside the handle): playback continues after the
    // record at `value`.
    void sliderPressed();
    void sliderReleased(qint64 value);

    // The selector's text for a recording: its file name ("/home/ann/run1.ban" gives
    // "run1.ban"); the whole path is the entry's tool tip.
    static QString sourceDisplayText(const QString& path);
    // Where the file dialogs open, with the filter and suffix of the selected test.
    FileDialogRequest dialogRequest() const;
    // "Recordings" in the program's data directory, created when missing.
    QString recordingsFolder() const;

private:
    // Inserts the recording as entry 1 of the selector and selects it.
    void addSource(const QString& path);
    // Record with a recording selected and the answer Yes: append to it.
    bool appendToSelected();
    // Record into a new file chosen by the user; false when cancelled or unopenable.
    bool recordToNewFile();
    void showRecordingImages();

    Suite& suite_;
    TransportView& view_;
    AcquisitionControl& acquisition_;
    FileDialogs* dialogs_;
};
