#pragma once

#include <cstdint>

struct Settings;
struct StopFlags;
struct HopBinData;
class LinkStatusDisplay;
class AnalyzerSurfaces;

// The hop bin analyzer's picture on the hop bin window: one column per hop bin with
// a remote and a PC-side bar graded Good / Marginal / Bad, optional peak and average
// marks, the level scale, bin labels under the first and last column, the colour
// legend and the link status line. Drawn straight onto the window's surface (twips)
// and repainted over itself on every update.
class HopBinDisplay {
public:
    HopBinDisplay(const Settings& settings, const StopFlags& flags, const HopBinData& data,
                  LinkStatusDisplay& status, AnalyzerSurfaces& surfaces);

    std::int32_t BR = 0;             // x of the chart's right edge (twips)
    std::int32_t FirstBinLabelX = 0; // where the label under column 0 was printed; 0 = none
    std::int32_t LastBinLabelX = 0;  // where the label under the last column was printed
    std::int16_t LastBinLabelNumber = 0;

    // Recomputes the chart's right edge from the window width and forgets the bin
    // label positions. Must run after every size change, before painting.
    void LayoutHopBinWindow();
    // Draws the whole picture (nothing while the spectrum test is selected); with
    // `clear` the window is cleared first.
    void PaintHopBinDisplay(bool clear);

private:
    const Settings& settings_;
    const StopFlags& flags_;
    const HopBinData& data_;
    LinkStatusDisplay& status_;
    AnalyzerSurfaces& surfaces_;
};
