#include "spectrum/spectrum_markers.h"

#include "core/number_text.h"
#include "core/settings.h"
#include "core/stop_flags.h"
#include "link/link_status_display.h"
#include "spectrum/spectrum_data.h"
#include "spectrum/spectrum_geometry.h"
#include "spectrum/spectrum_peaks.h"
#include "ui/surface.h"

#include <algorithm>
#include <limits>

namespace {

// A diamond reaches this far to either side of its point: the arrows keep it inside
// the plot.
constexpr std::int32_t kMarkerHalfWidth = 50;
void drawDiamond(Surface& surface, double x, double y, Colour colour) {
    for (const Segment& s : markerDiamond(x, y))
        surface.drawLine(s.x1, s.y1, s.x2, s.y2, colour);
}

} // namespace

SpectrumMarkers::SpectrumMarkers(const Settings& settings, const StopFlags& flags,
                                 SpectrumData& data, LinkStatusDisplay& status,
                                 AnalyzerSurfaces& surfaces)
    : settings_(settings), flags_(flags), data_(data), status_(status), surfaces_(surfaces) {}

std::int16_t& SpectrumMarkers::activeMarker() {
    return DeltaMode ? MarkerIndex[1] : MarkerIndex[0];
}

double SpectrumMarkers::PointFrequency(int i, int pointCount, float centerFrequency, float span) {
    const double s = span;
    return static_cast<double>(centerFrequency) - s / 2 + (i + 1) * s / (pointCount + 1);
}

void SpectrumMarkers::KeyDown(int keyCode) {
    // The keys steer a running sweep; with none running they do nothing.
    if (flags_.SpectrumStopped)
        return;
    const int n = data_.pointCount();
    switch (keyCode) {
    case F1:
        // Every key that moves a marker recomputes the readouts before printing them,
        // so that they describe the markers on the screen.
        FindPeak();
        PaintMarkers();
        PaintSpectrumTexts();
        break;
    case F2:
        MaxHold = !MaxHold;
        break;
    case F3:
        // Nothing is redrawn now: the next paint shows one marker or two.
        if (DeltaMode) {
            EraseMarkers();
            DeltaMode = false;
            MarkerIndex[0] = MarkerIndex[1];
        } else {
            DeltaMode = true;
            MarkerIndex[1] = MarkerIndex[0];
        }
        break;
    case F4:
        FindNextPeak(true);
        PaintMarkers();
        PaintSpectrumTexts();
        break;
    case F5:
        FindNextPeak(false);
        PaintMarkers();
        PaintSpectrumTexts();
        break;
    case F6:
        ViewMode = !ViewMode;
        break;
    case F7:
        if (repaintWindow)
            repaintWindow();
        break;
    case Left: {
        std::int16_t& m = activeMarker();
        if (m > 0 && m < n) {
            const std::int32_t neighbour =
                data_.SweepPoints[static_cast<std::size_t>(m - 1)].CenterX;
            if (neighbour - kMarkerHalfWidth > settings_.SpecAnLeft)
                --m;
        }
        PaintMarkers();
        PaintSpectrumTexts();
        break;
    }
    case Right: {
        std::int16_t& m = activeMarker();
        Surface* surface = surfaces_.spectrumSurface();
        if (surface && m >= 0 && m < n - 1) {
            const std::int32_t neighbour =
                data_.SweepPoints[static_cast<std::size_t>(m + 1)].CenterX;
            if (surface->scaleWidth() - settings_.SpecAnRight > neighbour + kMarkerHalfWidth)
                ++m;
        }
        PaintMarkers();
        PaintSpectrumTexts();
        break;
    }
    default:
        break;
    }
}

void SpectrumMarkers::FindPeak() {
    // The smallest y is the strongest level; the first of equal ones wins. A point
    // not measured yet has y 0 and so beats every measured one.
    std::int32_t best = std::numeric_limits<std::int32_t>::max();
    const int n = data_.pointCount();
    for (int i = 0; i < n; ++i) {
        const std::int32_t y = data_.SweepPoints[static_cast<std::size_t>(i)].TraceY;
        if (y < best) {
            best = y;
            activeMarker() = static_cast<std::int16_t>(i);
        }
    }
}

void SpectrumMarkers::FindNextPeak(bool left) {
    const int n = data_.pointCount();
    std::int16_t& marker = activeMarker();
    if (marker < 0 || marker >= n)
        return;
    // The end of the trace coming first leaves the marker where it is.
    if (const auto peak = peaks::nextPeak(wholeDbTrace(), marker, left))
        marker = static_cast<std::int16_t>(*peak);
}

std::vector<int> SpectrumMarkers::wholeDbTrace() const {
    std::vector<int> levels;
    levels.reserve(data_.SweepPoints.size());
    for (const SweepPoint& point : data_.SweepPoints)
        levels.push_back(static_cast<std::int16_t>(roundHalfEven(point.TraceLevel)));
    return levels;
}

std::vector<int> SpectrumMarkers::peaksFound() const {
    return peaks::allPeaks(wholeDbTrace());
}

void SpectrumMarkers::PaintMarkers() {
    const int n = data_.pointCount();
    if (n == 0)
        return;
    Surface* surface = surfaces_.spectrumSurface();
    auto pointOf = [&](int j) -> const SweepPoint& {
        const int p = std::clamp<int>(MarkerIndex[static_cast<std::size_t>(j)], 0, n - 1);
        return data_.SweepPoints[static_cast<std::size_t>(p)];
    };

    const int markers = DeltaMode ? 2 : 1;
    for (int j = 0; j < markers; ++j) {
        const auto jj = static_cast<std::size_t>(j);
        const SweepPoint& point = pointOf(j);
        if (surface) {
            drawDiamond(*surface, MarkerX[jj], MarkerY[jj], settings_.BackgroundColor);
            if (settings_.RealTimeCheck == 1)
                drawDiamond(*surface, point.CenterX, point.TraceY,
                            j == 0 ? settings_.Marker1Color : settings_.Marker2Color);
        }
        // Remembered also when nothing was drawn: erasing there is harmless.
        MarkerX[jj] = point.CenterX;
        MarkerY[jj] = point.TraceY;
    }

    const int m1 = std::clamp<int>(MarkerIndex[0], 0, n - 1);
    const int m2 = std::clamp<int>(MarkerIndex[1], 0, n - 1);
    auto frequency = [&](int i) {
        return PointFrequency(i, n, settings_.CenterFrequency, settings_.Span);
    };
    if (!DeltaMode) {
        FrequencyReadout = QStringLiteral("Frequency (MHz): ") + oneDecimalText(frequency(m1));
        AmplitudeReadout =
            QStringLiteral("Amplitude (dB): ") + oneDecimalText(pointOf(0).TraceLevel);
    } else {
        FrequencyReadout = QStringLiteral("Frequency Delta (MHz): ") +
                           oneDecimalText(frequency(m2) - frequency(m1));
        AmplitudeReadout = QStringLiteral("Amplitude Delta (dB): ") +
                           oneDecimalText(pointOf(1).TraceLevel - pointOf(0).TraceLevel);
    }
}

void SpectrumMarkers::PaintSpectrumTexts() {
    Surface* surface = surfaces_.spectrumSurface();
    if (!surface)
        return;
    surface->setFont(QStringLiteral("MS Sans Serif"), 8, false);
    const double x = settings_.SpecAnLeft + 50;
    const double T = settings_.SpecAnTop;
    // Each line: the text on the screen is printed again in the background colour,
    // then the current one, which is remembered as the one on the screen. The
    // readouts may be recomputed several times between two prints (a key between
    // two sweeps), so only what was printed can tell what to erase. (An empty text
    // draws nothing and is skipped.)
    auto line = [&](double y, QString& onScreen, const QString& current) {
        if (!onScreen.isEmpty())
            surface->printText(x, y, onScreen, settings_.BackgroundColor);
        if (!current.isEmpty())
            surface->printText(x, y, current, settings_.MessageColor);
        onScreen = current;
    };
    line(T + 50, data_.PreviousSweepTimeText, data_.SweepTimeText);
    line(T + 250, PreviousFrequencyReadout, FrequencyReadout);
    line(T + 450, PreviousAmplitudeReadout, AmplitudeReadout);
    // The communication failure text, where the link status prints it, so that it
    // survives the trace erasing (the link status erases it itself).
    if (!status_.SpectrumMessage.isEmpty()) {
        surface->printText(x, T + 750, status_.SpectrumMessage, settings_.BackgroundColor);
        surface->printText(x, T + 750, status_.SpectrumMessage, settings_.MessageColor);
    }
}

void SpectrumMarkers::EraseMarkers() {
    Surface* surface = surfaces_.spectrumSurface();
    if (!surface)
        return;
    const int markers = DeltaMode ? 2 : 1;
    for (int j = 0; j < markers; ++j)
        drawDiamond(*surface, MarkerX[static_cast<std::size_t>(j)],
                    MarkerY[static_cast<std::size_t>(j)], settings_.BackgroundColor);
}
