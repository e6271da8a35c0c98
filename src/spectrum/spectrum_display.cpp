#include "spectrum/spectrum_display.h"

#include "core/number_text.h"
#include "core/settings.h"
#include "core/stop_flags.h"
#include "spectrum/spectrum_data.h"
#include "spectrum/spectrum_geometry.h"
#include "spectrum/spectrum_markers.h"
#include "ui/readable_colour.h"
#include "ui/surface.h"

#include <algorithm>

namespace {

constexpr double kLabelGap = 100;    // labels sit this far below / left of the plot
constexpr double kAmplitudeGap = 20; // extra room between an amplitude label and its tick
constexpr bool isPressed(std::int32_t toggle) {
    return toggle == 1;
}

void setLabelFont(Surface& surface) {
    surface.setFont(QStringLiteral("MS Sans Serif"), 8, false);
}

// The segments of one trace with the cells of `cells` and the y values of `ys`:
// drawing uses the current table for both, erasing the positions drawn last.
std::vector<Segment> segmentsOf(const std::vector<SweepPoint>& cells,
                                const std::vector<SweepPoint>& ys, SpectrumDisplay::Trace trace) {
    const std::size_t n = std::min(cells.size(), ys.size());
    if (n < 2)
        return {};
    std::vector<std::int32_t> x(n), y(n), endY(n);
    for (std::size_t i = 0; i < n; ++i) {
        x[i] = cells[i].CenterX;
        const SweepPoint& p = ys[i];
        switch (trace) {
        case SpectrumDisplay::Trace::RealTime:
            y[i] = p.TraceY;
            endY[i] = p.TraceEndY;
            break;
        case SpectrumDisplay::Trace::Peak:
            y[i] = p.PeakY;
            endY[i] = p.PeakEndY;
            break;
        case SpectrumDisplay::Trace::Average:
            y[i] = p.AverageY;
            endY[i] = p.AverageEndY;
            break;
        }
    }
    return traceSegments(x, cells.front().CellLeft, cells[n - 1].CellRight, y, endY);
}

void drawSegments(Surface& surface, const std::vector<Segment>& segments, Colour colour) {
    for (const Segment& s : segments)
        surface.drawLine(s.x1, s.y1, s.x2, s.y2, colour);
}

} // namespace

SpectrumDisplay::SpectrumDisplay(Settings& settings, const StopFlags& flags, SpectrumData& data,
                                 SpectrumMarkers& markers, AnalyzerSurfaces& surfaces)
    : settings_(settings), flags_(flags), data_(data), markers_(markers), surfaces_(surfaces) {}

void SpectrumDisplay::LayoutSpectrumLegend() {
    Surface* surface = surfaces_.spectrumSurface();
    if (!surface)
        return;
    constexpr double ST = 0; // our surfaces have their origin at the top left
    const double SW = surface->scaleWidth();
    const double SH = surface->scaleHeight();
    const double L = settings_.SpecAnLeft;
    const double R = settings_.SpecAnRight;
    const double W = SW - (L + R);
    const LegendLayout layout = legendLayout(SW - L - R);

    // The separator one row above the texts; the plot ends one row above it, which
    // leaves that row for the frequency labels.
    const auto separatorY = roundHalfEven(SH - (layout.rows + 1) * kLegendRowHeight);
    SpectrumLegendPosition[0] = QPoint(0, static_cast<int>(separatorY));
    const auto B = roundHalfEven(SH - (static_cast<double>(separatorY) - kLegendRowHeight));
    // Only the copy in memory changes: the stored margin stays what the user set.
    settings_.SpecAnBottom = static_cast<std::int16_t>(B);

    int entry = 1;
    for (int row = 1; entry <= kLegendTextCount; ++row) {
        for (int c = 0; c < layout.columns && entry <= kLegendTextCount; ++c, ++entry) {
            const double x = L + c * W / layout.columns;
            const double y = ST + SH - static_cast<double>(B) + 100 + row * kLegendRowHeight;
            SpectrumLegendPosition[static_cast<std::size_t>(entry)] =
                QPoint(static_cast<int>(roundHalfEven(x)), static_cast<int>(roundHalfEven(y)));
        }
    }
}

void SpectrumDisplay::ComputeCellGeometry() {
    Surface* surface = surfaces_.spectrumSurface();
    if (!surface)
        return;
    const double L = settings_.SpecAnLeft;
    const double W = surface->scaleWidth() - (L + settings_.SpecAnRight);
    const int n = data_.pointCount();
    for (int i = 0; i < n; ++i) {
        const CellGeometry cell = cellGeometry(i, n, L, W);
        SweepPoint& point = data_.SweepPoints[static_cast<std::size_t>(i)];
        point.CellLeft = cell.left;
        point.CellRight = cell.right;
        point.CenterX = cell.center;
    }
}

void SpectrumDisplay::PaintSpectrumWindow(bool clear) {
    Surface* surface = surfaces_.spectrumSurface();
    if (!surface)
        return;
    const double SW = surface->scaleWidth();
    const double SH = surface->scaleHeight();
    const double L = settings_.SpecAnLeft;
    const double R = settings_.SpecAnRight;
    const double T = settings_.SpecAnTop;
    const double B = settings_.SpecAnBottom;
    const int G = settings_.NumberOfGradiants;
    // The labels lie on the window's own colour, which may be dark.
    const Colour labelColour =
        readable::textColour(settings_.LabelColor, surface->backColor(), surface->foreColor());

    // The window's own background outside the plot, then the plot's.
    if (clear)
        surface->clear();
    surface->fillRect(L, T, SW - R, SH - B, settings_.BackgroundColor);
    setLabelFont(*surface);

    const std::vector<Segment> grid = gridLines(L, T, SW - R, SH - B, G);
    for (int k = 0; k <= G; ++k) {
        const Segment& vertical = grid[static_cast<std::size_t>(2 * k)];
        const Segment& horizontal = grid[static_cast<std::size_t>(2 * k + 1)];
        surface->drawLine(vertical.x1, vertical.y1, vertical.x2, vertical.y2, settings_.GridColor);
        surface->drawLine(horizontal.x1, horizontal.y1, horizontal.x2, horizontal.y2,
                          settings_.GridColor);

        // Frequency centred under its line, amplitude right-aligned before its tick.
        const QString frequency =
            frequencyLabelText(settings_.CenterFrequency, settings_.Span, k, G);
        surface->printText(vertical.x1 - surface->textWidth(frequency) / 2, SH - B + kLabelGap,
                           frequency, labelColour);
        const QString amplitude = amplitudeLabelText(settings_.Amplitude, k, G);
        surface->printText(L - kLabelGap - surface->textWidth(amplitude) - kAmplitudeGap,
                           horizontal.y1 - surface->textHeight(amplitude) / 2, amplitude,
                           labelColour);
    }

    // The key help under the plot, below a separator across the whole window.
    setLabelFont(*surface);
    const double separatorY = SpectrumLegendPosition[0].y();
    surface->drawLine(0, separatorY, SW, separatorY, labelColour);
    for (int i = 0; i < kLegendTextCount; ++i) {
        const QPoint& at = SpectrumLegendPosition[static_cast<std::size_t>(i + 1)];
        surface->printText(at.x(), at.y(), legendTexts()[static_cast<std::size_t>(i)], labelColour);
    }

    if (!flags_.SpectrumStopped) {
        PaintSpectrumTraces();
        markers_.PaintSpectrumTexts();
        markers_.PaintMarkers();
    }
}

void SpectrumDisplay::PaintSpectrumTraces() {
    const bool realTime = isPressed(settings_.RealTimeCheck);
    const bool peak = isPressed(settings_.PeakCheck);
    const bool average = isPressed(settings_.AverageCheck);
    const std::vector<SweepPoint>& current = data_.SweepPoints;
    const std::vector<SweepPoint>& previous = data_.PreviousSweepPoints;

    if (Surface* surface = surfaces_.spectrumSurface()) {
        // The traces drawn last go first, drawn over in the plot's background.
        const Colour background = settings_.BackgroundColor;
        if (average)
            drawSegments(*surface, segmentsOf(current, previous, Trace::Average), background);
        if (peak)
            drawSegments(*surface, segmentsOf(current, previous, Trace::Peak), background);
        drawSegments(*surface, segmentsOf(current, previous, Trace::RealTime), background);

        // That erasing cut through the grid: draw it again.
        const double SW = surface->scaleWidth();
        const double SH = surface->scaleHeight();
        const double L = settings_.SpecAnLeft;
        const double T = settings_.SpecAnTop;
        for (const Segment& line :
             gridLines(L, T, SW - settings_.SpecAnRight, SH - settings_.SpecAnBottom,
                       settings_.NumberOfGradiants))
            surface->drawLine(line.x1, line.y1, line.x2, line.y2, settings_.GridColor);

        // Average under peak under real-time, so the live trace stays on top.
        if (average)
            drawSegments(*surface, segmentsOf(current, current, Trace::Average),
                         kSpectrumAverageColour);
        if (peak)
            drawSegments(*surface, segmentsOf(current, current, Trace::Peak), kSpectrumPeakColour);
        if (realTime)
            drawSegments(*surface, segmentsOf(current, current, Trace::RealTime),
                         settings_.GraphColor);
    }

    // Remember what is on screen now; the acquisition keeps the real-time
    // positions itself, point by point.
    const std::size_t n = std::min(current.size(), previous.size());
    for (std::size_t i = 0; i < n; ++i) {
        SweepPoint& old = data_.PreviousSweepPoints[i];
        old.PeakY = current[i].PeakY;
        old.PeakEndY = current[i].PeakEndY;
        old.AverageY = current[i].AverageY;
        old.AverageEndY = current[i].AverageEndY;
    }
}

void SpectrumDisplay::EraseTrace(Trace trace) {
    Surface* surface = surfaces_.spectrumSurface();
    if (!surface)
        return;
    drawSegments(*surface, segmentsOf(data_.SweepPoints, data_.PreviousSweepPoints, trace),
                 settings_.BackgroundColor);
}
