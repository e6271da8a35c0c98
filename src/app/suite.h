#pragma once

#include "app/event_wait.h"
#include "app/pending_commands.h"
#include "app/recorder.h"
#include "app/settings.h"
#include "app/stop_flags.h"
#include "hopbin/hop_bin_analyzer.h"
#include "hopbin/hop_bin_data.h"
#include "hopbin/hop_bin_display.h"
#include "hopbin/link_quality_meter.h"
#include "link/link_status_display.h"
#include "link/mode_protocol.h"
#include "link/radio_link.h"
#include "network/network_query.h"
#include "spectrum/spectrum_analyzer.h"
#include "spectrum/spectrum_data.h"
#include "spectrum/spectrum_display.h"
#include "spectrum/spectrum_markers.h"

class MessageBoxes;
class StatusText;
class AnalyzerSurfaces;

// The application context: one per program, and one per test that needs a whole
// suite. It owns every piece of state and hands each piece the neighbours it uses;
// nothing in the suite reaches for a global.
class Suite {
public:
    Suite(MessageBoxes& messages, StatusText& statusBar, AnalyzerSurfaces& surfaces)
        : messages_(messages), linkStatus(settings, flags, surfaces),
          link(settings, flags, wait, messages),
          modes(link, settings, flags, wait, linkStatus, statusBar),
          hopBinDisplay(settings, flags, hopBinData, linkStatus, surfaces),
          meter(settings, hopBinData, surfaces),
          hopBins(hopBinData, settings, flags, wait, link, modes, linkStatus, recorder,
                  hopBinDisplay, meter),
          spectrumMarkers(settings, flags, spectrumData, linkStatus, surfaces),
          spectrumDisplay(settings, flags, spectrumData, spectrumMarkers, surfaces),
          spectrum(spectrumData, settings, flags, wait, link, modes, linkStatus, recorder,
                   spectrumDisplay, spectrumMarkers, meter, surfaces),
          query(flags, wait, link, modes, recorder, pending) {
        spectrumData.resize(settings.NumberOfPoints);
        meter.spectrumFigures = [this] { return spectrum.sweepFigures(); };
        spectrumMarkers.repaintWindow = [this] { spectrumDisplay.PaintSpectrumWindow(true); };
    }

    MessageBoxes& messages() const { return messages_; }

private:
    MessageBoxes& messages_;

public:
    Settings settings;
    StopFlags flags;
    EventWait wait{flags};
    PendingCommands pending{flags, wait};
    LinkStatusDisplay linkStatus;
    RadioLink link;
    ModeProtocol modes;
    Recorder recorder{wait};
    HopBinData hopBinData;
    HopBinDisplay hopBinDisplay;
    LinkQualityMeter meter;
    HopBinAnalyzer hopBins;
    SpectrumData spectrumData;
    SpectrumMarkers spectrumMarkers;
    SpectrumDisplay spectrumDisplay;
    SpectrumAnalyzer spectrum;
    NetworkQuery query;
};
