#pragma once

#include "hopbin/hop_bin_context.h"
#include "spectrum/spectrum_analyzer.h"
#include "spectrum/spectrum_data.h"
#include "spectrum/spectrum_display.h"
#include "spectrum/spectrum_markers.h"

// The hop bin context with the spectrum analyzer, its traces and markers. The
// link-quality meter reads the sweep's figures when the spectrum test is chosen.
struct SpectrumContext : HopBinContext {
    SpectrumContext(MessageBoxes& messages, StatusText& statusBar, AnalyzerSurfaces& surfaces)
        : HopBinContext(messages, statusBar, surfaces),
          spectrumMarkers(settings, flags, spectrumData, linkStatus, surfaces),
          spectrumDisplay(settings, flags, spectrumData, spectrumMarkers, surfaces),
          spectrum(spectrumData, settings, flags, wait, link, modes, linkStatus, recorder,
                   spectrumDisplay, spectrumMarkers, meter, surfaces) {
        spectrumData.resize(settings.NumberOfPoints);
        meter.spectrumFigures = [this] { return spectrum.sweepFigures(); };
        spectrumMarkers.repaintWindow = [this] { spectrumDisplay.PaintSpectrumWindow(true); };
    }

    SpectrumData spectrumData;
    SpectrumMarkers spectrumMarkers;
    SpectrumDisplay spectrumDisplay;
    SpectrumAnalyzer spectrum;
};
