#pragma once

#include "hopbin/hop_bin_analyzer.h"
#include "hopbin/hop_bin_data.h"
#include "hopbin/hop_bin_display.h"
#include "hopbin/link_quality_meter.h"
#include "link/radio_context.h"
#include "recording/recorder.h"

// The radio's state with the hop bin analyzer, its display and the link-quality meter.
struct HopBinContext : RadioContext {
    HopBinContext(MessageBoxes& messages, StatusText& statusBar, AnalyzerSurfaces& surfaces)
        : RadioContext(messages, statusBar, surfaces),
          hopBinDisplay(settings, flags, hopBinData, linkStatus, surfaces),
          meter(settings, hopBinData, surfaces),
          hopBins(hopBinData, settings, flags, wait, link, modes, linkStatus, recorder,
                  hopBinDisplay, meter) {}

    Recorder recorder{wait};
    HopBinData hopBinData;
    HopBinDisplay hopBinDisplay;
    LinkQualityMeter meter;
    HopBinAnalyzer hopBins;
};
