#include "app/acquisition_control.h"

#include "app/suite.h"
#include "ui/transport_view.h"

AcquisitionControl::AcquisitionControl(Suite& suite, TransportView& view)
    : suite_(suite), view_(view) {}

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
        if (!suite_.link.PortIsOpen) {
            // Nothing to do until the link opens or the user stops.
            suite_.wait.waitForEvent();
            continue;
        }
        const int test = suite_.settings.MeterTest;
        if (test == 0) {
            flags.HopBinStopped = false;
            modes.ClearRadioOptionBit();
            suite_.hopBins.AcquireBinReports(0);
            modes.ChangeRadioState(ModeProtocol::Normal, false);
            modes.RestoreRadioOptionBit();
            if (flags.StopRequested)
                break;
        } else if (test == 1) {
            flags.SpectrumStopped = false;
            suite_.spectrum.SweepSpectrum(0);
            modes.ChangeRadioState(ModeProtocol::Normal, false);
        } else {
            // No analyzer to run for this selection: wait for the user.
            suite_.wait.waitForEvent();
            continue;
        }
        suite_.wait.yieldOnce();
    }
}

void AcquisitionControl::Play() {
    Recorder& recorder = suite_.recorder;
    if (view_.sourceText().isEmpty() || recorder.TransportMode == Recorder::Playing)
        return;
    recorder.TransportMode = Recorder::Playing;
    setImages(TransportView::RecordNormal, TransportView::PlayActive, TransportView::PauseNormal);
    if (closeRecordingFile)
        closeRecordingFile();

    StopFlags& flags = suite_.flags;
    if (!recorder.selectedSourceHasFile()) {
        // Live from the radio; a run already going on simply carries on.
        if (nothingRunning()) {
            flags.QueryStopRequested = true;
            view_.setSliderEnabled(false);
            suite_.wait.yieldOnce();
            suite_.modes.ChangeRadioState(ModeProtocol::Normal, false);
            flags.StopRequested = false;
            AcquisitionLoop();
        }
        return;
    }
    // Playing a recording is added with recording and playback.
}

void AcquisitionControl::Stop() {
    Recorder& recorder = suite_.recorder;
    recorder.TransportMode = Recorder::Idle;
    setImages(TransportView::RecordNormal, TransportView::PlayNormal, TransportView::PauseNormal);

    StopFlags& flags = suite_.flags;
    flags.stopAllTools();
    suite_.wait.yieldOnce();

    // Back to normal mode, even though every loop has been told to stop.
    flags.StopRequested = false;
    suite_.modes.ChangeRadioState(ModeProtocol::Normal, false);
    flags.StopRequested = true;

    if (closeRecordingFile)
        closeRecordingFile();
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
