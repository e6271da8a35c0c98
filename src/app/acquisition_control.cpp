#include "app/acquisition_control.h"

#include "app/suite.h"
#include "ui/message_boxes.h"
#include "ui/transport_view.h"

AcquisitionControl::AcquisitionControl(Suite& suite, TransportView& view)
    : suite_(suite), view_(view) {
    reopenTimer_.setSingleShot(true);
    Recorder& recorder = suite_.recorder;
    recorder.view = &view_;
    recorder.fullStop = [this] { Stop(); };
    recorder.recordingFailed = [this](const QString& message) {
        if (suite_.recorder.TransportMode != Recorder::Idle)
            Stop();
        suite_.messages().showMessage(message);
    };
}

AcquisitionControl::~AcquisitionControl() {
    // Waiting commands call into this control and its window.
    suite_.pending.dropAll();
    Recorder& recorder = suite_.recorder;
    recorder.closeFile();
    recorder.view = nullptr;
    recorder.fullStop = nullptr;
    recorder.recordingFailed = nullptr;
}

void AcquisitionControl::setImages(int record, int play, int pause) {
    view_.setTransportImages(record, play, pause);
}

void AcquisitionControl::ResetTestData() {
    switch (suite_.settings.MeterTest) {
    case 0:
        suite_.hopBinData.ResetHopBins(suite_.settings.Amplitude);
        break;
    case 1:
        suite_.spectrum.ResetSpectrum();
        break;
    default:
        break;
    }
}

void AcquisitionControl::AcquisitionLoop() {
    StopFlags& flags = suite_.flags;
    ModeProtocol& modes = suite_.modes;
    if (!flags.StopRequested) {
        ResetTestData();
        // The statistics on screen now belong to this run: a report says when it ran.
        lastRun_ = RunSpan{suite_.settings.MeterTest,
                           suite_.recorder.playingBack(),
                           QDateTime::currentDateTime(),
                           {}};
    }
    while (!flags.StopRequested && !flags.ApplicationClosing) {
        // A recording plays back without a radio; with the link open the radio is
        // still returned to normal mode after every pass.
        const bool radio = suite_.link.PortIsOpen;
        if (!radio && !suite_.recorder.playingBack()) {
            // The radio is gone (a pulled USB adapter, a device server that went
            // away): try the link again every second until it is back or the user
            // stops, without a message each time.
            reopenTimer_.start(kReopenIntervalMs);
            suite_.wait.until(
                [this] { return !reopenTimer_.isActive() || suite_.flags.StopRequested; });
            reopenTimer_.stop();
            if (!suite_.flags.StopRequested && !suite_.flags.ApplicationClosing)
                suite_.link.OpenPort(0);
            continue;
        }
        const int test = suite_.settings.MeterTest;
        lastRun_.test = test;
        if (test == 0) {
            flags.HopBinStopped = false;
            if (radio)
                modes.ClearRadioOptionBit();
            suite_.hopBins.AcquireBinReports(0);
            if (radio) {
                if (flags.StopRequested)
                    returnToNormalAfterRun();
                else
                    modes.ChangeRadioState(ModeProtocol::Normal, false);
                // Only a radio back in normal mode takes the option byte command.
                if (modes.RadioState == ModeProtocol::Normal && !flags.CloseRequested)
                    modes.RestoreRadioOptionBit();
            }
            if (flags.StopRequested)
                break;
        } else if (test == 1) {
            flags.SpectrumStopped = false;
            suite_.spectrum.SweepSpectrum(0);
            if (radio)
                modes.ChangeRadioState(ModeProtocol::Normal, false);
        } else {
            // No analyzer to run for this selection: wait for the user.
            suite_.wait.waitForEvent();
            continue;
        }
        suite_.wait.yieldOnce();
    }
    if (lastRun_.started.isValid() && !lastRun_.ended.isValid())
        lastRun_.ended = QDateTime::currentDateTime();
}

void AcquisitionControl::returnToNormalAfterRun() {
    // Once per run: when the user has given up the retries with a second Stop, the
    // end of the run does not start them again.
    if (returnedToNormal_)
        return;
    returnedToNormal_ = true;
    if (!suite_.flags.ApplicationClosing && !suite_.flags.CloseRequested)
        suite_.modes.ReturnToNormalAfterStop();
}

bool AcquisitionControl::liveRunActive() const {
    return running_ && !runIsPlayback_ && !suite_.flags.StopRequested;
}

bool AcquisitionControl::waitForRadio(const std::function<void()>& command) {
    PendingCommands& pending = suite_.pending;
    if (pending.radioFree())
        return false;
    // Whatever holds the radio (a run, a query, the return to normal mode after a
    // stop) ends at its next check; the command runs when it has.
    suite_.flags.stopAllTools();
    pending.runWhenRadioFree(PendingCommands::Transport, command);
    return true;
}

void AcquisitionControl::runFromRest() {
    StopFlags& flags = suite_.flags;
    {
        const RadioOperation operation(flags);
        running_ = true;
        returnedToNormal_ = false;
        runIsPlayback_ = suite_.recorder.playingBack();
        flags.QueryStopRequested = true;
        // From here on a Stop counts: one given while the radio is walked to normal
        // mode keeps the loop from starting.
        flags.StopRequested = false;
        suite_.modes.ChangeRadioState(ModeProtocol::Normal, false);
        AcquisitionLoop();
        // The run has ended: by Stop, the end of a playback, a closed analyzer
        // window, a link that went away, or the program closing. The radio goes
        // back to normal mode (a live spectrum sweep leaves it in configuration
        // mode when stopped in the middle).
        flags.stopAllTools();
        returnToNormalAfterRun();
        running_ = false;
    }
    showStopped();
}

void AcquisitionControl::showStopped() {
    Recorder& recorder = suite_.recorder;
    recorder.stopPlaybackTimer();
    recorder.TransportMode = Recorder::Idle;
    setImages(TransportView::RecordNormal, TransportView::PlayNormal, TransportView::PauseNormal);
    // Whole records only: the recording is closed once nothing writes any more.
    recorder.closeFile();
    view_.setSliderEnabled(true);
}

void AcquisitionControl::Play() {
    Recorder& recorder = suite_.recorder;
    if (view_.sourceText().isEmpty() || recorder.TransportMode == Recorder::Playing)
        return;
    const bool recording = recorder.selectedSourceHasFile();
    if (!recording && liveRunActive()) {
        // Live from the radio (a pause or a recording ends); the run carries on.
        recorder.TransportMode = Recorder::Playing;
        setImages(TransportView::RecordNormal, TransportView::PlayActive,
                  TransportView::PauseNormal);
        recorder.closeFile();
        view_.setSliderEnabled(false);
        return;
    }
    // A run going on (live, or another recording) or a query ends first.
    if (waitForRadio([this] { Play(); }))
        return;

    recorder.TransportMode = Recorder::Playing;
    setImages(TransportView::RecordNormal, TransportView::PlayActive, TransportView::PauseNormal);
    recorder.closeFile();
    if (recording) {
        if (!preparePlayback())
            return;
    } else {
        view_.setSliderEnabled(false);
    }
    runFromRest();
}

bool AcquisitionControl::preparePlayback() {
    Recorder& recorder = suite_.recorder;
    if (!recorder.openForPlayback(recorder.selectedFile())) {
        // Deleted or unreadable since it was chosen.
        showStopped();
        suite_.messages().showMessage(QStringLiteral("Unable to open file."));
        return false;
    }
    const qint64 records = recorder.recordCount();
    const qint64 position = view_.sliderValue();
    recorder.RecordCounter = position < records ? position : 0; // at the end: from the start
    recorder.oldbin0filetime = 0;
    view_.setSliderValue(recorder.RecordCounter);
    view_.setSliderMaximum(records);
    recorder.showPosition();
    view_.setSliderEnabled(true);
    return true;
}

void AcquisitionControl::Stop() {
    StopFlags& flags = suite_.flags;
    ModeProtocol& modes = suite_.modes;
    PendingCommands& pending = suite_.pending;
    // A run or query the user asked for before Stop is given up (a radio chosen
    // meanwhile is still addressed, and a close still goes on).
    pending.drop(PendingCommands::Transport);
    pending.drop(PendingCommands::Query);

    Recorder& recorder = suite_.recorder;
    recorder.stopPlaybackTimer();
    recorder.TransportMode = Recorder::Idle; // nothing is recorded from here on
    setImages(TransportView::RecordNormal, TransportView::PlayNormal, TransportView::PauseNormal);

    if (modes.returningToNormal()) {
        // A second Stop: the radio does not answer; give up the retries.
        flags.StopRequested = true;
        return;
    }
    flags.stopAllTools();
    if (flags.radioInUse())
        return; // the run or the query ends at its next check and returns the radio itself

    {
        const RadioOperation operation(flags);
        modes.ReturnToNormalAfterStop();
    }
    showStopped();
}

void AcquisitionControl::Pause() {
    Recorder& recorder = suite_.recorder;
    switch (recorder.TransportMode) {
    case Recorder::Recording:
        recorder.TransportMode = Recorder::RecordingPaused;
        setImages(TransportView::RecordActive, TransportView::PlayNormal,
                  TransportView::PauseActive);
        break;
    case Recorder::RecordingPaused:
        recorder.TransportMode = Recorder::Recording;
        setImages(TransportView::RecordActive, TransportView::PlayNormal,
                  TransportView::PauseNormal);
        break;
    case Recorder::Playing:
        recorder.TransportMode = Recorder::PlayingPaused;
        setImages(TransportView::RecordNormal, TransportView::PlayActive,
                  TransportView::PauseActive);
        break;
    case Recorder::PlayingPaused:
        recorder.TransportMode = Recorder::Playing;
        setImages(TransportView::RecordNormal, TransportView::PlayActive,
                  TransportView::PauseNormal);
        break;
    default:
        break;
    }
}

void AcquisitionControl::CloseFirstStage() {
    StopFlags& flags = suite_.flags;
    flags.stopTools();
    {
        const RadioOperation operation(flags);
        ModeProtocol& modes = suite_.modes;
        modes.ChangeRadioState(ModeProtocol::Normal, true);
        modes.RestoreRadioOptionBit();
        if (modes.LocalRadioAddress.size() == 3)
            modes.SetDestinationAddress(modes.LocalRadioAddress);
    }
    flags.ApplicationClosing = true;
    flags.StopRequested = true;
}

void AcquisitionControl::CloseSecondStageFlags() {
    StopFlags& flags = suite_.flags;
    flags.stopAllTools();
    flags.ApplicationClosing = true;
    suite_.wait.yieldOnce();
}
