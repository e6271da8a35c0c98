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
    Recorder& recorder = suite_.recorder;
    recorder.closeFile();
    recorder.view = nullptr;
    recorder.fullStop = nullptr;
    recorder.recordingFailed = nullptr;
}

void AcquisitionControl::setImages(int record, int play, int pause) {
    view_.setTransportImages(record, play, pause);
}

bool AcquisitionControl::nothingRunning() const {
    const StopFlags& f = suite_.flags;
    return f.PingTestStopped && f.SpectrumStopped && f.HopBinStopped;
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
    if (!flags.StopRequested)
        ResetTestData();
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
        if (test == 0) {
            flags.HopBinStopped = false;
            if (radio)
                modes.ClearRadioOptionBit();
            suite_.hopBins.AcquireBinReports(0);
            if (radio) {
                modes.ChangeRadioState(ModeProtocol::Normal, false);
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
}

void AcquisitionControl::runLoopFromRest() {
    StopFlags& flags = suite_.flags;
    flags.QueryStopRequested = true;
    suite_.wait.yieldOnce();
    suite_.modes.ChangeRadioState(ModeProtocol::Normal, false);
    flags.StopRequested = false;
    AcquisitionLoop();
}

void AcquisitionControl::Play() {
    Recorder& recorder = suite_.recorder;
    if (view_.sourceText().isEmpty() || recorder.TransportMode == Recorder::Playing)
        return;
    recorder.TransportMode = Recorder::Playing;
    setImages(TransportView::RecordNormal, TransportView::PlayActive, TransportView::PauseNormal);
    recorder.closeFile();

    if (recorder.selectedSourceHasFile()) {
        playRecording();
        return;
    }
    // Live from the radio; a run already going on simply carries on.
    if (nothingRunning()) {
        view_.setSliderEnabled(false);
        runLoopFromRest();
    }
}

void AcquisitionControl::playRecording() {
    Recorder& recorder = suite_.recorder;
    if (!recorder.openForPlayback(recorder.selectedFile())) {
        // Deleted or unreadable since it was chosen.
        Stop();
        suite_.messages().showMessage(QStringLiteral("Unable to open file."));
        return;
    }
    const qint64 records = recorder.recordCount();
    const qint64 position = view_.sliderValue();
    recorder.RecordCounter = position < records ? position : 0; // at the end: from the start
    recorder.oldbin0filetime = 0;
    view_.setSliderValue(recorder.RecordCounter);
    view_.setSliderMaximum(records);
    recorder.showPosition();
    view_.setSliderEnabled(true);

    // A run going on (live, or another recording) ends first.
    StopFlags& flags = suite_.flags;
    flags.QueryStopRequested = true;
    flags.StopRequested = true;
    suite_.wait.yieldOnce();
    flags.StopRequested = false;
    AcquisitionLoop();
}

void AcquisitionControl::Stop() {
    Recorder& recorder = suite_.recorder;
    recorder.stopPlaybackTimer();
    recorder.TransportMode = Recorder::Idle;
    setImages(TransportView::RecordNormal, TransportView::PlayNormal, TransportView::PauseNormal);

    StopFlags& flags = suite_.flags;
    flags.stopAllTools();
    suite_.wait.yieldOnce();

    // Back to normal mode, even though every loop has been told to stop.
    flags.StopRequested = false;
    suite_.modes.ChangeRadioState(ModeProtocol::Normal, false);
    flags.StopRequested = true;

    recorder.closeFile();
    view_.setSliderEnabled(true);
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
    ModeProtocol& modes = suite_.modes;
    modes.ChangeRadioState(ModeProtocol::Normal, true);
    modes.RestoreRadioOptionBit();
    if (modes.LocalRadioAddress.size() == 3)
        modes.SetDestinationAddress(modes.LocalRadioAddress);
    flags.ApplicationClosing = true;
    flags.StopRequested = true;
}

void AcquisitionControl::CloseSecondStageFlags() {
    StopFlags& flags = suite_.flags;
    flags.stopAllTools();
    flags.ApplicationClosing = true;
    suite_.wait.yieldOnce();
}
