// The hop bin picture as drawn: where each bar, mark, label, scale line and legend
// entry lands (twips, rounded) and in which colour.

#include "hopbin/hop_bin_display.h"

#include "core/settings.h"
#include "core/stop_flags.h"
#include "hopbin/hop_bin_data.h"
#include "hopbin/hop_bin_geometry.h"
#include "link/link_status_display.h"
#include "support/fakes.h"
#include "ui/readable_colour.h"

#include <gtest/gtest.h>

namespace {

using Op = RecordingSurface::Op;
using Kind = Op::Kind;

constexpr Colour kWindowBack = 0xF0F0F0; // the light grey of a light desktop theme
constexpr double kChartBottom = 5500;    // the default window: chart (500, 500)-(8500, 5500)

// "x1,y1 x2,y2 colour" in whole twips (a text: "text x1,y1 colour").
QString where(const Op& op) {
    const QString at = QStringLiteral("%1,%2").arg(qRound(op.x1)).arg(qRound(op.y1));
    const QString colour = QString::number(op.colour, 16);
    if (op.kind == Kind::Text)
        return op.text + u' ' + at + u' ' + colour;
    return at + QStringLiteral(" %1,%2 ").arg(qRound(op.x2)).arg(qRound(op.y2)) + colour;
}

class HopBinDisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings.LabelColor = 0x000001; // the grid 804000 and a black chart are the defaults
        surface.setBackColor(kWindowBack);
        display.LayoutHopBinWindow();
    }

    // The ops of one kind that pass `keep`, as where() gives them.
    QStringList drawn(Kind kind, const std::function<bool(const Op&)>& keep) const {
        QStringList out;
        for (const Op& op : surface.opsOf(kind))
            if (keep(op))
                out << where(op);
        return out;
    }
    // The bars and marks of the columns from x on: inside the chart, not its background.
    QStringList columnsFrom(double x) const {
        return drawn(Kind::FillRect, [this, x](const Op& op) {
            return op.y1 <= kChartBottom && op.x1 >= x && op.colour != settings.BackgroundColor;
        });
    }
    QStringList binLabels() const {
        return drawn(Kind::Text, [](const Op& op) { return op.text.startsWith(u"Bin#"); });
    }

    Settings settings;
    StopFlags flags;
    HopBinData data;
    TestSurfaces surfaces;
    RecordingSurface& surface = surfaces.hopBin;
    LinkStatusDisplay status{settings, flags, surfaces};
    HopBinDisplay display{settings, flags, data, status, surfaces};
};

} // namespace

TEST_F(HopBinDisplayTest, LayoutPlacesTheRightEdgeAMarginFromTheWindowEdge) {
    surface.resize(12000.4, 6000);
    settings.BinsRight = 800;
    display.LastBinLabelX = 9000;
    display.LayoutHopBinWindow();
    EXPECT_EQ(std::pair(display.BR, display.LastBinLabelX), std::pair(11200, 0)); // all repainted
    // The spectrum test keeps the edge; a closing program changes nothing.
    settings.MeterTest = 1;
    surface.resize(7000, 6000);
    display.LayoutHopBinWindow();
    settings.MeterTest = 0;
    flags.ApplicationClosing = true;
    display.LastBinLabelX = 9000;
    display.LayoutHopBinWindow();
    EXPECT_EQ(std::pair(display.BR, display.LastBinLabelX), std::pair(11200, 9000));
    EXPECT_DOUBLE_EQ(columnLeft(1, 400, 500, 100), 1000); // a scale left of the chart
}

TEST_F(HopBinDisplayTest, TheToolbarTogglesChooseBarsPeaksAndAveragesInTheirGradeColours) {
    data.HighestBin = 1;
    data.HopBins[1].fill({-85, -50, -40, -90, 1, 0}); // both sides
    // Bin 1 of two columns 4000 wide: the remote bar from 4833 to 6500, the PC bar to
    // 8167. Later bars cover earlier ones: peak, current level, then the average band.
    const QString peak = "4833,5500 6500,1214 ffff00|6500,5500 8167,1214 ffff00";
    const QString now = "4833,5500 6500,3714 ffff|6500,5500 8167,3714 b4ff";
    const QString average = "4833,4871 6500,4071 ffffff|6500,4871 8167,4071 ffffff";
    struct Case {
        std::int32_t realTime, peak, average;
        QString fills;
    };
    for (const Case& c : {Case{1, 1, 1, peak + u'|' + now + u'|' + average}, Case{1, 0, 0, now},
                          Case{0, 1, 1, peak + '|' + average}, Case{0, 0, 0, ""}}) {
        SCOPED_TRACE(testing::Message() << c.realTime << c.peak << c.average);
        std::tie(settings.RealTimeCheck, settings.PeakCheck, settings.AverageCheck) =
            std::tie(c.realTime, c.peak, c.average);
        surface.reset();
        display.PaintHopBinDisplay(false);
        EXPECT_EQ(columnsFrom(4500).join(u'|'), c.fills);
    }

    // Levels on the thresholds take the worse grade; the thresholds of the average
    // RSSI meter of the hop bin test are the ones used.
    settings.RealTimeCheck = 1; // peaks and averages off since the last case
    data.HighestBin = 2;
    const float levels[3][2] = {{-80, -95}, {-95, -80}, {-79.5f, -79.5f}};
    for (std::size_t bin = 0; bin < 3; ++bin)
        for (int side : {kRemoteSide, kPcSide})
            data.HopBins[bin][side].Current = levels[bin][side];
    settings.MarginalThreshold[0][1] = settings.MarginalThreshold[1][0] = -10;
    settings.BadThreshold[0][1] = settings.BadThreshold[1][0] = -20;
    surface.reset();
    display.PaintHopBinDisplay(false);
    QStringList colours;
    for (const QString& fill : columnsFrom(500))
        colours << fill.section(u' ', 2);
    // Marginal remote yellow, bad PC red 180; bad remote red, marginal PC red 255 and
    // green 180; good remote green, good PC green 180.
    EXPECT_EQ(colours.join(u' '), QStringLiteral("ffff b4 ff b4ff ff00 b400"));
}

TEST_F(HopBinDisplayTest, WithNoBinAboveZeroOnlyTheFrameAndTheStatusLineAreDrawn) {
    flags.HopBinStopped = false;
    status.LinkStatus = 1;
    settings.NumberOfGradiants = 0; // a scale of the top line only
    display.PaintHopBinDisplay(false);
    // The chart background first, covering the status line shown before; the new one last.
    EXPECT_EQ(where(surface.ops().front()), QStringLiteral("500,500 8500,5500 0"));
    EXPECT_EQ(surface.ops().back().text, QStringLiteral("Status: Finding Sync"));
    EXPECT_TRUE(binLabels().isEmpty());
    EXPECT_EQ(drawn(Kind::Line, [](const Op& op) { return op.x1 == 400; }),
              QStringList{"400,500 8500,500 804000"});
    // Cleared only on request; no status line once the run has stopped.
    flags.HopBinStopped = true;
    surface.reset();
    display.PaintHopBinDisplay(true);
    EXPECT_EQ(surface.ops().front().kind, Kind::Clear);
    EXPECT_EQ(surface.findText(QStringLiteral("Status: Finding Sync")), nullptr);
    // Nothing at all while the spectrum test is selected or the window is closed.
    settings.MeterTest = 1;
    data.HighestBin = 10;
    surface.reset();
    display.PaintHopBinDisplay(true);
    settings.MeterTest = 0;
    surfaces.hopBinOpen = false;
    display.PaintHopBinDisplay(true);
    EXPECT_TRUE(surface.ops().empty());
}

TEST_F(HopBinDisplayTest, BinLabelsFollowTheLastColumnAndOldOnesAreErased) {
    settings.PeakCheck = settings.AverageCheck = 0;
    data.HighestBin = 20;
    display.PaintHopBinDisplay(false);
    data.HighestBin = 30;
    surface.reset();
    display.PaintHopBinDisplay(false);
    // Under the first and last columns: each end the old label printed again in the
    // window's colour where it was, then the new one; the same for the ticks.
    EXPECT_EQ(binLabels(), (QStringList{"Bin#: 0 315,5692 f0f0f0", "Bin#: 0 285,5692 1",
                                        "Bin#: 20 7894,5692 f0f0f0", "Bin#: 30 7986,5692 1"}));
    const QStringList ticks =
        drawn(Kind::Line, [](const Op& op) { return op.x1 == op.x2 && op.y1 == kChartBottom; });
    EXPECT_EQ(ticks, (QStringList{"595,5500 595,5600 f0f0f0", "565,5500 565,5600 804000",
                                  "8214,5500 8214,5600 f0f0f0", "8306,5500 8306,5600 804000"}));
}

TEST_F(HopBinDisplayTest, TheScaleAndTheLegend) {
    settings.NumberOfGradiants = 8;
    display.PaintHopBinDisplay(false);
    // One line per division, labelled right-aligned left of it; halves of a tenth go
    // to the even tenth (-48.75, -66.25, -83.75, -101.25).
    QStringList scale;
    for (const Op& label : surface.opsOf(Kind::Text))
        if (label.x1 + surface.textWidth(label.text) == 380)
            scale << where(label);
    EXPECT_EQ(scale.join(u' ').toStdString(),
              "-40 140,404 1 -48.8 -20,1029 1 -57.5 -20,1654 1 -66.2 -20,2279 1 -75 140,2904 1 "
              "-83.8 -20,3529 1 -92.5 -20,4154 1 -101.2 -100,4779 1 -110 60,5404 1");
    EXPECT_EQ(drawn(Kind::Line, [](const Op& op) { return op.x1 == 400; }).size(), 9u);
    // The legend under the chart: the two sides, then a swatch after each grade.
    QStringList legend;
    for (const Op& op : surface.ops())
        if (op.y1 > kChartBottom && (op.kind == Kind::Text || op.kind == Kind::FillRect))
            legend << (op.kind == Kind::Text ? op.text : QString::number(op.colour, 16));
    EXPECT_EQ(legend.join(u'|').toStdString(),
              "RSSI at Remote:|RSSI at PC:|Good - |ff00|Good - |b400|Marginal - |ffff|"
              "Marginal - |b4ff|Bad - |ff|Bad - |b4|Peak - |ffff00|Average - |ffffff");
}

TEST_F(HopBinDisplayTest, OnADarkDesktopThemeEveryLabelStandsOutFromTheWindow) {
    // A dark theme: a dark grey window with white text. "Label Color" is black.
    constexpr Colour kDarkWindow = 0x353535;
    surface.setBackColor(kDarkWindow);
    surface.setForeColor(0xFFFFFF);
    settings.LabelColor = 0x000000;
    data.HighestBin = 49;
    display.PaintHopBinDisplay(true);
    ASSERT_FALSE(surface.opsOf(Kind::Text).empty());
    for (const Op& text : surface.opsOf(Kind::Text))
        EXPECT_GE(readable::contrast(text.colour, kDarkWindow), readable::kMinimumContrast)
            << text.text.toStdString();

    // A label colour that reads well on the window stays the user's.
    settings.LabelColor = 0x00FFFF; // yellow
    surface.reset();
    display.PaintHopBinDisplay(true);
    EXPECT_EQ(surface.findText(QStringLiteral("RSSI at Remote:"))->colour, 0x00FFFFu);
}
