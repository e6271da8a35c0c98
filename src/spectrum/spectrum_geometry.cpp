#include "spectrum/spectrum_geometry.h"

#include "core/number_text.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kTickLength = 100; // grid lines reach this far beyond the plot

// Position of line k of `divisions` over `length`; a grid without divisions has its
// single line at the start.
double divisionOffset(int k, int divisions, double length) {
    return divisions > 0 ? k * length / divisions : 0.0;
}

} // namespace

const std::array<QString, kLegendTextCount>& legendTexts() {
    static const std::array<QString, kLegendTextCount> texts = {
        QStringLiteral("F1: Peak Search"),
        QStringLiteral("F2: Max Hold"),
        QStringLiteral("F3: Marker Delta"),
        QStringLiteral("F4: Next Peak Left"),
        QStringLiteral("F5: Next Peak Right"),
        QStringLiteral("F6: View"),
        QStringLiteral("F7: Refresh"),
        QStringLiteral("Left Arrow: Marker Left"),
        QStringLiteral("Right Arrow: Marker Right"),
    };
    return texts;
}

LegendLayout legendLayout(double plotWidth) {
    const double w = static_cast<double>(roundHalfEven(plotWidth));
    std::int64_t columns = roundHalfEven(w / kLegendColumnWidth);
    // Only whole columns count: a width just short of a column rounds up above.
    if (plotWidth < static_cast<double>(columns) * kLegendColumnWidth)
        --columns;
    if (columns <= 0)
        columns = 1;

    const double perColumn = static_cast<double>(kLegendTextCount) / static_cast<double>(columns);
    std::int64_t rows = roundHalfEven(perColumn);
    if (perColumn > static_cast<double>(rows))
        ++rows;

    LegendLayout layout;
    layout.columns = static_cast<int>(columns);
    layout.rows = static_cast<int>(rows);
    // A row for the frequency labels, one for the separator, then the texts.
    layout.bottom = static_cast<std::int32_t>((rows + 2) * kLegendRowHeight);
    return layout;
}

CellGeometry cellGeometry(int i, int n, double plotLeft, double plotWidth) {
    CellGeometry cell;
    if (n <= 0)
        return cell;
    const double width = plotWidth / n;
    cell.left = static_cast<std::int32_t>(roundHalfEven(plotLeft + i * width));
    cell.right = static_cast<std::int32_t>(roundHalfEven(cell.left + width));
    cell.center = static_cast<std::int32_t>(
        roundHalfEven((static_cast<double>(cell.left) + static_cast<double>(cell.right)) / 2.0));
    return cell;
}

QString oneDecimalText(double value) {
    // Tenths, first snapped to six decimals so that a value that is a half in
    // decimal (902.25) but not quite in binary still rounds to even.
    const double tenths = std::round(value * 10.0 * 1e6) / 1e6;
    const auto rounded = roundHalfEven(tenths);
    return shortestText(static_cast<float>(static_cast<double>(rounded) / 10.0));
}

QString frequencyLabelText(float centerFrequency, float span, int k, int divisions) {
    const double lowest = static_cast<double>(centerFrequency) - static_cast<double>(span) / 2;
    return oneDecimalText(lowest + divisionOffset(k, divisions, span));
}

QString amplitudeLabelText(float amplitude, int k, int divisions) {
    return oneDecimalText(static_cast<double>(amplitude) -
                          divisionOffset(k, divisions, kSpectrumSpanDb));
}

std::vector<Segment> gridLines(double left, double top, double right, double bottom,
                               int divisions) {
    std::vector<Segment> lines;
    for (int k = 0; k <= divisions; ++k) {
        const double x = left + divisionOffset(k, divisions, right - left);
        const double y = top + divisionOffset(k, divisions, bottom - top);
        lines.push_back({x, top, x, bottom + kTickLength});
        lines.push_back({left - kTickLength, y, right, y});
    }
    return lines;
}

std::vector<Segment> traceSegments(const std::vector<std::int32_t>& centerX,
                                   std::int32_t firstCellLeft, std::int32_t lastCellRight,
                                   const std::vector<std::int32_t>& y,
                                   const std::vector<std::int32_t>& endY) {
    std::vector<Segment> segments;
    const std::size_t n = std::min({centerX.size(), y.size(), endY.size()});
    if (n < 2)
        return segments;
    // A segment from point a to point b leaves a at a's y and arrives at b's end y.
    auto from = [&](std::size_t a, double xa, std::size_t b, double xb) {
        segments.push_back({xa, static_cast<double>(y[a]), xb, static_cast<double>(endY[b])});
    };
    const std::size_t last = n - 1;
    for (std::size_t i = 0; i < n; ++i) {
        if (y[i] == 0)
            continue;
        if (i == last) {
            if (y[last - 1] != 0)
                from(last - 1, centerX[last - 1], last, lastCellRight);
        } else if (i == 0) {
            if (y[1] != 0)
                from(0, firstCellLeft, 1, centerX[1]);
        } else if (y[i - 1] != 0) {
            from(i - 1, i == 1 ? firstCellLeft : centerX[i - 1], i, centerX[i]);
        } else if (y[i + 1] != 0) {
            from(i, centerX[i], i + 1, centerX[i + 1]);
        }
    }
    return segments;
}

std::array<Segment, 4> markerDiamond(double x, double y) {
    return {{
        {x, y - 200, x - 50, y - 100},
        {x, y - 200, x + 50, y - 100},
        {x + 50, y - 100, x, y},
        {x, y, x - 50, y - 100},
    }};
}
