#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

// The pure geometry of the spectrum window, in twips (y grows downwards). The plot
// always spans 70 dB from "Amplitude" at its top edge; the frequency axis spans
// "Span" MHz around "Center Frequency".

inline constexpr double kSpectrumSpanDb = 70.0;
inline constexpr double kLegendColumnWidth = 2100; // one key help text per column
inline constexpr double kLegendRowHeight = 200;
inline constexpr int kLegendTextCount = 9;

inline constexpr std::uint32_t kSpectrumPeakColour = 0xFFFF00;    // cyan
inline constexpr std::uint32_t kSpectrumAverageColour = 0xFFFFFF; // white

// The nine key help texts under the plot, F1 first.
const std::array<QString, kLegendTextCount>& legendTexts();

// How the key help texts share the width under the plot: as many whole
// 2100-twip columns as fit (at least one), as many rows as the nine texts need, and
// the plot's bottom margin that leaves room for them: a row for the frequency
// labels, the separator and the rows of texts, (rows + 2) x 200.
struct LegendLayout {
    int columns = 1;
    int rows = kLegendTextCount;
    std::int32_t bottom = (kLegendTextCount + 2) * 200;
};
LegendLayout legendLayout(double plotWidth);

// One point's cell on the plot: point i of n owns plotWidth / n from
// plotLeft + i x plotWidth / n. Each value is rounded (halves to even) before the
// next is derived from it, so neighbouring cells share their edges even when a cell
// is narrower than a pixel.
struct CellGeometry {
    std::int32_t left = 0;
    std::int32_t right = 0;
    std::int32_t center = 0;
    bool operator==(const CellGeometry&) const = default;
};
CellGeometry cellGeometry(int i, int n, double plotLeft, double plotWidth);

// A value rounded to one decimal (halves to even) in its shortest text: 904.6,
// 905, -73, 5.1.
QString oneDecimalText(double value);

// Label of vertical grid line k of `divisions`: the frequency (MHz) at that line,
// the span divided into the grid's divisions (902, 904.6, ... 928 by default).
QString frequencyLabelText(float centerFrequency, float span, int k, int divisions);
// Label of horizontal grid line k: "Amplitude" - k x 70 / divisions dB.
QString amplitudeLabelText(float amplitude, int k, int divisions);

struct Segment {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool operator==(const Segment&) const = default;
};

// The grid: for k = 0 .. divisions a vertical line reaching 100 twips below the
// plot and a horizontal line reaching 100 twips left of it (the ticks under the
// labels). Vertical and horizontal line k are adjacent in the result.
std::vector<Segment> gridLines(double left, double top, double right, double bottom, int divisions);

// The segments of one trace. centerX[i] is point i's cell centre, y[i] its y where
// a segment leaves it and endY[i] its y where a segment arrives (the two are kept
// equal by the acquisition); a y of 0 is a point not measured, which takes no part.
// The trace starts at the left edge of the plot (firstCellLeft) instead of point
// 0's centre and ends at the right edge (lastCellRight); a measured point with
// unmeasured neighbours on both sides draws nothing. Fewer than two points draw
// nothing. The first segment comes out twice (for point 0 and for point 1), which
// is harmless on screen.
std::vector<Segment> traceSegments(const std::vector<std::int32_t>& centerX,
                                   std::int32_t firstCellLeft, std::int32_t lastCellRight,
                                   const std::vector<std::int32_t>& y,
                                   const std::vector<std::int32_t>& endY);

// A marker: a diamond 100 wide and 200 tall standing with its lower tip on (x, y).
std::array<Segment, 4> markerDiamond(double x, double y);
