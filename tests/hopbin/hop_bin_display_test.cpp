#include "hopbin/hop_bin_display.h"

#include "core/settings.h"
#include "core/stop_flags.h"
#include "hopbin/hop_bin_data.h"
#include "link/link_status_display.h"
#include "support/fakes.h"
#include "ui/readable_colour.h"

#include <gtest/gtest.h>

namespace {

using Op = RecordingSurface::Op;

// The light grey of a light desktop theme.
constexpr Colour kWindowBack = 0xF0F0F0;
constexpr Colour kCyan = 0xFFFF00;
constexpr Colour kWhite = 0xFFFFFF;

// The default window: 9000 x 6000 twips, margins 500, so the chart runs from
// (500, 500) to (8500, 5500) and is 5000 high.
constexpr double kChartTop = 500;
constexpr double kChartBottom = 5500;
constexpr double kChartLeft = 500;
constexpr double kChartRight = 8500;

class HopBinDisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings.LabelColor = 0x000001;
        settings.GridColor = 0x804000;
        settings.BackgroundColor = 0x000000;
        surface.setBackColor(kWindowBack);
        display.LayoutHopBinWindow();
    }

    std::vector<Op> opsOf(Op::Kind kind) const { return surface.opsOf(kind); }
    // The filled rectangles of the columns: everything that stands on the chart's
    // bottom or hangs inside the chart (the legend lies below it).
    std::vector<Op> columnFills() const {
        std::vector<Op> out;
        for (const Op& op : opsOf(Op::Kind::FillRect))
            if (op.y1 <= kChartBottom && !(op.x1 == kChartLeft && op.y1 == kChartTop))
                out.push_back(op);
        return out;
    }
    std::vector<Op> textsStartingWith(const QString& prefix) const {
        std::vector<Op> out;
        for (const Op& op : opsOf(Op::Kind::Text))
            if (op.text.startsWith(prefix))
                out.push_back(op);
        return out;
    }
    void showOnly(bool realTime, bool peak, bool average) {
        settings.RealTimeCheck = realTime ? 1 : 0;
        settings.PeakCheck = peak ? 1 : 0;
        settings.AverageCheck = average ? 1 : 0;
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
    EXPECT_EQ(display.BR, 8500);
    surface.resize(12000.4, 6000);
    settings.BinsRight = 800;
    display.FirstBinLabelX = 700;
    display.LastBinLabelX = 9000;
    display.LayoutHopBinWindow();
    EXPECT_EQ(display.BR, 11200);
    EXPECT_EQ(display.FirstBinLabelX, 0); // a resize repaints everything
    EXPECT_EQ(display.LastBinLabelX, 0);

    // The spectrum test keeps the edge; a closing program changes nothing.
    settings.MeterTest = 1;
    surface.resize(7000, 6000);
    display.LayoutHopBinWindow();
    EXPECT_EQ(display.BR, 11200);
    settings.MeterTest = 0;
    flags.ApplicationClosing = true;
    display.LastBinLabelX = 9000;
    display.LayoutHopBinWindow();
    EXPECT_EQ(display.BR, 11200);
    EXPECT_EQ(display.LastBinLabelX, 9000);
}

TEST_F(HopBinDisplayTest, ABinAtMinus75FillsHalfTheChartWithTheDefaultAmplitude) {
    showOnly(true, false, false);
    data.HighestBin = 1;
    data.HopBins[0][kRemoteSide].Current = -75;
    data.HopBins[0][kPcSide].Current = -75;
    display.PaintHopBinDisplay(false);

    const auto fills = columnFills();
    ASSERT_EQ(fills.size(), 4u);
    const Op& remote = fills[0];
    EXPECT_DOUBLE_EQ(remote.y1, kChartBottom);
    EXPECT_DOUBLE_EQ(kChartBottom - remote.y2, (kChartBottom - kChartTop) / 2);
    EXPECT_DOUBLE_EQ(fills[1].y2, remote.y2);
    // Two columns of 4000: the remote bar from 1/12 to 6/12, the PC bar to 11/12.
    EXPECT_NEAR(remote.x1, 500 + 4000.0 / 12, 1e-9);
    EXPECT_NEAR(remote.x2, 500 + 2000, 1e-9);
    EXPECT_NEAR(fills[1].x1, 500 + 2000, 1e-9);
    EXPECT_NEAR(fills[1].x2, 500 + 4000.0 * 11 / 12, 1e-9);
    EXPECT_NEAR(fills[2].x1, 4500 + 4000.0 / 12, 1e-9);
}

TEST_F(HopBinDisplayTest, LevelsOnTheThresholdsTakeTheWorseGradeColour) {
    showOnly(true, false, false);
    data.HighestBin = 2;
    data.HopBins[0][kRemoteSide].Current = -80; // marginal threshold
    data.HopBins[0][kPcSide].Current = -95;     // bad threshold
    data.HopBins[1][kRemoteSide].Current = -95;
    data.HopBins[1][kPcSide].Current = -80;
    data.HopBins[2][kRemoteSide].Current = -79.5f;
    data.HopBins[2][kPcSide].Current = -79.5f;
    // The thresholds of the average RSSI meter of the hop bin test are the ones used.
    settings.MarginalThreshold[0][1] = -10;
    settings.BadThreshold[0][1] = -20;
    settings.MarginalThreshold[1][0] = -10;
    settings.BadThreshold[1][0] = -20;
    display.PaintHopBinDisplay(false);

    std::vector<Colour> colours;
    for (const Op& op : columnFills())
        colours.push_back(op.colour);
    const std::vector<Colour> expected = {
        0x00FFFF, 0x0000B4, // marginal remote (yellow), bad PC (red 180)
        0x0000FF, 0x00B4FF, // bad remote (red), marginal PC (red 255, green 180)
        0x00FF00, 0x00B400, // good remote (green), good PC (green 180)
    };
    EXPECT_EQ(colours, expected);
}

TEST_F(HopBinDisplayTest, TheToolbarTogglesChooseBarsPeaksAndAverages) {
    data.HighestBin = 1;
    for (int side : {kRemoteSide, kPcSide}) {
        data.HopBins[1][side].Current = -85;
        data.HopBins[1][side].Peak = -50;
        data.HopBins[1][side].TrailingAverage = -90;
    }
    const double w = 4000;                                // two columns
    const double averageY = kChartTop + 50 * 5000.0 / 70; // -90 dBm
    const double peakY = kChartTop + 10 * 5000.0 / 70;    // -50 dBm

    struct Case {
        bool realTime, peak, average;
        std::vector<Colour> colours;
    };
    const std::vector<Case> cases = {
        // Later bars cover earlier ones: the peak shows above the current level,
        // the average band on top of both.
        {true, true, true, {kCyan, kCyan, 0x00FFFF, 0x00B4FF, kWhite, kWhite}},
        {true, false, false, {0x00FFFF, 0x00B4FF}},
        {false, true, false, {kCyan, kCyan}},
        {false, false, true, {kWhite, kWhite}},
        {false, true, true, {kCyan, kCyan, kWhite, kWhite}},
        {false, false, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.realTime << c.peak << c.average);
        showOnly(c.realTime, c.peak, c.average);
        surface.reset();
        display.PaintHopBinDisplay(false);
        std::vector<Colour> colours;
        for (const Op& op : columnFills()) {
            if (op.x1 < kChartLeft + w)
                continue; // bin 0
            colours.push_back(op.colour);
            if (op.colour == kCyan) {
                EXPECT_DOUBLE_EQ(op.y1, kChartBottom);
                EXPECT_NEAR(op.y2, peakY, 1e-9);
            }
            if (op.colour == kWhite) { // a band w/5 high hanging below the average
                EXPECT_NEAR(op.y2, averageY, 1e-9);
                EXPECT_NEAR(op.y1 - op.y2, w / 5, 1e-9);
            }
        }
        EXPECT_EQ(colours, c.colours);
    }
}

TEST_F(HopBinDisplayTest, WithHighestBinZeroOnlyTheFrameIsDrawn) {
    flags.HopBinStopped = false;
    display.PaintHopBinDisplay(false);

    EXPECT_TRUE(columnFills().empty());
    EXPECT_TRUE(textsStartingWith(QStringLiteral("Bin#")).empty());
    EXPECT_EQ(display.FirstBinLabelX, 0);
    EXPECT_EQ(display.LastBinLabelX, 0);
    // Chart background, eight legend swatches, eleven scale lines, the status line.
    const auto fills = opsOf(Op::Kind::FillRect);
    ASSERT_EQ(fills.size(), 9u);
    EXPECT_EQ(fills[0].colour, settings.BackgroundColor);
    EXPECT_DOUBLE_EQ(fills[0].x1, kChartLeft);
    EXPECT_DOUBLE_EQ(fills[0].y1, kChartTop);
    EXPECT_DOUBLE_EQ(fills[0].x2, kChartRight);
    EXPECT_DOUBLE_EQ(fills[0].y2, kChartBottom);
    EXPECT_EQ(opsOf(Op::Kind::Line).size(), 11u);
    const auto texts = surface.texts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back(), QStringLiteral("Status: Normal"));
}

TEST_F(HopBinDisplayTest, TheStatusLineIsPrintedLastOverAFreshChartBackground) {
    flags.HopBinStopped = true;
    display.PaintHopBinDisplay(false);
    EXPECT_TRUE(textsStartingWith(QStringLiteral("Status")).empty());

    flags.HopBinStopped = false;
    status.LinkStatus = 1;
    surface.reset();
    display.PaintHopBinDisplay(false);
    const auto& ops = surface.ops();
    ASSERT_FALSE(ops.empty());
    const Op& last = ops.back();
    EXPECT_EQ(last.text, QStringLiteral("Status: Finding Sync"));
    // The background fill, which comes first, covers the place of the status text,
    // so the text shown before is gone when the new one is printed.
    const Op background = opsOf(Op::Kind::FillRect).front();
    EXPECT_LE(background.x1, last.x1);
    EXPECT_LE(background.y1, last.y1);
    EXPECT_GE(background.x2, last.x1);
    EXPECT_GE(background.y2, last.y1);
}

TEST_F(HopBinDisplayTest, ClearingIsOnlyOnRequest) {
    display.PaintHopBinDisplay(false);
    EXPECT_TRUE(opsOf(Op::Kind::Clear).empty());
    surface.reset();
    display.PaintHopBinDisplay(true);
    ASSERT_FALSE(surface.ops().empty());
    EXPECT_EQ(surface.ops().front().kind, Op::Kind::Clear);
}

TEST_F(HopBinDisplayTest, NothingIsDrawnWhileTheSpectrumTestIsSelected) {
    settings.MeterTest = 1;
    flags.HopBinStopped = false;
    data.HighestBin = 10;
    display.PaintHopBinDisplay(true);
    EXPECT_TRUE(surface.ops().empty());

    surfaces.hopBinOpen = false; // a closed window: nothing to draw on
    settings.MeterTest = 0;
    display.PaintHopBinDisplay(true);
    EXPECT_TRUE(surface.ops().empty());
}

TEST_F(HopBinDisplayTest, BinLabelsFollowTheLastColumnAndOldOnesAreErased) {
    showOnly(true, false, false);
    data.HighestBin = 20;
    display.PaintHopBinDisplay(false);

    auto labels = textsStartingWith(QStringLiteral("Bin#: "));
    ASSERT_EQ(labels.size(), 2u);
    const Op first20 = labels[0];
    const Op last20 = labels[1];
    EXPECT_EQ(first20.text, QStringLiteral("Bin#: 0"));
    EXPECT_EQ(last20.text, QStringLiteral("Bin#: 20"));
    EXPECT_EQ(last20.colour, settings.LabelColor);
    const double textHeight = surface.textHeight(last20.text);
    EXPECT_DOUBLE_EQ(last20.y1, kChartBottom + textHeight);
    // Centred on the middle of the remote bar (a quarter of the column).
    const double w20 = 8000.0 / 21;
    EXPECT_NEAR(last20.x1 + surface.textWidth(last20.text) / 2, 500 + 20 * w20 + w20 / 4, 1e-9);
    EXPECT_EQ(display.FirstBinLabelX, std::lround(first20.x1));
    EXPECT_EQ(display.LastBinLabelX, std::lround(last20.x1));
    EXPECT_EQ(display.LastBinLabelNumber, 20);

    data.HighestBin = 30;
    surface.reset();
    display.PaintHopBinDisplay(false);

    labels = textsStartingWith(QStringLiteral("Bin#: "));
    ASSERT_EQ(labels.size(), 4u);
    // Each end: the old label printed again in the window's background colour at
    // the remembered place, then the new one.
    EXPECT_EQ(labels[0].text, QStringLiteral("Bin#: 0"));
    EXPECT_EQ(labels[0].colour, kWindowBack);
    EXPECT_DOUBLE_EQ(labels[0].x1, std::lround(first20.x1));
    EXPECT_EQ(labels[1].text, QStringLiteral("Bin#: 0"));
    EXPECT_EQ(labels[1].colour, settings.LabelColor);
    EXPECT_EQ(labels[2].text, QStringLiteral("Bin#: 20"));
    EXPECT_EQ(labels[2].colour, kWindowBack);
    EXPECT_DOUBLE_EQ(labels[2].x1, std::lround(last20.x1));
    EXPECT_DOUBLE_EQ(labels[2].y1, last20.y1);
    EXPECT_EQ(labels[3].text, QStringLiteral("Bin#: 30"));
    EXPECT_EQ(labels[3].colour, settings.LabelColor);
    EXPECT_GT(labels[3].x1, last20.x1);
    EXPECT_EQ(display.LastBinLabelNumber, 30);

    // The old tick under bin 20 is erased, the new ones are drawn in the grid colour.
    std::vector<Op> ticks;
    for (const Op& op : opsOf(Op::Kind::Line))
        if (op.x1 == op.x2 && op.y1 == kChartBottom && op.y2 == kChartBottom + 100)
            ticks.push_back(op);
    ASSERT_EQ(ticks.size(), 4u);
    EXPECT_EQ(ticks[2].colour, kWindowBack);
    EXPECT_DOUBLE_EQ(ticks[2].x1, std::lround(last20.x1) + surface.textWidth(last20.text) / 2);
    EXPECT_EQ(ticks[3].colour, settings.GridColor);
    const double w30 = 8000.0 / 31;
    EXPECT_NEAR(ticks[3].x1, 500 + 30 * w30 + w30 / 4, 1e-9);

    // All columns are narrower now.
    const auto fills = columnFills();
    ASSERT_EQ(fills.size(), 62u);
    EXPECT_NEAR(fills[0].x2 - fills[0].x1, w30 * 5 / 12, 1e-9);
}

TEST_F(HopBinDisplayTest, AfterALayoutNoOldLabelIsErased) {
    data.HighestBin = 5;
    display.PaintHopBinDisplay(false);
    display.LayoutHopBinWindow();
    surface.reset();
    display.PaintHopBinDisplay(true);
    const auto labels = textsStartingWith(QStringLiteral("Bin#: "));
    ASSERT_EQ(labels.size(), 2u);
    EXPECT_EQ(labels[0].colour, settings.LabelColor);
    EXPECT_EQ(labels[1].colour, settings.LabelColor);
}

TEST_F(HopBinDisplayTest, TheScaleHasOneLabelledLinePerDivision) {
    settings.NumberOfGradiants = 7;
    display.PaintHopBinDisplay(false);

    QStringList labels;
    std::vector<double> lineYs;
    const auto& ops = surface.ops();
    for (std::size_t i = 0; i + 1 < ops.size(); ++i) {
        const Op& line = ops[i];
        if (line.kind != Op::Kind::Line || line.x1 != kChartLeft - 100)
            continue;
        EXPECT_DOUBLE_EQ(line.x2, kChartRight);
        EXPECT_EQ(line.colour, settings.GridColor);
        lineYs.push_back(line.y1);
        const Op& label = ops[i + 1];
        ASSERT_EQ(label.kind, Op::Kind::Text);
        labels << label.text;
        // Right-aligned 20 twips left of the tick, centred on the line.
        EXPECT_DOUBLE_EQ(label.x1 + surface.textWidth(label.text), kChartLeft - 120);
        EXPECT_DOUBLE_EQ(label.y1 + surface.textHeight(label.text) / 2, line.y1);
        EXPECT_EQ(label.colour, settings.LabelColor);
    }
    EXPECT_EQ(labels.join(u' '), QStringLiteral("-40 -50 -60 -70 -80 -90 -100 -110"));
    ASSERT_EQ(lineYs.size(), 8u);
    EXPECT_DOUBLE_EQ(lineYs.front(), kChartTop);
    EXPECT_DOUBLE_EQ(lineYs.back(), kChartBottom);
    EXPECT_NEAR(lineYs[1] - lineYs[0], 5000.0 / 7, 1e-9);
}

TEST_F(HopBinDisplayTest, TheLegendListsTheGradeColoursOfBothSides) {
    display.PaintHopBinDisplay(false);
    // Font 8 pt on the recording surface: text height 192, 80 twips a character.
    for (const Op& op : opsOf(Op::Kind::Text)) {
        EXPECT_EQ(op.fontName, QStringLiteral("MS Sans Serif"));
        EXPECT_DOUBLE_EQ(op.fontPoints, 8);
    }
    const auto remote = textsStartingWith(QStringLiteral("RSSI at Remote:"));
    const auto pc = textsStartingWith(QStringLiteral("RSSI at PC:"));
    ASSERT_EQ(remote.size(), 1u);
    ASSERT_EQ(pc.size(), 1u);
    EXPECT_DOUBLE_EQ(remote[0].x1, 2250); // a quarter of the width
    EXPECT_DOUBLE_EQ(remote[0].y1, 5596); // 5500 + 0.5 x 192
    EXPECT_DOUBLE_EQ(pc[0].y1, 5788);     // 5500 + 1.5 x 192

    std::vector<Op> swatches;
    for (const Op& op : opsOf(Op::Kind::FillRect))
        if (op.y1 > kChartBottom)
            swatches.push_back(op);
    ASSERT_EQ(swatches.size(), 8u);
    const std::vector<Colour> colours = {0x00FF00, 0x00B400, 0x00FFFF, 0x00B4FF,
                                         0x0000FF, 0x0000B4, 0xFFFF00, 0xFFFFFF};
    for (std::size_t i = 0; i < swatches.size(); ++i) {
        EXPECT_EQ(swatches[i].colour, colours[i]) << i;
        EXPECT_DOUBLE_EQ(swatches[i].x2 - swatches[i].x1, 96) << i;
        EXPECT_DOUBLE_EQ(swatches[i].y2 - swatches[i].y1, 96) << i;
    }
    // "Marginal - " on the PC row: after its 880 twips, a quarter height down.
    EXPECT_DOUBLE_EQ(swatches[3].x1, 2250 + 2250 + 880);
    EXPECT_DOUBLE_EQ(swatches[3].y1, 5788 + 48);
    // Peak and average swatches line up after the wider "Average - ".
    EXPECT_DOUBLE_EQ(swatches[6].x1, 2250 + 4500 + 800);
    EXPECT_DOUBLE_EQ(swatches[7].x1, swatches[6].x1);
}

TEST_F(HopBinDisplayTest, OnADarkDesktopThemeEveryLabelStandsOutFromTheWindow) {
    // A dark theme: a dark grey window with white text. "Label Color" is black.
    constexpr Colour kDarkWindow = 0x353535;
    surface.setBackColor(kDarkWindow);
    surface.setForeColor(kWhite);
    settings.LabelColor = 0x000000;
    data.HighestBin = 49;
    display.PaintHopBinDisplay(true);
    const auto texts = opsOf(Op::Kind::Text);
    ASSERT_FALSE(texts.empty());
    for (const Op& text : texts)
        EXPECT_GE(readable::contrast(text.colour, kDarkWindow), readable::kMinimumContrast)
            << text.text.toStdString();

    // A label colour that reads well on the window stays the user's.
    settings.LabelColor = 0x00FFFF; // yellow
    surface.reset();
    display.PaintHopBinDisplay(true);
    EXPECT_EQ(textsStartingWith(QStringLiteral("RSSI at Remote")).front().colour, 0x00FFFFu);
}
