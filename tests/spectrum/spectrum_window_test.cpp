// What the spectrum window draws, as a recording surface keeps it: the plot, the
// grid and its labels, the key help under it, the three traces, and the markers of
// a running sweep with the keys that steer them and the readouts in the corner.

#include "spectrum/spectrum_context.h"
#include "spectrum/spectrum_geometry.h"
#include "support/fakes.h"
#include "support/readouts_on_screen.h"

#include <gtest/gtest.h>

namespace {

using Op = RecordingSurface::Op;
using M = SpectrumMarkers;

constexpr Colour kPlotBack = 0x010101, kGrid = 0x804000, kLabel = 0x000002, kGraph = 0x00FF00;
constexpr Colour kMarker1 = 0x0000F1, kMarker2 = 0x0000F2, kMessage = 0x00AA00;

QString where(const Op& op) {
    return QStringLiteral("%1 %2 %3 %4").arg(op.x1).arg(op.y1).arg(op.x2).arg(op.y2);
}

// The colours of the lines drawn, in order, one for each run of one colour.
QString lineColours(const RecordingSurface& surface) {
    QStringList runs;
    for (const Op& op : surface.opsOf(Op::Kind::Line))
        if (runs.isEmpty() || runs.back() != QString::number(op.colour, 16))
            runs << QString::number(op.colour, 16);
    return runs.join(' ');
}

// The default window: 9000 x 6000 twips, margins 500, a running sweep of 50 points,
// point i centred at 580 + 160 i (at 902 + (i + 1) x 26 / 51 MHz), every one measured
// at -90 dB (y 3700), the peak at y 2000 + i and the average at 2500 + i.
class SpectrumMarkersTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings.BackgroundColor = kPlotBack, settings.GridColor = kGrid;
        settings.LabelColor = kLabel, settings.GraphColor = kGraph,
        settings.MessageColor = kMessage;
        settings.Marker1Color = kMarker1, settings.Marker2Color = kMarker2;
        surface.setBackColor(0xF0F0F0);
        data.resize(settings.NumberOfPoints);
        display.LayoutSpectrumLegend();
        display.ComputeCellGeometry();
        markers.repaintWindow = [this] { display.PaintSpectrumWindow(true); };
        flags.SpectrumStopped = false;
        setLevels(0, 49, -90);
    }
    void setLevels(int from, int to, double level) {
        for (int i = from; i <= to; ++i) {
            SweepPoint& p = data.SweepPoints[static_cast<std::size_t>(i)];
            p.TraceLevel = level;
            p.TraceY = p.TraceEndY = static_cast<std::int32_t>(500 - (level + 40) * 64);
            p.PeakY = p.PeakEndY = 2000 + i, p.AverageY = p.AverageEndY = 2500 + i;
        }
    }
    // The x of the first line of each diamond drawn in `colour`.
    std::vector<double> diamondsIn(Colour colour) const {
        std::vector<double> x;
        const auto lines = surface.linesIn(colour);
        for (std::size_t i = 0; i < lines.size(); i += 4)
            x.push_back(lines[i].x1);
        return x;
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
using SpectrumDisplayTest = SpectrumMarkersTest;

} // namespace

// Stopped: the window cleared, the plot filled, the grid and its labels, no traces,
// readouts or markers. Running: traces, then readouts, then the markers on top.
TEST_F(SpectrumDisplayTest, FullPaintClearsFillsThePlotLabelsTheGridAndWhileASweepRunsTraces) {
    flags.SpectrumStopped = true;
    markers.FrequencyReadout = QStringLiteral("Frequency (MHz): 1");
    settings.MessageColor = kGraph, settings.Span = 20, settings.NumberOfGradiants = 3;
    display.PaintSpectrumWindow(true);
    const auto& ops = surface.ops();
    EXPECT_EQ(std::tuple(ops.at(0).kind, ops[0].colour, ops.at(1).colour, where(ops[1])),
              std::tuple(Op::Kind::Clear, 0xF0F0F0u, kPlotBack, "500 500 8500 5000"));
    EXPECT_TRUE(surface.linesIn(kGraph).empty() && !surface.findText(markers.FrequencyReadout));
    // The scale labels divide the span and seventy decibels into the grid: frequency,
    // amplitude of each line.
    const auto texts = surface.texts();
    EXPECT_EQ(std::tuple(QStringList(texts.begin(), texts.begin() + 8).join(' '),
                         surface.linesIn(kGrid).size(), surface.findText(texts[2])->colour),
              std::tuple("905 -40 911.7 -63.3 918.3 -86.7 925 -110", 8u, kLabel));
    // Amplitude labels end on one edge, clear of the plot's left side and its ticks.
    for (int i = 1; i < 8; i += 2)
        EXPECT_EQ(surface.findText(texts[i])->x1 + surface.textWidth(texts[i]), 380) << i;
    flags.SpectrumStopped = false;
    surface.reset();
    display.PaintSpectrumWindow(false);
    std::string order; // t: trace, r: readout, m: marker, one letter a run
    for (const Op& op : surface.ops())
        if (op.colour == kGraph || op.colour == kMarker1)
            order += op.colour == kMarker1 ? 'm' : op.kind == Op::Kind::Text ? 'r' : 't';
    order.erase(std::unique(order.begin(), order.end()), order.end());
    EXPECT_EQ(order, "trm");
}

// Old average, peak and real-time erased in the plot's colour, the grid again, then
// average (white), peak (cyan) and real-time: 50 segments each, from edge to edge.
TEST_F(SpectrumDisplayTest, TracesAreErasedWhereTheyWereThenDrawnOverTheGrid) {
    for (SweepPoint& old : data.PreviousSweepPoints)
        old.TraceY = old.TraceEndY = 4000, old.PeakY = old.PeakEndY = 3500,
        old.AverageY = old.AverageEndY = 3700;
    display.PaintSpectrumTraces();
    EXPECT_EQ(lineColours(surface), "10101 804000 ffffff ffff00 ff00");
    const auto lines = surface.opsOf(Op::Kind::Line);
    ASSERT_EQ(lines.size(), 322u);
    EXPECT_EQ(where(lines[0]) + ", " + where(lines[50]) + ", " + where(lines[100]),
              "500 3700 740 3700, 500 3500 740 3500, 500 4000 740 4000");
    EXPECT_EQ(where(lines[172]) + ", " + where(lines[222]) + ", " + where(lines[321]),
              "500 2500 740 2501, 500 2000 740 2001, 8260 3700 8500 3700");
    // Peak and average are remembered as drawn; the acquisition keeps the real-time.
    const SweepPoint& old = data.PreviousSweepPoints[7];
    EXPECT_EQ(std::tuple(old.PeakY, old.PeakEndY, old.AverageY, old.AverageEndY, old.TraceY),
              std::tuple(2007, 2007, 2507, 2507, 4000));
    // Erasing one trace draws its shown segments in the plot's colour.
    surface.reset();
    display.EraseTrace(SpectrumDisplay::Trace::Peak);
    ASSERT_EQ(surface.ops().size(), 50u);
    EXPECT_EQ(std::tuple(lineColours(surface), where(surface.ops()[2])),
              std::tuple("10101", "740 2001 900 2002"));
    // Released toggles: only the real-time trace is still erased, nothing is drawn.
    settings.PeakCheck = settings.AverageCheck = settings.RealTimeCheck = 0;
    surface.reset();
    display.PaintSpectrumTraces();
    EXPECT_EQ(std::tuple(lineColours(surface), surface.opsOf(Op::Kind::Line).size()),
              std::tuple("10101 804000", 72u));
    // Only runs of measured points are drawn.
    // Points at 100, 300, ... 900 in a plot from 0 to 1000; y 0 is "not measured".
    const std::pair<std::vector<std::int32_t>, const char*> cases[] = {
        {{10, 0, 30, 0, 50}, ""}, {{0, 0, 30, 40, 0}, "500 30 700 41, 500 30 700 41"}, {{10}, ""}};
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

TEST_F(SpectrumMarkersTest,
       NextPeakNeedsARoundedRiseAndFallOfMoreThanFiveDecibelsAndARunningSweep) {
    // Levels (from, to, dB) over -90, the start, the key, where the marker ends: a
    // peak left and right; nothing further right; from the dip after a fall; a rise of
    // just 5, a fall of just 5, a rise of just 5 leftwards; levels rounded to -84 and -85.
    const std::tuple<std::vector<std::tuple<int, int, double>>, int, int, int> cases[] = {
        {{{20, 20, -80}}, 10, M::F5, 20},
        {{{20, 20, -80}}, 30, M::F4, 20},
        {{{20, 20, -80}}, 25, M::F5, 25},
        {{{5, 5, -70}, {20, 20, -80}}, 5, M::F5, 20},
        {{{19, 19, -84}, {20, 20, -78}, {21, 21, -82}}, 10, M::F5, 20},
        {{{20, 20, -85}}, 10, M::F5, 10},
        {{{20, 20, -84}, {21, 49, -89}}, 10, M::F5, 10},
        {{{20, 20, -84}, {21, 49, -89}}, 40, M::F4, 40},
        {{{20, 20, -84}, {21, 29, -89}, {30, 49, -91}}, 40, M::F4, 20},
        {{{20, 20, -84.5}}, 10, M::F5, 20},
        {{{20, 20, -85.4}}, 10, M::F5, 10}};
    for (const auto& [levels, start, key, found] : cases) {
        SCOPED_TRACE(start);
        setLevels(0, 49, -90);
        for (const auto& [from, to, level] : levels)
            setLevels(from, to, level);
        markers.MarkerIndex[0] = static_cast<std::int16_t>(start);
        markers.KeyDown(key);
        EXPECT_EQ(markers.MarkerIndex[0], found) << key;
    }
    EXPECT_EQ(surface.texts().back(), "Amplitude (dB): -90"); // printed at once
    // The report lists every point that F5 stops at from the left end; a peak at the
    // very end has no fall after it.
    setLevels(0, 49, -90), setLevels(2, 2, -70), setLevels(5, 5, -85), setLevels(8, 8, -60),
        setLevels(49, 49, -60);
    EXPECT_EQ(markers.peaksFound(), (std::vector<int>{2, 8}));
    flags.SpectrumStopped = true;
    markers.KeyDown(M::F2); // a stopped sweep takes no keys: max hold is turned on below
    flags.SpectrumStopped = false;
    surface.reset();
    for (int key : {+M::F2, +M::F6, 0x41, +M::F6, +M::F6, +M::F7}) // F7: the whole window again
        markers.KeyDown(key);
    EXPECT_EQ(std::tuple(markers.MaxHold, markers.ViewMode, surface.ops().at(0).kind),
              std::tuple(true, true, Op::Kind::Clear));
}

// Each key moves the active marker (never beyond the plot with its diamond) and
// prints the readouts of its new place; in delta mode the second marker moves.
TEST_F(SpectrumMarkersTest, ArrowsAndF1PrintTheReadoutsOfTheMarkersNewPlace) {
    setLevels(10, 10, -80), setLevels(20, 20, -70.4), setLevels(30, 30, -70.4); // F1: the first
    // Where the marker starts (-1: where it is), the key, the x of the neighbour it
    // steps to (0: where ComputeCellGeometry puts it), then the readouts.
    // (F3 before the delta rows: the second marker is not yet shown.)
    const std::tuple<int, int, int, const char*, const char*> cases[] = {
        {0, M::Left, 0, "902.5", "-90"},    {49, M::Right, 0, "927.5", "-90"},
        {1, M::Left, 550, "903", "-90"},    {1, M::Left, 551, "902.5", "-90"},
        {48, M::Right, 8450, "927", "-90"}, {48, M::Right, 8449, "927.5", "-90"},
        {9, M::Right, 0, "907.6", "-80"},   {2, M::F1, 0, "912.7", "-70.4"},
        {10, M::F3, 0, "912.7", "-70.4"},   {-1, M::F5, 0, "5.1", "9.6"},
        {-1, M::Right, 0, "5.6", "-10"}};
    for (const auto& [start, key, neighbourX, frequency, amplitude] : cases) {
        SCOPED_TRACE(frequency);
        display.ComputeCellGeometry();
        if (neighbourX != 0)
            data.SweepPoints[std::size_t(start + (key == M::Right ? 1 : -1))].CenterX = neighbourX;
        if (start >= 0)
            markers.MarkerIndex[0] = static_cast<std::int16_t>(start);
        surface.reset();
        markers.KeyDown(key);
        const QString delta = start < 0 ? QStringLiteral(" Delta") : QString();
        const QString shown = QStringLiteral("Amplitude%1 (dB): %2").arg(delta, amplitude);
        EXPECT_EQ(markers.FrequencyReadout + " " + markers.AmplitudeReadout,
                  QStringLiteral("Frequency%1 (MHz): %2 ").arg(delta, frequency) + shown);
        if (key != M::F3) {
            EXPECT_EQ(readoutsOnScreen(surface, settings)[settings.SpecAnTop + 450],
                      QStringList{shown});
            EXPECT_EQ(surface.linesIn(kMarker1).size(), 4u); // drawn again even in place
        }
    }
    EXPECT_EQ(diamondsIn(kMarker2), std::vector<double>{580 + 160 * 21});
    // F3 again leaves one marker where the second was and erases both diamonds.
    surface.reset();
    markers.KeyDown(M::F3);
    EXPECT_EQ(std::tuple(markers.DeltaMode, int(markers.MarkerIndex[0])), std::tuple(false, 21));
    EXPECT_EQ(diamondsIn(kPlotBack), (std::vector<double>{580 + 160 * 10, 580 + 160 * 21}));
    // With the window closed its width is unknown: no step, but the readouts are kept.
    surfaces.spectrumOpen = false;
    markers.KeyDown(M::Right);
    EXPECT_EQ(markers.FrequencyReadout, "Frequency (MHz): 913.2");
}

TEST_F(SpectrumMarkersTest, DiamondsStandOnTheTraceAndTheyAndTheTextsAreErasedWhereTheyWere) {
    markers.PaintMarkers();
    const auto drawn = surface.linesIn(kMarker1); // y 3700
    ASSERT_EQ(drawn.size(), 4u);
    EXPECT_EQ(where(drawn[0]) + ", " + where(drawn[2]), "580 3500 530 3600, 630 3600 580 3700");
    EXPECT_EQ(surface.linesIn(kPlotBack).at(0).y1, -200); // the first erased is at (0, 0)
    // With the real-time trace released they are erased, not drawn.
    settings.RealTimeCheck = 0;
    surface.reset();
    markers.MarkerIndex[0] = 4;
    markers.PaintMarkers();
    markers.PaintMarkers();
    EXPECT_TRUE(diamondsIn(kPlotBack) == (std::vector<double>{580, 580 + 160 * 4}) &&
                diamondsIn(kMarker1).empty());
    // The texts too are erased, then printed, in the top left corner.
    surface.reset();
    data.PreviousSweepTimeText = "time 10", data.SweepTimeText = "time 12";
    markers.PreviousFrequencyReadout = "frequency 1", markers.FrequencyReadout = "frequency 2";
    markers.AmplitudeReadout = "amplitude", status.SpectrumMessage = "failure";
    markers.PaintSpectrumTexts();
    QStringList printed; // at the left margin, + printed, - erased
    for (const Op& op : surface.ops())
        printed << QString::number(op.y1) + (op.colour == kMessage ? " + " : " - ") + op.text;
    EXPECT_EQ(printed.join(u','), "550 - time 10,550 + time 12,750 - frequency 1,750 + frequency 2,"
                                  "950 + amplitude,1250 - failure,1250 + failure");
}

// Sweeps repaint texts then markers; the keys repaint in their own order. Whatever
// the order, each readout line shows one text, that of the markers on the screen.
TEST_F(SpectrumMarkersTest, KeysBetweenSweepsLeaveOneReadoutPerLine) {
    const auto sweep = [this] {
        markers.PaintSpectrumTexts();
        markers.PaintMarkers();
    };
    setLevels(10, 10, -60), setLevels(30, 30, -55);
    sweep();
    sweep();
    for (int key :
         {M::Right, M::F5, M::Right, M::F4, M::F3, M::F5, M::Left, M::F3, M::F1, M::Left}) {
        markers.KeyDown(key);
        for (const auto& [y, texts] : readoutsOnScreen(surface, settings))
            EXPECT_LE(texts.size(), 1)
                << key << " at y " << y << ": " << qPrintable(texts.join('|'));
        sweep();
    }
    markers.PaintMarkers();
    markers.PaintSpectrumTexts();
    const auto lines = readoutsOnScreen(surface, settings);
    EXPECT_EQ(lines.at(settings.SpecAnTop + 250), QStringList{markers.FrequencyReadout});
    EXPECT_EQ(lines.at(settings.SpecAnTop + 450), QStringList{markers.AmplitudeReadout});
}
