#pragma once

#include <functional>

class Suite;
class TransportView;

// The main window's control of acquisition: the loop that runs the selected
// analyzer pass after pass, the Play, Stop and Pause actions, and the two stages
// of closing. Everything runs on the one user-interface thread: the loop runs
// inside the Play click and yields on every pass, so Stop, Pause and the window's
// close are handled inside it and only set flags that the loop notices.
class AcquisitionControl {
public:
    AcquisitionControl(Suite& suite, TransportView& view);

    // Closes the open recording file (recording and playback).
    std::function<void()> closeRecordingFile;

    // Resets the data of the selected test.
    void ResetTestData();
    // Runs the selected analyzer until StopRequested.
    void AcquisitionLoop();

    // Transport buttons.
    void Play();
    void Stop(); // the full stop
    void Pause();

    // Closing, first stage (the window is asked to close): stops every tool, returns
    // the radio to normal mode with one attempt per step, restores the option bit
    // and the radio's own destination address.
    void CloseFirstStage();
    // Closing, second stage, first step: every flag raised and one turn of the event
    // loop so that running loops end.
    void CloseSecondStageFlags();

private:
    void setImages(int record, int play, int pause);
    bool nothingRunning() const;

    Suite& suite_;
    TransportView& view_;
};
