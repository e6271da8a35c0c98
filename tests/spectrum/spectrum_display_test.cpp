#include "spectrum/spectrum_display.h"

#include "core/settings.h"
#include "core/stop_flags.h"
#include "link/link_status_display.h"
#include "spectrum/spectrum_data.h"
#include "spectrum/spectrum_markers.h"
#include "support/fakes.h"

#include <gtest/gtest.h>

namespace {

using Op = RecordingSurface::Op;

// The light grey of a light desktop theme.
constexpr Colour kWindowBack = 0xF0F0F0;
constexpr Colour kPlotBack = 0x010101;
constexpr Colour kGrid = 0x804000;
constexpr Colour kLabel = 0x000002;
constexpr Colour kGraph = 0x00FF00;
constexpr Colour kMarker1 = 0x0000F1;
constexpr Colour kMessage = 0x00AA00;
constexpr Colour kCyan = 0xFFFF00;
constexpr Colour kWhite = 0xFFFFFF;

// The default window: 9000 x 6000 twips, margins 500. The plot is 8000 wide, so
// the key help takes three columns of three rows and the bottom margin becomes
// 1000: the plot runs from (500, 500) to (8500, 5000).
class SpectrumDisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings.BackgroundColor = kPlotBack;
        settings.GridColor = kGrid;
        settings.LabelColor = kLabel;
        settings.GraphColor = kGraph;
        settings.Marker1Color = kMarker1;
        settings.MessageColor = kMessage;
        surface.setBackColor(kWindowBack);
        data.resize(settings.NumberOfPoints);
        display.LayoutSpectrumLegend();
        display.ComputeCellGeometry();
    }

    std::vector<Op> opsOf(Op::Kind kind) const { return surface.opsOf(kind); }
    std::vector<Op> linesIn(Colour colour) const { return surface.linesIn(colour); }
    const Op* textOp(const QString& text) const { return surface.findText(text); }
    // A real-time trace over every point; peak and average a bit above it.
    void measureEverything() {
        for (std::size_t i = 0; i < data.SweepPoints.size(); ++i) {
            SweepPoint& p = data.SweepPoints[i];
            p.TraceY = p.TraceEndY = 3000 + static_cast<std::int32_t>(i);
            p.PeakY = p.PeakEndY = 2000 + static_cast<std::int32_t>(i);
            p.AverageY = p.AverageEndY = 2500 + static_cast<std::int32_t>(i);
        }
    }

    Settings settings;
    StopFlags flags;
    SpectrumData data;
    TestSurfaces surfaces;
    RecordingSurface& surface = surfaces.spectrum;
    LinkStatusDisplay status{settings, flags, surfaces};
    SpectrumMarkers markers{settings, flags, data, status, surfaces};
    SpectrumDisplay display{settings, flags, data, markers, surfaces};
};

} // namespace

TEST_F(SpectrumDisplayTest, LegendOfThreeColumnsUnderTheDefaultPlot) {
    EXPECT_EQ(settings.SpecAnBottom, 1000);
    EXPECT_EQ(display.SpectrumLegendPosition[0].y(), 5200);
    EXPECT_EQ(display.SpectrumLegendPosition[1], QPoint(500, 5300));
    EXPECT_EQ(display.SpectrumLegendPosition[2], QPoint(3167, 5300));
    EXPECT_EQ(display.SpectrumLegendPosition[3], QPoint(5833, 5300));
    EXPECT_EQ(display.SpectrumLegendPosition[4], QPoint(500, 5500));
    EXPECT_EQ(display.SpectrumLegendPosition[9], QPoint(5833, 5700));
}

TEST_F(SpectrumDisplayTest, NarrowWindowStacksTheLegendInOneColumn) {
    surface.resize(2000, 6000);
    display.LayoutSpectrumLegend();
    EXPECT_EQ(settings.SpecAnBottom, 2200);
    EXPECT_EQ(display.SpectrumLegendPosition[0].y(), 4000);
    for (int i = 1; i <= 9; ++i)
        EXPECT_EQ(display.SpectrumLegendPosition[static_cast<std::size_t>(i)],
                  QPoint(500, 3800 + 100 + 200 * i));
}

TEST_F(SpectrumDisplayTest, WideWindowPutsTheLegendInOneRow) {
    surface.resize(22000, 6000);
    display.LayoutSpectrumLegend();
    EXPECT_EQ(settings.SpecAnBottom, 600);
    EXPECT_EQ(display.SpectrumLegendPosition[0].y(), 5600);
    EXPECT_EQ(display.SpectrumLegendPosition[1], QPoint(500, 5700));
    EXPECT_EQ(display.SpectrumLegendPosition[2], QPoint(2600, 5700));
    EXPECT_EQ(display.SpectrumLegendPosition[9], QPoint(500 + 8 * 2100, 5700));
}

TEST_F(SpectrumDisplayTest, SixThousandThreeHundredWidePlotGivesThreeRows) {
    surface.resize(7300, 6000);
    display.LayoutSpectrumLegend();
    EXPECT_EQ(settings.SpecAnBottom, 1000);
    surface.resize(11500, 6000);
    display.LayoutSpectrumLegend();
    EXPECT_EQ(settings.SpecAnBottom, 800);
    EXPECT_EQ(display.SpectrumLegendPosition[6], QPoint(500, 5700));
}

TEST_F(SpectrumDisplayTest, CellsSpanThePlotWidth) {
    EXPECT_EQ(data.SweepPoints[0].CellLeft, 500);
    EXPECT_EQ(data.SweepPoints[0].CellRight, 660);
    EXPECT_EQ(data.SweepPoints[0].CenterX, 580);
    EXPECT_EQ(data.SweepPoints[49].CellRight, 8500);
    EXPECT_EQ(data.SweepPoints[49].CenterX, 8420);

    data.resize(2000);
    surface.resize(2000, 6000); // a plot 1000 wide: half a twip per point
    display.ComputeCellGeometry();
    EXPECT_EQ(data.SweepPoints[1].CellLeft, 500);
    EXPECT_EQ(data.SweepPoints[2].CellLeft, 501);
    EXPECT_EQ(data.SweepPoints[2].CellRight, 502);
    EXPECT_EQ(data.SweepPoints[1999].CellRight, 1500);
}

TEST_F(SpectrumDisplayTest, FullPaintClearsThenFillsThePlot) {
    display.PaintSpectrumWindow(true);
    const auto& ops = surface.ops();
    ASSERT_GE(ops.size(), 2u);
    EXPECT_EQ(ops[0].kind, Op::Kind::Clear);
    EXPECT_EQ(ops[0].colour, kWindowBack);
    EXPECT_EQ(ops[1].kind, Op::Kind::FillRect);
    EXPECT_EQ(ops[1].colour, kPlotBack);
    EXPECT_EQ(ops[1].x1, 500);
    EXPECT_EQ(ops[1].y1, 500);
    EXPECT_EQ(ops[1].x2, 8500);
    EXPECT_EQ(ops[1].y2, 5000);

    surface.reset();
    display.PaintSpectrumWindow(false);
    EXPECT_TRUE(opsOf(Op::Kind::Clear).empty());
}

TEST_F(SpectrumDisplayTest, GridAndScaleLabels) {
    display.PaintSpectrumWindow(true);
    EXPECT_EQ(linesIn(kGrid).size(), 22u);

    // 904.6 is centred under the second vertical line (x 1300), 100 below the plot.
    const Op* label = textOp(QStringLiteral("904.6"));
    ASSERT_NE(label, nullptr);
    EXPECT_DOUBLE_EQ(label->x1, 1300 - surface.textWidth(QStringLiteral("904.6")) / 2);
    EXPECT_DOUBLE_EQ(label->y1, 5100);
    EXPECT_EQ(label->colour, kLabel);
    EXPECT_EQ(label->fontName, "MS Sans Serif");
    EXPECT_EQ(label->fontPoints, 8);
    for (const char* text : {"902", "907.2", "915", "928"})
        EXPECT_NE(textOp(QString::fromLatin1(text)), nullptr) << text;

    // -47 right-aligned before the tick of the second horizontal line (y 950).
    const Op* amplitude = textOp(QStringLiteral("-47"));
    ASSERT_NE(amplitude, nullptr);
    EXPECT_DOUBLE_EQ(amplitude->x1, 500 - 100 - surface.textWidth(QStringLiteral("-47")) - 20);
    EXPECT_DOUBLE_EQ(amplitude->y1, 950 - surface.textHeight(QStringLiteral("-47")) / 2);
    EXPECT_NE(textOp(QStringLiteral("-40")), nullptr);
    EXPECT_NE(textOp(QStringLiteral("-110")), nullptr);
}

TEST_F(SpectrumDisplayTest, SpanOfTwentyLabelsWholeMegahertz) {
    settings.Span = 20;
    display.PaintSpectrumWindow(true);
    for (int f = 905; f <= 925; f += 2)
        EXPECT_NE(textOp(QString::number(f)), nullptr) << f;
    for (const QString& text : surface.texts())
        EXPECT_FALSE(text.startsWith(QStringLiteral("90")) && text.contains(u'.'))
            << text.toStdString();
}

TEST_F(SpectrumDisplayTest, OtherGridKeepsSeventyDecibels) {
    settings.NumberOfGradiants = 5;
    display.PaintSpectrumWindow(true);
    EXPECT_EQ(linesIn(kGrid).size(), 12u);
    EXPECT_NE(textOp(QStringLiteral("-54")), nullptr);
    EXPECT_NE(textOp(QStringLiteral("-110")), nullptr);
    EXPECT_NE(textOp(QStringLiteral("907.2")), nullptr);
    EXPECT_EQ(textOp(QStringLiteral("904.6")), nullptr);
}

TEST_F(SpectrumDisplayTest, SeparatorAndKeyHelp) {
    display.PaintSpectrumWindow(true);
    const auto separators = linesIn(kLabel);
    ASSERT_EQ(separators.size(), 1u);
    EXPECT_EQ(separators[0].x1, 0);
    EXPECT_EQ(separators[0].x2, 9000);
    EXPECT_EQ(separators[0].y1, 5200);
    EXPECT_EQ(separators[0].y2, 5200);

    const Op* f1 = textOp(QStringLiteral("F1: Peak Search"));
    ASSERT_NE(f1, nullptr);
    EXPECT_EQ(f1->x1, 500);
    EXPECT_EQ(f1->y1, 5300);
    const Op* right = textOp(QStringLiteral("Right Arrow: Marker Right"));
    ASSERT_NE(right, nullptr);
    EXPECT_EQ(right->x1, 5833);
    EXPECT_EQ(right->y1, 5700);
}

TEST_F(SpectrumDisplayTest, StoppedWindowShowsNoTracesOrTexts) {
    measureEverything();
    markers.FrequencyReadout = QStringLiteral("Frequency (MHz): 902.5");
    display.PaintSpectrumWindow(true);
    EXPECT_TRUE(linesIn(kGraph).empty());
    EXPECT_TRUE(linesIn(kCyan).empty());
    EXPECT_EQ(textOp(markers.FrequencyReadout), nullptr);
}

TEST_F(SpectrumDisplayTest, NoMeasurementsDrawOnlyTheGrid) {
    flags.SpectrumStopped = false;
    display.PaintSpectrumTraces();
    const auto lines = opsOf(Op::Kind::Line);
    EXPECT_EQ(lines.size(), 22u);
    for (const Op& line : lines)
        EXPECT_EQ(line.colour, kGrid);
    EXPECT_TRUE(opsOf(Op::Kind::Text).empty());
}

TEST_F(SpectrumDisplayTest, RunningWindowPaintsTracesThenTextsThenMarkers) {
    flags.SpectrumStopped = false;
    measureEverything();
    markers.FrequencyReadout = QStringLiteral("Frequency (MHz): 1");
    display.PaintSpectrumWindow(true);

    const auto& ops = surface.ops();
    std::size_t lastTrace = 0, readout = 0, firstMarker = 0;
    for (std::size_t i = 0; i < ops.size(); ++i) {
        if (ops[i].kind == Op::Kind::Line && ops[i].colour == kGraph)
            lastTrace = i;
        if (ops[i].kind == Op::Kind::Text && ops[i].text == markers.PreviousFrequencyReadout &&
            readout == 0)
            readout = i;
        if (ops[i].kind == Op::Kind::Line && ops[i].colour == kMarker1 && firstMarker == 0)
            firstMarker = i;
    }
    ASSERT_NE(lastTrace, 0u);
    ASSERT_NE(readout, 0u);
    ASSERT_NE(firstMarker, 0u);
    EXPECT_LT(lastTrace, readout);
    EXPECT_LT(readout, firstMarker);
}

TEST_F(SpectrumDisplayTest, TracesErasedRedrawnAndRemembered) {
    measureEverything();
    for (SweepPoint& old : data.PreviousSweepPoints) {
        old.TraceY = old.TraceEndY = 4000;
        old.PeakY = old.PeakEndY = 3500;
        old.AverageY = old.AverageEndY = 3700;
    }
    display.PaintSpectrumTraces();

    const auto lines = opsOf(Op::Kind::Line);
    // 50 points give 50 segments per trace (the first one twice).
    ASSERT_EQ(lines.size(), 3u * 50 + 22 + 3u * 50);
    auto expectTrace = [&](std::size_t first, Colour colour, double y0) {
        for (std::size_t i = first; i < first + 50; ++i)
            EXPECT_EQ(lines[i].colour, colour) << i;
        EXPECT_EQ(lines[first].x1, 500); // from the plot's left edge
        EXPECT_EQ(lines[first].y1, y0);
        EXPECT_EQ(lines[first].x2, 740);
        EXPECT_EQ(lines[first + 49].x2, 8500); // to its right edge
    };
    expectTrace(0, kPlotBack, 3700);   // old average
    expectTrace(50, kPlotBack, 3500);  // old peak
    expectTrace(100, kPlotBack, 4000); // old real-time
    for (std::size_t i = 150; i < 172; ++i)
        EXPECT_EQ(lines[i].colour, kGrid);
    expectTrace(172, kWhite, 2500);
    expectTrace(222, kCyan, 2000);
    expectTrace(272, kGraph, 3000);

    EXPECT_EQ(data.PreviousSweepPoints[7].PeakY, 2007);
    EXPECT_EQ(data.PreviousSweepPoints[7].PeakEndY, 2007);
    EXPECT_EQ(data.PreviousSweepPoints[7].AverageY, 2507);
    EXPECT_EQ(data.PreviousSweepPoints[7].AverageEndY, 2507);
    EXPECT_EQ(data.PreviousSweepPoints[7].TraceY, 4000); // kept by the acquisition
}

TEST_F(SpectrumDisplayTest, ReleasedTogglesAreNeitherErasedNorDrawn) {
    measureEverything();
    data.PreviousSweepPoints = data.SweepPoints;
    settings.PeakCheck = 0;
    settings.AverageCheck = 0;
    settings.RealTimeCheck = 0;
    display.PaintSpectrumTraces();
    // Only the real-time trace is erased whatever its toggle; nothing is drawn.
    EXPECT_EQ(linesIn(kPlotBack).size(), 50u);
    EXPECT_TRUE(linesIn(kGraph).empty());
    EXPECT_TRUE(linesIn(kCyan).empty());
    EXPECT_TRUE(linesIn(kWhite).empty());
}

TEST_F(SpectrumDisplayTest, EraseTraceDrawsTheShownSegmentsInBackground) {
    measureEverything();
    display.PaintSpectrumTraces();
    surface.reset();
    display.EraseTrace(SpectrumDisplay::Trace::Peak);
    const auto lines = opsOf(Op::Kind::Line);
    ASSERT_EQ(lines.size(), 50u);
    for (const Op& line : lines)
        EXPECT_EQ(line.colour, kPlotBack);
    EXPECT_EQ(lines[0].y1, 2000);
    EXPECT_EQ(lines[2].y1, 2001);
}

TEST_F(SpectrumDisplayTest, EraseTraceWithNothingDrawnDrawsNothing) {
    display.EraseTrace(SpectrumDisplay::Trace::Average);
    EXPECT_TRUE(surface.ops().empty());
}

TEST_F(SpectrumDisplayTest, ClosedWindowIsNotPainted) {
    surfaces.spectrumOpen = false;
    flags.SpectrumStopped = false;
    measureEverything();
    display.LayoutSpectrumLegend();
    display.ComputeCellGeometry();
    display.PaintSpectrumWindow(true);
    display.EraseTrace(SpectrumDisplay::Trace::Peak);
    display.PaintSpectrumTraces();
    EXPECT_TRUE(surface.ops().empty());
    EXPECT_EQ(data.PreviousSweepPoints[3].PeakY, 2003);
}
