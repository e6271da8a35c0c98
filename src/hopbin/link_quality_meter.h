#pragma once

#include "core/settings.h"

#include <QString>
#include <QStringList>
#include <array>
#include <functional>

struct HopBinData;
class AnalyzerSurfaces;
class Surface;

// The figures of the last spectrum sweep that the meter shows on the spectrum test
// (supplied by the spectrum analyzer).
struct SpectrumMeterFigures {
    double peakMean = 0;    // mean of the non-zero peak levels, dB
    double averageMean = 0; // mean of the non-zero average levels, dB
    double fraction = 0;    // share of points graded good
};

// The link quality meter: an analogue dial with red, yellow and green zones that
// sums up the running test in one figure (average RSSI or percentage good), drawn
// on the meter picture of the Network Query window.
class LinkQualityMeter {
public:
    LinkQualityMeter(const Settings& settings, const HopBinData& data, AnalyzerSurfaces& surfaces);

    QString MeterTitle;                // "Average RSSI (dBm)" or "Percentage Good"
    std::array<float, 4> MeterScale{}; // left end, red/yellow, yellow/green, right end

    // Set by the spectrum analyzer: the figures of its last sweep.
    std::function<SpectrumMeterFigures()> spectrumFigures;
    // Called whenever the meter is drawn, so that what its window shows beside it
    // (the totals under the dial) changes with it.
    std::function<void()> onDraw;

    // Clears and draws the dial; `value` is replaced by its dial position (0..100).
    // `title` is not drawn (the caption is MeterTitle); `line3` only when not empty.
    void DrawMeter(int index, float& value, const QString& title, const QString& line1,
                   const QString& line2, const QString& line3);

    // Sets the scale for the selected test and meter, computes the figures from the
    // data held and draws.
    void RedrawLinkQualityMeter();

    // Where a value lies on the dial (0 = left end, 100 = right end): each of the
    // three scale intervals takes a third of the dial, in either direction. Values
    // off the scale are put at the nearer end.
    static double DialPosition(double value, const std::array<float, 4>& scale);

private:
    const Settings& settings_;
    const HopBinData& data_;
    AnalyzerSurfaces& surfaces_;
};

// The dial's drawing geometry, in twips. The dial keeps its own angle convention:
// angle 0 points to the left end of the scale and pi to the right end, measured
// around (R, R), where R is the dial's radius.
namespace meter {

inline constexpr double kPi = 3.14159;
inline constexpr double kTwoPi = 6.28318;

struct Point {
    double x = 0;
    double y = 0;
};

// R: half the picture width less 15, rounded.
double dialRadius(double width);
// Half-length of the face line at x (0 when x lies outside the dial).
double faceHalfHeight(double radius, double x);
// Tip of the needle for a dial position p (0..100), rounded.
Point needleTip(double radius, double position);
// Outer and inner end of the tick of scale point k (0..3), rounded.
Point tickOuter(double radius, int k);
Point tickInner(double radius, double width, int k);
// Top-left corner of the label of scale point k next to the inner end of its tick.
Point tickLabelPosition(Point inner, int k, double textWidth, double textHeight);
// Top of the caption block under the hub: H / 2 + H / 12.
double captionTop(double height);
// The size of the dial's texts: 9 pt, and less on a picture too small for the
// title and the three caption rows at that size, down to a size still readable.
inline constexpr double kTextPoints = 9;
inline constexpr double kMinimumTextPoints = 6;
double textPoints(Surface& surface, const QString& title, const QStringList& lines);
// Line width of the needle in pixels: W / 800 + 1, rounded.
int needleWidth(double width);
// Colour of button faces on this desktop (the dial's face lines); light grey where
// the desktop's buttons are too dark to carry the dial's black print.
Colour buttonFaceColour();

} // namespace meter
