#pragma once

#include <QTimer>

class Suite;
class TransportView;

// The main window's control of acquisition: the loop that runs the selected
// analyzer pass after pass, the Play, Stop and Pause actions, and the two stages
// of closing. Everything runs on the one user-interface thread: the loop runs
// inside the Play click and yields on every pass, so Stop, Pause and the window's
// close are handled inside it and only set flags that the loop notices.
class AcquisitionControl {
public:
    // Becomes the recorder's neighbour: its view, its full stop at the end of a
    // playback, and the stop when a recording cannot be written.
    AcquisitionControl(Suite& suite, TransportView& view);
    ~AcquisitionControl();

    // Resets the data of the selected test.
    void ResetTestData();
    // Runs the selected analyzer until StopRequested.
    void AcquisitionLoop();

    // Transport buttons.
    void Play();
    void Stop(); // the full stop
    void Pause();

    // True when no tool is running (no loop to pick up a new transport mode).
    bool nothingRunning() const;
    // Starts the acquisition loop from rest: the network query told to stop, the
    // radio back in normal mode, then the loop.
    void runLoopFromRest();

    // Closing, first stage (the window is asked to close): stops every tool, returns
    // the radio to normal mode with one attempt per step, restores the option bit
    // and the radio's own destination address.
    void CloseFirstStage();
    // Closing, second stage, first step: every flag raised and one turn of the event
    // loop so that running loops end.
    void CloseSecondStageFlags();

private:
    void setImages(int record, int play, int pause);
    // Play with a recording selected: from the slider's position (or the beginning).
    void playRecording();

    // While the link is down a run tries to open it again this often.
    static constexpr int kReopenIntervalMs = 1000;

    Suite& suite_;
    TransportView& view_;
    QTimer reopenTimer_;
};
