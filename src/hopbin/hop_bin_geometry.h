#pragma once

#include "core/settings.h"

#include <QString>
#include <array>

// The pure geometry and grading of the hop bin chart, in twips. The chart spans
// 70 dB from the amplitude at its top edge down to amplitude - 70 at its bottom.

inline constexpr double kChartSpanDb = 70.0;

// Vertical position of level `level` (dBm): top + |amplitude - level| x height / 70.
double chartLevelY(double level, double amplitude, double chartTop, double chartHeight);

// Width of one column when bins 0..highestBin share the chart from left to right.
double columnWidth(double chartLeft, double chartRight, int highestBin);

// Left edge of column `bin`.
double columnLeft(int bin, double width, double chartLeft, double scaleLeft);

enum class Grade { Good, Marginal, Bad };

// Good above the marginal threshold, Bad at or below the bad threshold, Marginal in
// between (a level equal to a threshold takes the worse grade).
Grade gradeLevel(float level, float marginalThreshold, float badThreshold);

// Bar colours of a grade: the remote radio's bar and the PC side's darker bar.
Colour remoteGradeColour(Grade grade);
Colour pcGradeColour(Grade grade);

inline constexpr Colour kPeakColour = 0xFFFF00;    // cyan
inline constexpr Colour kAverageColour = 0xFFFFFF; // white

// Label of scale division k of `divisions`: amplitude - k x 70 / divisions rounded
// to one decimal (halves to even), in shortest form ("-40", "-47", "-51.7").
QString scaleLabelText(double amplitude, int k, int divisions);

// Label under a column: "Bin#: 7".
QString binLabelText(int bin);

// One entry of the colour legend under the chart.
struct LegendEntry {
    QString text;
    double x = 0;
    double y = 0;
    bool hasSwatch = false;
    Colour swatch = 0;
    // The text whose width places the swatch (the widest text of its legend column).
    QString swatchAfter;
};

// The legend's ten entries: two rows (remote at y1, PC at y2) starting at x0.
std::array<LegendEntry, 10> legendEntries(double x0, double y1, double y2);

// The swatch square after a legend text at (x, y) whose width is w and height h:
// side h/2, top-left at (x + w, y + h/4). Corners as {left, top, right, bottom}.
std::array<double, 4> legendSwatch(double x, double y, double w, double h);
