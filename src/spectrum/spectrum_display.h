#pragma once

#include <QPoint>
#include <array>

struct Settings;
struct StopFlags;
struct SpectrumData;
class SpectrumMarkers;
class AnalyzerSurfaces;

// The spectrum window's picture: plot frame and grid, frequency and amplitude
// labels, the key help legend under the plot and the three traces. Drawn straight
// onto the window's surface (twips); an old trace is erased by drawing it again in
// the background colour, then the grid is redrawn to repair it.
class SpectrumDisplay {
public:
    enum class Trace { RealTime, Peak, Average };

    SpectrumDisplay(Settings& settings, const StopFlags& flags, SpectrumData& data,
                    SpectrumMarkers& markers, AnalyzerSurfaces& surfaces);

    // Entry 0: y of the separator line; entries 1..9: top-left of the nine help texts.
    std::array<QPoint, 10> SpectrumLegendPosition{};

    // Places the help texts in rows under the plot and sets the plot's bottom margin
    // ("SpecAn Bottom" in memory) from the number of rows.
    void LayoutSpectrumLegend();
    // One cell per point across the plot width.
    void ComputeCellGeometry();
    void PaintSpectrumWindow(bool clear);
    void PaintSpectrumTraces();
    // A display toggle was released: the trace's drawn segments are drawn again in
    // the background colour.
    void EraseTrace(Trace trace);

private:
    Settings& settings_;
    const StopFlags& flags_;
    SpectrumData& data_;
    SpectrumMarkers& markers_;
    AnalyzerSurfaces& surfaces_;
};
