// What the spectrum window draws, as a recording surface keeps it: the plot, the
// grid and its labels, the key help under it, and the three traces.

#include "spectrum/spectrum_context.h"
#include "spectrum/spectrum_geometry.h"
#include "support/fakes.h"

#include <gtest/gtest.h>

namespace {

using Op = RecordingSurface::Op;

constexpr Colour kPlotBack = 0x010101, kGrid = 0x804000, kLabel = 0x000002, kGraph = 0x00FF00;
constexpr Colour kMarker1 = 0x0000F1;

QString where(const Op& op) {
    return QStringLiteral("%1 %2 %3 %4").arg(op.x1).arg(op.y1).arg(op.x2).arg(op.y2);
}

// The lines drawn, as runs of one colour: "colour*count ...".
QString lineColours(const RecordingSurface& surface) {
    QStringList runs;
    Colour last = 0xFFFFFFFF;
    int count = 0;
    for (const Op& op : surface.opsOf(Op::Kind::Line)) {
        if (op.colour != last && count)
            runs << QStringLiteral("%1*%2").arg(last, 0, 16).arg(count);
        count = op.colour == last ? count + 1 : 1;
        last = op.colour;
    }
    if (count)
        runs << QStringLiteral("%1*%2").arg(last, 0, 16).arg(count);
    return runs.join(' ');
}

// The default window: 9000 x 6000 twips, margins 500, 50 points measured with the
// real-time trace at y 3000 + i, the peak at 2000 + i and the average at 2500 + i.
class SpectrumDisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings.BackgroundColor = kPlotBack;
        settings.GridColor = kGrid;
        settings.LabelColor = kLabel;
        settings.GraphColor = kGraph;
        settings.Marker1Color = kMarker1;
        surface.setBackColor(0xF0F0F0);
        data.resize(settings.NumberOfPoints);
        display.LayoutSpectrumLegend();
        display.ComputeCellGeometry();
        for (std::size_t i = 0; i < data.SweepPoints.size(); ++i) {
            SweepPoint& p = data.SweepPoints[i];
            p.TraceY = p.TraceEndY = 3000 + static_cast<std::int32_t>(i);
            p.PeakY = p.PeakEndY = 2000 + static_cast<std::int32_t>(i);
            p.AverageY = p.AverageEndY = 2500 + static_cast<std::int32_t>(i);
        }
    }
    QString at(const char* text) const {
        const Op* op = surface.findText(QString::fromLatin1(text));
        return op ? QStringLiteral("%1 %2").arg(op->x1).arg(op->y1) : QString();
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

TEST_F(SpectrumDisplayTest, FullPaintClearsFillsThePlotLabelsTheGridAndFitsTheKeyHelp) {
    display.PaintSpectrumWindow(true);
    const auto& ops = surface.ops();
    ASSERT_GE(ops.size(), 2u);
    EXPECT_EQ(std::tuple(ops[0].kind, ops[0].colour), std::tuple(Op::Kind::Clear, 0xF0F0F0u));
    EXPECT_EQ(ops[1].colour, kPlotBack);
    EXPECT_EQ(where(ops[1]), "500 500 8500 5000");
    // The grid lines reach 100 twips beyond the plot as ticks.
    const auto grid = surface.linesIn(kGrid);
    ASSERT_EQ(grid.size(), 22u);
    EXPECT_EQ(where(grid[2]) + ", " + where(grid[3]), "1300 500 1300 5100, 400 950 8500 950");
    // 904.6 centred under the second vertical line, 100 below the plot; -47 right-
    // aligned 20 before the tick of the second horizontal line, centred on it.
    const Op* label = surface.findText(QStringLiteral("904.6"));
    const Op* amplitude = surface.findText(QStringLiteral("-47"));
    ASSERT_TRUE(label && amplitude);
    EXPECT_EQ(QPointF(label->x1 + surface.textWidth(label->text) / 2, label->y1),
              QPointF(1300, 5100));
    EXPECT_EQ(QPointF(amplitude->x1 + surface.textWidth(amplitude->text),
                      amplitude->y1 + surface.textHeight(amplitude->text) / 2),
              QPointF(380, 950));
    EXPECT_EQ(std::tuple(label->colour, label->fontName, label->fontPoints),
              std::tuple(kLabel, QStringLiteral("MS Sans Serif"), 8));
    surface.reset();
    display.PaintSpectrumWindow(false);
    EXPECT_TRUE(surface.opsOf(Op::Kind::Clear).empty());
    // Columns of 2100 twips. The plot's lower edge, a row of frequency labels, the
    // separator across the window, then the texts.
    const struct {
        double width;
        const char *plot, *separator, *f1, *rightArrow;
    } cases[] = {
        {9000, "5000", "0 5200 9000 5200", "500 5300", "5833 5700"},    // 3 columns of 3
        {5199, "3800", "0 4000 5199 4000", "500 4100", "500 5700"},     // 1 column of 9
        {5200, "4600", "0 4800 5200 4800", "500 4900", "500 5700"},     // 2 columns of 5
        {22000, "5400", "0 5600 22000 5600", "500 5700", "17300 5700"}, // one row
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        surface.resize(c.width, 6000);
        display.LayoutSpectrumLegend();
        surface.reset();
        display.PaintSpectrumWindow(true);
        EXPECT_EQ(QString::number(surface.opsOf(Op::Kind::FillRect).at(0).y2), c.plot);
        EXPECT_EQ(where(surface.linesIn(kLabel).at(0)), c.separator);
        EXPECT_EQ(at("F1: Peak Search"), c.f1);
        EXPECT_EQ(at("Right Arrow: Marker Right"), c.rightArrow);
    }
    // The scale labels divide the span and seventy decibels into the grid.
    const struct {
        float span;
        int grid;
        const char* labels; // frequency and amplitude of each line, in order
    } scales[] = {
        {26, 10,
         "902 -40 904.6 -47 907.2 -54 909.8 -61 912.4 -68 915 -75 917.6 -82 920.2 -89 "
         "922.8 -96 925.4 -103 928 -110"},
        {20, 3, "905 -40 911.7 -63.3 918.3 -86.7 925 -110"},
    };
    for (const auto& c : scales) {
        settings.Span = c.span;
        settings.NumberOfGradiants = c.grid;
        surface.reset();
        display.PaintSpectrumWindow(true);
        EXPECT_EQ(surface.linesIn(kGrid).size(), 2u * (c.grid + 1));
        const auto texts = surface.texts();
        EXPECT_EQ(QStringList(texts.begin(), texts.begin() + 2 * (c.grid + 1)).join(' '), c.labels);
    }
    // Tenths, halves to even as written in decimal.
    EXPECT_EQ(oneDecimalText(0.25) + oneDecimalText(0.35) + oneDecimalText(902.25) + " " +
                  oneDecimalText(-0.04),
              "0.20.4902.2 0");
}

// Old average, peak and real-time erased in the plot's colour, the grid again, then
// average (white), peak (cyan) and real-time: 50 segments each, from edge to edge.
TEST_F(SpectrumDisplayTest, TracesAreErasedWhereTheyWereThenDrawnOverTheGrid) {
    for (SweepPoint& old : data.PreviousSweepPoints) {
        old.TraceY = old.TraceEndY = 4000;
        old.PeakY = old.PeakEndY = 3500;
        old.AverageY = old.AverageEndY = 3700;
    }
    display.PaintSpectrumTraces();
    EXPECT_EQ(lineColours(surface), "10101*150 804000*22 ffffff*50 ffff00*50 ff00*50");
    const auto lines = surface.opsOf(Op::Kind::Line);
    ASSERT_EQ(lines.size(), 322u);
    EXPECT_EQ(where(lines[0]) + ", " + where(lines[50]) + ", " + where(lines[100]),
              "500 3700 740 3700, 500 3500 740 3500, 500 4000 740 4000");
    EXPECT_EQ(
        (where(lines[222]) + ", " + where(lines[272]) + ", " + where(lines[321])).toStdString(),
        "500 2000 740 2001, 500 3000 740 3001, 8260 3048 8500 3049");
    // Peak and average are remembered as drawn; the acquisition keeps the real-time.
    const SweepPoint& old = data.PreviousSweepPoints[7];
    EXPECT_EQ(
        std::vector<int>({old.PeakY, old.PeakEndY, old.AverageY, old.AverageEndY, old.TraceY}),
        std::vector<int>({2007, 2007, 2507, 2507, 4000}));
    // Released toggles: only the real-time trace is still erased, nothing is drawn.
    settings.PeakCheck = settings.AverageCheck = settings.RealTimeCheck = 0;
    surface.reset();
    display.PaintSpectrumTraces();
    EXPECT_EQ(lineColours(surface), "10101*50 804000*22");
}

TEST_F(SpectrumDisplayTest, OnlyRunsOfMeasuredPointsAreDrawn) {
    // Points at 100, 300, ... 900 in a plot from 0 to 1000; y 0 is "not measured".
    const std::pair<std::vector<std::int32_t>, const char*> cases[] = {
        {{10, 20, 30, 40, 50},
         "0 10 300 21, 0 10 300 21, 300 20 500 31, 500 30 700 41, 700 40 1000 51"},
        {{0, 20, 0, 0, 0}, ""},
        {{10, 0, 30, 0, 50}, ""},
        {{0, 0, 30, 40, 0}, "500 30 700 41, 500 30 700 41"},
        {{0, 0, 0, 40, 50}, "700 40 900 51, 700 40 1000 51"},
        {{10, 20, 0, 0, 0}, "0 10 300 21, 0 10 300 21"},
        {{10}, ""},
    };
    for (const auto& [y, expected] : cases) {
        std::vector<std::int32_t> endY = y, x{100, 300, 500, 700, 900};
        for (auto& v : endY)
            v += v ? 1 : 0; // a segment arrives at its end point's end y
        QStringList lines;
        for (const Segment& s : traceSegments(x, 0, 1000, y, endY))
            lines << QStringLiteral("%1 %2 %3 %4").arg(s.x1).arg(s.y1).arg(s.x2).arg(s.y2);
        EXPECT_EQ(lines.join(QStringLiteral(", ")), expected);
    }
}

TEST_F(SpectrumDisplayTest, TracesTextsAndMarkersOnlyWhileASweepRuns) {
    markers.FrequencyReadout = QStringLiteral("Frequency (MHz): 1");
    settings.MessageColor = kGraph;
    display.PaintSpectrumWindow(true);
    EXPECT_TRUE(surface.linesIn(kGraph).empty());
    EXPECT_EQ(surface.findText(markers.FrequencyReadout), nullptr);
    flags.SpectrumStopped = false;
    surface.reset();
    display.PaintSpectrumWindow(true);
    // Traces, then the readouts, then the markers on top.
    const auto& ops = surface.ops();
    const auto first = [&](Colour colour, Op::Kind kind) {
        return std::find_if(ops.begin(), ops.end(),
                            [&](const Op& op) { return op.colour == colour && op.kind == kind; }) -
               ops.begin();
    };
    const auto readout = first(kGraph, Op::Kind::Text); // the message colour
    EXPECT_EQ(std::count_if(ops.begin(), ops.begin() + readout,
                            [](const Op& op) { return op.colour == kGraph; }),
              50);
    EXPECT_LT(readout, first(kMarker1, Op::Kind::Line));
    // Erasing one trace draws its shown segments in the plot's colour.
    surface.reset();
    display.EraseTrace(SpectrumDisplay::Trace::Peak);
    EXPECT_EQ(lineColours(surface), "10101*50");
    EXPECT_EQ(where(surface.ops()[2]), "740 2001 900 2002");
    // A closed window is not painted, but what is on the screen is still remembered.
    surfaces.spectrumOpen = false;
    surface.reset();
    data.SweepPoints[3].PeakY = 1;
    display.LayoutSpectrumLegend();
    display.ComputeCellGeometry();
    display.PaintSpectrumWindow(true);
    display.EraseTrace(SpectrumDisplay::Trace::Peak);
    display.PaintSpectrumTraces();
    EXPECT_TRUE(surface.ops().empty());
    EXPECT_EQ(data.PreviousSweepPoints[3].PeakY, 1);
}
