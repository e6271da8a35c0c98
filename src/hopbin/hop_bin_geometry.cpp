#include "hopbin/hop_bin_geometry.h"

#include "core/number_text.h"

#include <cmath>

double chartLevelY(double level, double amplitude, double chartTop, double chartHeight) {
    return chartTop + std::fabs(amplitude - level) * chartHeight / kChartSpanDb;
}

double columnWidth(double chartLeft, double chartRight, int highestBin) {
    return (chartRight - chartLeft) / (highestBin + 1);
}

double columnLeft(int bin, double width, double chartLeft, double scaleLeft) {
    return bin * width + chartLeft + scaleLeft;
}

Grade gradeLevel(float level, float marginalThreshold, float badThreshold) {
    if (level > marginalThreshold)
        return Grade::Good;
    if (level > badThreshold)
        return Grade::Marginal;
    return Grade::Bad;
}

Colour remoteGradeColour(Grade grade) {
    switch (grade) {
    case Grade::Good:
        return 0x00FF00; // green
    case Grade::Marginal:
        return 0x00FFFF; // yellow
    case Grade::Bad:
        break;
    }
    return 0x0000FF; // red
}

Colour pcGradeColour(Grade grade) {
    switch (grade) {
    case Grade::Good:
        return 0x00B400; // green 180
    case Grade::Marginal:
        return 0x00B4FF; // red 255, green 180
    case Grade::Bad:
        break;
    }
    return 0x0000B4; // red 180
}

QString scaleLabelText(double amplitude, int k, int divisions) {
    const double step = divisions > 0 ? k * kChartSpanDb / divisions : 0.0;
    // Tenths of a dB, first snapped to six decimals so that a value that is a half
    // in decimal (-66.25) but not quite in binary still rounds to even.
    const double tenths = std::round((amplitude - step) * 10.0 * 1e6) / 1e6;
    const auto rounded = roundHalfEven(tenths);
    return shortestText(static_cast<float>(static_cast<double>(rounded) / 10.0));
}

QString binLabelText(int bin) {
    return QStringLiteral("Bin#: ") + shortestText(bin);
}

std::array<LegendEntry, 10> legendEntries(double x0, double y1, double y2) {
    const QString good = QStringLiteral("Good - ");
    const QString marginal = QStringLiteral("Marginal - ");
    const QString bad = QStringLiteral("Bad - ");
    const QString peak = QStringLiteral("Peak - ");
    const QString average = QStringLiteral("Average - ");
    return {{
        {QStringLiteral("RSSI at Remote:"), x0, y1, false, 0, {}},
        {QStringLiteral("RSSI at PC:"), x0, y2, false, 0, {}},
        {good, x0 + 1500, y1, true, remoteGradeColour(Grade::Good), good},
        {good, x0 + 1500, y2, true, pcGradeColour(Grade::Good), good},
        {marginal, x0 + 2250, y1, true, remoteGradeColour(Grade::Marginal), marginal},
        {marginal, x0 + 2250, y2, true, pcGradeColour(Grade::Marginal), marginal},
        {bad, x0 + 3250, y1, true, remoteGradeColour(Grade::Bad), bad},
        {bad, x0 + 3250, y2, true, pcGradeColour(Grade::Bad), bad},
        // Both swatches of the last column line up after the wider "Average - ".
        {peak, x0 + 4500, y1, true, kPeakColour, average},
        {average, x0 + 4500, y2, true, kAverageColour, average},
    }};
}

std::array<double, 4> legendSwatch(double x, double y, double w, double h) {
    const double left = x + w;
    const double top = y + h / 4;
    return {left, top, left + h / 2, top + h / 2};
}
