#pragma once

#include <QDateTime>
#include <QTimer>
#include <functional>

class Suite;
class TransportView;

// The main window's control of acquisition: the loop that runs the selected
// analyzer pass after pass, the Play, Stop and Pause actions, and the two stages
// of closing. Everything runs on the one user-interface thread: a run goes on
// inside the Play (or Record) click and yields on every pass, so Stop, Pause,
// another Play and the window's close are handled inside it. They only record
// what the user wants; the run acts on it when it unwinds. A command that needs
// the radio while another operation holds it waits its turn (PendingCommands).
class AcquisitionControl {
public:
    // The last run of an analyzer: which test (MeterTest), whether it played a
    // recording, and when it started and ended (no end while it goes on).
    struct RunSpan {
        int test = -1;
        bool fromRecording = false;
        QDateTime started;
        QDateTime ended;
    };

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

    // A run (the acquisition loop and the return to normal mode after it) is on
    // the stack.
    bool runActive() const { return running_; }
    // A live run goes on: a new transport mode (Record, Play) only changes what it
    // does with the readings.
    bool liveRunActive() const;
    // The last run, or the one going on; `started` is not valid before the first.
    const RunSpan& lastRun() const { return lastRun_; }

    // When the radio is held by another operation, tells it to end and lets
    // `command` wait its turn: true. False when the caller may go on at once.
    bool waitForRadio(const std::function<void()>& command);

    // Starts a run of the acquisition loop from rest (the radio is free): the
    // network query told to stop, the radio back in normal mode, then the loop;
    // when the loop ends, the radio is returned to normal mode and the recording
    // is closed.
    void runFromRest();

    // Closing, first stage (the window is asked to close): stops every tool, returns
    // the radio to normal mode with one attempt per step, restores the option bit
    // and the radio's own destination address.
    void CloseFirstStage();
    // Closing, second stage, first step: every flag raised and one turn of the event
    // loop so that running loops end.
    void CloseSecondStageFlags();

private:
    void setImages(int record, int play, int pause);
    // Play with a recording selected: opens it and sets the position (from the
    // slider, or the beginning). False when it cannot be opened.
    bool preparePlayback();
    // The end of every pass that was stopped: back to normal mode (retrying until a
    // second Stop) unless the program is closing, which makes its own attempts.
    void returnToNormalAfterRun();
    // The transport at rest: buttons normal, the recording closed, the slider free.
    void showStopped();

    // While the link is down a run tries to open it again this often.
    static constexpr int kReopenIntervalMs = 1000;

    Suite& suite_;
    TransportView& view_;
    QTimer reopenTimer_;
    bool running_ = false;
    bool runIsPlayback_ = false;
    bool returnedToNormal_ = false; // this run has made its return to normal mode
    RunSpan lastRun_;
};
