#include "hopbin/link_quality_meter.h"

#include "core/number_text.h"
#include "core/settings.h"
#include "hopbin/hop_bin_data.h"
#include "ui/readable_colour.h"
#include "ui/surface.h"

#include <QGuiApplication>
#include <QPalette>
#include <cmath>

namespace meter {

double dialRadius(double width) {
    return static_cast<double>(roundHalfEven(width / 2 - 15));
}

double faceHalfHeight(double radius, double x) {
    const double squared = radius * radius - (x - radius) * (x - radius);
    if (!(squared > 0))
        return 0;
    return static_cast<double>(roundHalfEven(std::sqrt(squared)));
}

Point needleTip(double radius, double position) {
    const double angle = position / 100 * kPi;
    return {static_cast<double>(roundHalfEven(radius - radius / 2 * std::cos(angle))),
            static_cast<double>(roundHalfEven(radius - radius / 2 * std::sin(angle)))};
}

namespace {

double tickAngle(int k) {
    return k * kPi / 3;
}

Point dialPoint(double radius, double length, int k) {
    const double angle = tickAngle(k);
    return {static_cast<double>(roundHalfEven(radius - length * std::cos(angle))),
            static_cast<double>(roundHalfEven(radius - length * std::sin(angle)))};
}

} // namespace

Point tickOuter(double radius, int k) {
    return dialPoint(radius, radius, k);
}

Point tickInner(double radius, double width, int k) {
    return dialPoint(radius, radius - width / 16, k);
}

Point tickLabelPosition(Point inner, int k, double textWidth, double textHeight) {
    switch (k) {
    case 0:
        return {inner.x, inner.y - textHeight / 2};
    case 1:
        return inner;
    case 2:
        return {inner.x - textWidth / 2, inner.y};
    default:
        return {inner.x - textWidth, inner.y - textHeight / 2};
    }
}

int needleWidth(double width) {
    return static_cast<int>(roundHalfEven(width / 800 + 1));
}

double captionTop(double height) {
    return height / 2 + height / 12;
}

double textPoints(Surface& surface, const QString& title, const QStringList& lines) {
    const double W = surface.scaleWidth();
    const double H = surface.scaleHeight();
    // The title and three caption rows take 4.5 text heights below captionTop.
    auto fits = [&](double points) {
        surface.setFont(QStringLiteral("Arial"), points, true);
        if (surface.textWidth(title) > W)
            return false;
        surface.setFont(QStringLiteral("Arial"), points, false);
        for (const QString& line : lines)
            if (surface.textWidth(line) > W)
                return false;
        return captionTop(H) + 4.5 * surface.textHeight(lines.value(0)) <= H;
    };
    double points = kTextPoints;
    while (points > kMinimumTextPoints && !fits(points))
        points -= 0.5;
    return points;
}

Colour buttonFaceColour() {
    // Without a desktop session (a console run) the classic light grey.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return 0xF0F0F0;
    const QColor face = QGuiApplication::palette().color(QPalette::Active, QPalette::Button);
    const Colour colour = static_cast<Colour>(face.red()) | static_cast<Colour>(face.green()) << 8 |
                          static_cast<Colour>(face.blue()) << 16;
    // The dial is printed in black: a dark theme's buttons would darken its face
    // under the captions, so it keeps the classic grey there.
    return readable::contrast(colour, 0x000000) >= readable::kMinimumContrast ? colour : 0xF0F0F0;
}

} // namespace meter

namespace {

constexpr Colour kWhite = 0xFFFFFF;
constexpr Colour kBlack = 0x000000;
constexpr Colour kRed = 0x0000FF;
constexpr Colour kYellow = 0x00FFFF;
constexpr Colour kGreen = 0x00FF00;

} // namespace

LinkQualityMeter::LinkQualityMeter(const Settings& settings, const HopBinData& data,
                                   AnalyzerSurfaces& surfaces)
    : settings_(settings), data_(data), surfaces_(surfaces) {}

double LinkQualityMeter::DialPosition(double value, const std::array<float, 4>& scale) {
    const double s0 = scale[0], s1 = scale[1], s2 = scale[2], s3 = scale[3];
    const double v = value;
    constexpr double third = 100.0 / 3;
    if (std::isnan(v))
        return 0;
    // The first two intervals are half-open, so an empty one (a threshold equal to
    // its neighbour) is never chosen and the value falls into the next.
    if ((s0 <= v && v < s1) || (s1 < v && v <= s0))
        return (v - s0) / (s1 - s0) * third;
    if ((s1 <= v && v < s2) || (s2 < v && v <= s1))
        return (v - s1) / (s2 - s1) * third + third;
    if ((s2 <= v && v <= s3) || (s3 <= v && v <= s2)) {
        if (s2 == s3)
            return 100; // an empty last zone: the right end
        return (v - s2) / (s3 - s2) * third + 2 * third;
    }
    // Off the scale: the nearer end.
    if (s0 < s3) {
        if (v < s0)
            return 0;
        if (v > s3)
            return 100;
    } else if (s0 > s3) {
        if (v > s0)
            return 0;
        if (v < s3)
            return 100;
    }
    return std::fabs(v - s0) <= std::fabs(v - s3) ? 0 : 100;
}

void LinkQualityMeter::DrawMeter(int index, float& value, const QString& title,
                                 const QString& line1, const QString& line2, const QString& line3) {
    Q_UNUSED(index); // there is one meter picture
    Q_UNUSED(title); // the caption under the dial is MeterTitle
    const double position = DialPosition(value, MeterScale);
    value = static_cast<float>(position);
    if (onDraw)
        onDraw();

    Surface* surface = surfaces_.meterSurface();
    if (!surface)
        return;
    const double W = surface->scaleWidth();
    const double H = surface->scaleHeight();
    const double R = meter::dialRadius(W);
    const double cx = W / 2, cy = H / 2;
    const Colour fore = surface->foreColor();

    surface->clear();
    surface->setLineWidth(1);
    surface->setFillColor(kWhite);
    surface->setFillStyle(Surface::FillStyle::Solid);
    surface->drawCircle(cx, cy, R, fore);

    // Face, then the three zones as bands of concentric arcs.
    surface->setFillColor(kBlack);
    const Colour face = meter::buttonFaceColour();
    for (double x = 50; x <= W - 50; x += 50) {
        const double d = meter::faceHalfHeight(R, x);
        surface->drawLine(x, cy - d, x, cy + d, face);
    }
    surface->setLineWidth(2);
    const auto innerRadius = roundHalfEven(H / 4);
    const auto outerRadius = roundHalfEven(7 * H / 24);
    for (auto r = innerRadius; r <= outerRadius; ++r) {
        const double radius = static_cast<double>(r);
        surface->drawArc(cx, cy, radius, kRed, meter::kTwoPi / 3, meter::kPi);
        surface->drawArc(cx, cy, radius, kYellow, meter::kPi / 3, meter::kTwoPi / 3);
        surface->drawArc(cx, cy, radius, kGreen, 0, meter::kPi / 3);
    }

    // Needle and hub.
    surface->setLineWidth(meter::needleWidth(W));
    const meter::Point tip = meter::needleTip(R, position);
    surface->drawLine(cx, cy, tip.x, tip.y, fore);
    surface->setLineWidth(1);
    surface->drawCircle(cx, cy, H / 20, fore);
    surface->setFillStyle(Surface::FillStyle::Transparent);
    surface->drawCircle(cx, cy, R, fore);

    // Everything printed stays inside the picture: the texts shrink with a small
    // dial, and a text that would still run over the edge is left out.
    const double points = meter::textPoints(*surface, MeterTitle, {line1, line2, line3});
    auto printInside = [&](double x, double y, const QString& text) {
        if (x >= 0 && y >= 0 && x + surface->textWidth(text) <= W &&
            y + surface->textHeight(text) <= H)
            surface->printText(x, y, text, fore);
    };

    // Scale points at both ends and at the two zone boundaries.
    surface->setFont(QStringLiteral("Arial"), points, false);
    for (int k = 0; k < 4; ++k) {
        const meter::Point outer = meter::tickOuter(R, k);
        const meter::Point inner = meter::tickInner(R, W, k);
        surface->drawLine(outer.x, outer.y, inner.x, inner.y, kBlack);
        const QString label = shortestText(MeterScale[static_cast<std::size_t>(k)]);
        const meter::Point at = meter::tickLabelPosition(inner, k, surface->textWidth(label),
                                                         surface->textHeight(label));
        printInside(at.x, at.y, label);
    }

    // Captions, each centred under the dial.
    const double h = surface->textHeight(line1);
    const double top = meter::captionTop(H);
    auto printCentred = [&](const QString& text, double y) {
        printInside(W / 2 - surface->textWidth(text) / 2, y, text);
    };
    surface->setFont(QStringLiteral("Arial"), points, true);
    printCentred(MeterTitle, top);
    surface->setFont(QStringLiteral("Arial"), points, false);
    if (!line3.isEmpty())
        printCentred(line3, top + 1.5 * h);
    printCentred(line1, top + 2.5 * h);
    printCentred(line2, top + 3.5 * h);

    surface->setFont(QStringLiteral("MS Sans Serif"), 8.25, false);
}

void LinkQualityMeter::RedrawLinkQualityMeter() {
    const int test = settings_.MeterTest;
    if (test != 0 && test != 1)
        return;
    const int type = settings_.MeterType[test];
    if (type != 0 && type != 1)
        return;

    const float bad = settings_.BadThreshold[test][type];
    const float marginal = settings_.MarginalThreshold[test][type];
    if (type == 0) {
        MeterTitle = QStringLiteral("Average RSSI (dBm)");
        // On the spectrum test a strong signal is interference: the scale runs down.
        MeterScale = test == 0 ? std::array<float, 4>{-110, bad, marginal, -40}
                               : std::array<float, 4>{-40, bad, marginal, -110};
    } else {
        MeterTitle = QStringLiteral("Percentage Good");
        MeterScale = {0, bad, marginal, 100};
    }

    const QString title = QStringLiteral("Hop Bin Analyzer");
    if (test == 1) {
        const SpectrumMeterFigures figures =
            spectrumFigures ? spectrumFigures() : SpectrumMeterFigures{};
        const QString peakAvg = QStringLiteral("Peak Avg: ") + formatOneDecimal(figures.peakMean) +
                                QStringLiteral(" dBm");
        const QString trailingAvg = QStringLiteral("Trailing Avg: ") +
                                    formatOneDecimal(figures.averageMean) + QStringLiteral(" dBm");
        if (type == 1) {
            float value = static_cast<float>(figures.fraction * 100);
            DrawMeter(0, value, title, trailingAvg, QString(), peakAvg);
        } else {
            float value = static_cast<float>(figures.peakMean);
            DrawMeter(0, value, title, peakAvg, trailingAvg,
                      QStringLiteral("Percentage Good: ") + formatPercent(figures.fraction));
        }
        return;
    }

    const double average = data_.AverageRssi();
    const double fraction = data_.PercentageGood();
    const QString missed = QStringLiteral("Missed Bins: ") + shortestText(data_.MissedBins);
    const QString total = QStringLiteral("Total: ") + shortestText(data_.TotalReports);
    if (type == 1) {
        float value = static_cast<float>(fraction * 100);
        DrawMeter(0, value, title, missed, total,
                  QStringLiteral("Average RSSI: ") + formatOneDecimal(average) +
                      QStringLiteral(" dBm"));
    } else {
        float value = static_cast<float>(average);
        DrawMeter(0, value, title, missed, total,
                  QStringLiteral("Percentage Good: ") + formatPercent(fraction));
    }
}
