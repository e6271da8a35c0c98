#include "hopbin/hop_bin_display.h"

#include "core/number_text.h"
#include "core/settings.h"
#include "core/stop_flags.h"
#include "hopbin/hop_bin_data.h"
#include "hopbin/hop_bin_geometry.h"
#include "link/link_status_display.h"
#include "ui/readable_colour.h"
#include "ui/surface.h"

#include <algorithm>

namespace {

constexpr int kBinAnalyzerTest = 0;
constexpr double kTickLength = 100; // bin ticks and the scale's reach left of the chart

} // namespace

HopBinDisplay::HopBinDisplay(const Settings& settings, const StopFlags& flags,
                             const HopBinData& data, LinkStatusDisplay& status,
                             AnalyzerSurfaces& surfaces)
    : settings_(settings), flags_(flags), data_(data), status_(status), surfaces_(surfaces) {}

void HopBinDisplay::LayoutHopBinWindow() {
    if (flags_.ApplicationClosing)
        return;
    FirstBinLabelX = 0;
    LastBinLabelX = 0;
    if (settings_.MeterTest != kBinAnalyzerTest)
        return;
    // The "Bins Right" setting is a right margin; BR holds the absolute right edge.
    if (Surface* surface = surfaces_.hopBinSurface())
        BR = static_cast<std::int32_t>(roundHalfEven(surface->scaleWidth() - settings_.BinsRight));
}

void HopBinDisplay::PaintHopBinDisplay(bool clear) {
    if (settings_.MeterTest != kBinAnalyzerTest)
        return;
    Surface* surface = surfaces_.hopBinSurface();
    if (!surface)
        return;

    constexpr double SL = 0, ST = 0; // our surfaces have their origin at the top left
    const double SW = surface->scaleWidth();
    const double SH = surface->scaleHeight();
    const double BT = settings_.BinsTop;
    const double BB = settings_.BinsBottom;
    const double BL = settings_.BinsLeft;
    const double A = settings_.Amplitude;
    const double H = SH - (BT + BB);
    const double Y0 = ST + SH - BB;
    const Colour background = surface->backColor();
    // The labels lie on the window's own colour, which may be dark.
    const Colour labelColour =
        readable::textColour(settings_.LabelColor, background, surface->foreColor());
    const Colour gridColour = settings_.GridColor;
    auto levelY = [&](double level) { return chartLevelY(level, A, BT, H); };

    if (clear)
        surface->clear();
    surface->fillRect(BL, BT, SL + BR, Y0, settings_.BackgroundColor);
    surface->setFont(QStringLiteral("MS Sans Serif"), 8, false);

    // Legend: two rows under the chart, each grade with its colour swatch.
    const double x0 = static_cast<double>(roundHalfEven(SW / 4));
    const double y1 = static_cast<double>(
        roundHalfEven(ST + SH - BB + 0.5 * surface->textHeight(QStringLiteral("RSSI at Remote:"))));
    const double y2 = static_cast<double>(
        roundHalfEven(ST + SH - BB + 1.5 * surface->textHeight(QStringLiteral("RSSI at PC:"))));
    for (const LegendEntry& entry : legendEntries(x0, y1, y2)) {
        surface->printText(entry.x, entry.y, entry.text, labelColour);
        if (!entry.hasSwatch)
            continue;
        const auto square = legendSwatch(entry.x, entry.y, surface->textWidth(entry.swatchAfter),
                                         surface->textHeight(entry.text));
        surface->fillRect(square[0], square[1], square[2], square[3], entry.swatch);
    }

    // Columns: a remote and a PC bar per bin.
    const int highestBin = std::min<int>(data_.HighestBin, kHopBinCount - 1);
    if (highestBin > 0) {
        const bool realTime = settings_.RealTimeCheck != 0;
        const bool peak = settings_.PeakCheck != 0;
        const bool average = settings_.AverageCheck != 0;
        const float marginal = settings_.MarginalThreshold[kBinAnalyzerTest][0];
        const float bad = settings_.BadThreshold[kBinAnalyzerTest][0];
        const double W = columnWidth(BL, BR, highestBin);
        const double u = W / 12;

        for (int b = 0; b <= highestBin; ++b) {
            const BinStats& R = data_.HopBins[static_cast<std::size_t>(b)][kRemoteSide];
            const BinStats& P = data_.HopBins[static_cast<std::size_t>(b)][kPcSide];
            const double x = columnLeft(b, W, BL, SL);
            const Colour remoteColour = remoteGradeColour(gradeLevel(R.Current, marginal, bad));
            const Colour pcColour = pcGradeColour(gradeLevel(P.Current, marginal, bad));

            if (peak) {
                surface->fillRect(x + u, Y0, x + 6 * u, levelY(R.Peak), kPeakColour);
                surface->fillRect(x + 6 * u, Y0, x + 11 * u, levelY(P.Peak), kPeakColour);
            }
            if (realTime) {
                surface->fillRect(x + u, Y0, x + 6 * u, levelY(R.Current), remoteColour);
                surface->fillRect(x + 6 * u, Y0, x + 11 * u, levelY(P.Current), pcColour);
            }
            if (average) {
                // Bands W/5 high hanging below the average level.
                const double ry = levelY(R.TrailingAverage);
                const double py = levelY(P.TrailingAverage);
                surface->fillRect(x + u, ry + W / 5, x + 6 * u, ry, kAverageColour);
                surface->fillRect(x + 6 * u, py + W / 5, x + 11 * u, py, kAverageColour);
            }

            if (b != 0 && b != highestBin)
                continue;

            // Bin label under the first and the last column. The previous label of
            // that end is printed again in the background colour first: the chart
            // is not cleared between reports.
            const bool first = b == 0;
            const std::int32_t previousX = first ? FirstBinLabelX : LastBinLabelX;
            if (previousX != 0) {
                const QString old = binLabelText(first ? 0 : LastBinLabelNumber);
                const double w = surface->textWidth(old);
                surface->printText(previousX, Y0 + surface->textHeight(old), old, background);
                surface->drawLine(previousX + w / 2, Y0, previousX + w / 2, Y0 + kTickLength,
                                  background);
            }
            const QString label = binLabelText(b);
            const double labelX = x + 3 * u - surface->textWidth(label) / 2;
            const auto rememberedX = static_cast<std::int32_t>(roundHalfEven(labelX));
            if (first) {
                FirstBinLabelX = rememberedX;
            } else {
                LastBinLabelX = rememberedX;
                LastBinLabelNumber = static_cast<std::int16_t>(b);
            }
            surface->printText(labelX, Y0 + surface->textHeight(label), label, labelColour);
            surface->drawLine(x + 3 * u, Y0, x + 3 * u, Y0 + kTickLength, gridColour);
        }
    }

    // Level scale: G divisions from the amplitude at the top down 70 dB.
    const int G = settings_.NumberOfGradiants;
    for (int k = 0; k <= G; ++k) {
        const double yk = G > 0 ? BT + k * H / G : BT;
        surface->drawLine(BL - kTickLength, yk, BR, yk, gridColour);
        const QString text = scaleLabelText(A, k, G);
        surface->printText(BL - kTickLength - surface->textWidth(text) - 20,
                           yk - surface->textHeight(text) / 2, text, labelColour);
    }

    if (!flags_.HopBinStopped)
        status_.ShowHopBinLinkStatus();
}
