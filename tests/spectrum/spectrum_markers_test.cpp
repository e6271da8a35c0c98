// The markers of a running spectrum sweep: the searches, the keys that steer them,
// the diamonds on the trace and the readouts printed in the plot's corner.

#include "spectrum/spectrum_markers.h"

#include "core/settings.h"
#include "core/stop_flags.h"
#include "link/link_status_display.h"
#include "spectrum/spectrum_data.h"
#include "spectrum/spectrum_display.h"
#include "support/fakes.h"
#include "support/readouts_on_screen.h"

#include <QLineF>
#include <gtest/gtest.h>

namespace {

using Op = RecordingSurface::Op;

constexpr Colour kPlotBack = 0x010101;
constexpr Colour kMarker1 = 0x0000F1;
constexpr Colour kMarker2 = 0x0000F2;
constexpr Colour kMessage = 0x00AA00;

// 50 points on the default 9000-wide window, point i centred at 580 + 160 i, every
// one measured at -90 dB (y grows as the level falls).
class SpectrumMarkersTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings.BackgroundColor = kPlotBack;
        settings.Marker1Color = kMarker1;
        settings.Marker2Color = kMarker2;
        settings.MessageColor = kMessage;
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
        }
    }
    void setLevel(int i, double level) { setLevels(i, i, level); }
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

} // namespace

TEST_F(SpectrumMarkersTest, F1TakesTheStrongestPointTheFirstOfEqualOnesOrAnUnmeasuredOne) {
    setLevel(12, -60);
    setLevel(7, -60);
    setLevel(30, -61);
    markers.KeyDown(SpectrumMarkers::F1);
    EXPECT_EQ(markers.MarkerIndex, (std::array<std::int16_t, 2>{7, 0}));
    markers.DeltaMode = true; // the second marker moves
    setLevel(20, -50);
    markers.KeyDown(SpectrumMarkers::F1);
    EXPECT_EQ(markers.MarkerIndex, (std::array<std::int16_t, 2>{7, 20}));
    data.SweepPoints[40].TraceY = 0; // not measured yet
    markers.KeyDown(SpectrumMarkers::F1);
    EXPECT_EQ(markers.MarkerIndex[1], 40);
}

TEST_F(SpectrumMarkersTest, NextPeakNeedsARoundedRiseAndFallOfMoreThanFiveDecibels) {
    const struct {
        std::vector<std::tuple<int, int, double>> levels; // from, to, dB over -90
        int start;
        int key;
        int found;
    } cases[] = {
        {{{20, 20, -80}}, 10, SpectrumMarkers::F5, 20},
        {{{20, 20, -80}}, 30, SpectrumMarkers::F4, 20},
        {{{20, 20, -80}}, 25, SpectrumMarkers::F5, 25},             // nothing further right
        {{{5, 5, -70}, {20, 20, -80}}, 5, SpectrumMarkers::F5, 20}, // from the dip after a fall
        {{{19, 19, -84}, {20, 20, -78}, {21, 21, -82}}, 10, SpectrumMarkers::F5, 20},
        {{{20, 20, -85}}, 10, SpectrumMarkers::F5, 10},                // a rise of just 5
        {{{20, 20, -84}, {21, 49, -89}}, 10, SpectrumMarkers::F5, 10}, // a fall of just 5
        {{{20, 20, -84}, {21, 49, -89}}, 40, SpectrumMarkers::F4, 40}, // a rise of just 5
        {{{20, 20, -84}, {21, 29, -89}, {30, 49, -91}}, 40, SpectrumMarkers::F4, 20},
        {{{20, 20, -84.5}}, 10, SpectrumMarkers::F5, 20}, // rounds to -84
        {{{20, 20, -85.4}}, 10, SpectrumMarkers::F5, 10}, // rounds to -85
        {{}, 17, SpectrumMarkers::F4, 17},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        setLevels(0, 49, -90);
        for (const auto& [from, to, level] : c.levels)
            setLevels(from, to, level);
        markers.MarkerIndex[0] = static_cast<std::int16_t>(c.start);
        markers.KeyDown(c.key);
        EXPECT_EQ(markers.MarkerIndex[0], c.found);
    }
    // Both keys print the readouts of the new place at once.
    EXPECT_EQ(surface.texts().back(), "Amplitude (dB): -90");
}

TEST_F(SpectrumMarkersTest, DiamondsStandOnTheTraceAndTheReadoutsDescribeThem) {
    setLevel(0, -73);
    markers.PaintMarkers();
    EXPECT_EQ(markers.FrequencyReadout, "Frequency (MHz): 902.5");
    EXPECT_EQ(markers.AmplitudeReadout, "Amplitude (dB): -73");
    const double y = data.SweepPoints[0].TraceY;
    const auto drawn = surface.linesIn(kMarker1);
    ASSERT_EQ(drawn.size(), 4u);
    EXPECT_EQ(QLineF(drawn[0].x1, drawn[0].y1, drawn[0].x2, drawn[0].y2),
              QLineF(580, y - 200, 530, y - 100));
    EXPECT_EQ(QLineF(drawn[2].x1, drawn[2].y1, drawn[2].x2, drawn[2].y2),
              QLineF(630, y - 100, 580, y));
    // The first diamond erased is the one at (0, 0).
    EXPECT_EQ(surface.linesIn(kPlotBack).at(0).y1, -200);

    // The next paint erases it there first.
    surface.reset();
    markers.MarkerIndex[0] = 1;
    markers.PaintMarkers();
    EXPECT_EQ(diamondsIn(kPlotBack), std::vector<double>{580});
    EXPECT_EQ(diamondsIn(kMarker1), std::vector<double>{740});
    EXPECT_EQ(markers.FrequencyReadout, "Frequency (MHz): 903");

    setLevel(10, -80);
    setLevel(20, -70.4);
    markers.MarkerIndex = {10, 20};
    markers.DeltaMode = true;
    surface.reset();
    markers.PaintMarkers();
    EXPECT_EQ(markers.FrequencyReadout, "Frequency Delta (MHz): 5.1");
    EXPECT_EQ(markers.AmplitudeReadout, "Amplitude Delta (dB): 9.6");
    EXPECT_EQ(diamondsIn(kMarker1), std::vector<double>{580 + 160 * 10});
    EXPECT_EQ(diamondsIn(kMarker2), std::vector<double>{580 + 160 * 20});

    // With the real-time trace released the diamonds are erased, not drawn, and the
    // readouts still follow.
    settings.RealTimeCheck = 0;
    markers.DeltaMode = false;
    surface.reset();
    markers.MarkerIndex[0] = 4;
    markers.PaintMarkers();
    EXPECT_EQ(diamondsIn(kPlotBack), std::vector<double>{580 + 160 * 10});
    EXPECT_TRUE(diamondsIn(kMarker1).empty());
    EXPECT_EQ(markers.AmplitudeReadout, "Amplitude (dB): -90");
    EXPECT_EQ(markers.MarkerX[0], 580 + 160 * 4);
}

TEST_F(SpectrumMarkersTest, TextsEraseThenPrintInTheTopLeftCorner) {
    data.PreviousSweepTimeText = QStringLiteral("Sweep Time (mS): 10");
    data.SweepTimeText = QStringLiteral("Sweep Time (mS): 12");
    markers.PreviousFrequencyReadout = QStringLiteral("Frequency (MHz): 902.5");
    markers.FrequencyReadout = QStringLiteral("Frequency (MHz): 903");
    markers.AmplitudeReadout = QStringLiteral("Amplitude (dB): -73");
    status.SpectrumMessage = QStringLiteral("Communication failure.");
    markers.PaintSpectrumTexts();
    QStringList printed;
    for (const Op& op : surface.ops())
        printed << QStringLiteral("%1 %2 %3 %4")
                       .arg(op.x1)
                       .arg(op.y1)
                       .arg(op.colour == kMessage    ? "+"
                            : op.colour == kPlotBack ? "-"
                                                     : "?")
                       .arg(op.text);
    EXPECT_EQ(printed,
              QStringList({"550 550 - Sweep Time (mS): 10", "550 550 + Sweep Time (mS): 12",
                           "550 750 - Frequency (MHz): 902.5", "550 750 + Frequency (MHz): 903",
                           "550 950 + Amplitude (dB): -73", "550 1250 - Communication failure.",
                           "550 1250 + Communication failure."}));
}

// Sweeps repaint texts then markers; the keys repaint in their own order. Whatever
// the order, each readout line shows one text, that of the markers on the screen.
TEST_F(SpectrumMarkersTest, KeysBetweenSweepsLeaveOneReadoutPerLine) {
    const auto sweep = [this] {
        markers.PaintSpectrumTexts();
        markers.PaintMarkers();
    };
    setLevel(10, -60);
    setLevel(30, -55);
    sweep();
    sweep();
    const std::pair<int, const char*> keys[] = {
        {SpectrumMarkers::Right, "Right"}, {SpectrumMarkers::F5, "F5"},
        {SpectrumMarkers::Right, "Right"}, {SpectrumMarkers::F4, "F4"},
        {SpectrumMarkers::F3, "F3"},       {SpectrumMarkers::F5, "F5"},
        {SpectrumMarkers::Left, "Left"},   {SpectrumMarkers::F3, "F3"},
        {SpectrumMarkers::F1, "F1"},       {SpectrumMarkers::Left, "Left"},
    };
    for (const auto& [key, name] : keys) {
        markers.KeyDown(key);
        for (const auto& [y, texts] : readoutsOnScreen(surface, settings))
            EXPECT_LE(texts.size(), 1)
                << name << " at y " << y << ": " << texts.join(QStringLiteral(" | ")).toStdString();
        sweep();
    }
    // The last print shows the readouts of the markers where they are now.
    markers.PaintMarkers();
    markers.PaintSpectrumTexts();
    const auto lines = readoutsOnScreen(surface, settings);
    EXPECT_EQ(lines.at(settings.SpecAnTop + 250), QStringList{markers.FrequencyReadout});
    EXPECT_EQ(lines.at(settings.SpecAnTop + 450), QStringList{markers.AmplitudeReadout});
}

// A key that moves a marker prints the readouts of its new place at once.
TEST_F(SpectrumMarkersTest, ArrowsAndF1PrintTheReadoutsOfTheMarkersNewPlace) {
    markers.KeyDown(SpectrumMarkers::Right);
    EXPECT_EQ(surface.texts().back(), "Amplitude (dB): -90");
    EXPECT_NE(surface.findText("Frequency (MHz): 903"), nullptr);
    setLevel(20, -50);
    markers.KeyDown(SpectrumMarkers::F1);
    EXPECT_EQ(surface.texts().back(), "Amplitude (dB): -50");
}

TEST_F(SpectrumMarkersTest, TheKeysSteerOnlyARunningSweep) {
    flags.SpectrumStopped = true;
    for (int key : {0x70, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76, 0x25, 0x27})
        markers.KeyDown(key);
    EXPECT_EQ(
        std::tuple(markers.MarkerIndex[0], markers.MaxHold, markers.DeltaMode, markers.ViewMode),
        std::tuple(0, false, false, false));
    EXPECT_TRUE(surface.ops().empty());

    flags.SpectrumStopped = false;
    markers.KeyDown(SpectrumMarkers::F2);
    markers.KeyDown(SpectrumMarkers::F6);
    markers.KeyDown(0x41); // 'A': nothing
    EXPECT_EQ(std::tuple(markers.MaxHold, markers.ViewMode), std::tuple(true, true));
    EXPECT_TRUE(surface.ops().empty());
    markers.KeyDown(SpectrumMarkers::F2);
    markers.KeyDown(SpectrumMarkers::F6);
    EXPECT_EQ(std::tuple(markers.MaxHold, markers.ViewMode), std::tuple(false, false));
    markers.KeyDown(SpectrumMarkers::F7); // the whole window again
    ASSERT_FALSE(surface.ops().empty());
    EXPECT_EQ(surface.ops()[0].kind, Op::Kind::Clear);
}

TEST_F(SpectrumMarkersTest, ArrowsStepTheActiveMarkerKeepingItsDiamondInsideThePlot) {
    const struct {
        int start, key, neighbourX, found;
    } cases[] = {
        {5, SpectrumMarkers::Right, 580 + 160 * 6, 6},
        {5, SpectrumMarkers::Left, 580 + 160 * 4, 4},
        {0, SpectrumMarkers::Left, 0, 0},
        {49, SpectrumMarkers::Right, 0, 49},
        {1, SpectrumMarkers::Left, 550, 1},
        {1, SpectrumMarkers::Left, 551, 0},
        {48, SpectrumMarkers::Right, 8450, 48},
        {48, SpectrumMarkers::Right, 8449, 49},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        display.ComputeCellGeometry();
        const int neighbour = c.start + (c.key == SpectrumMarkers::Right ? 1 : -1);
        if (c.neighbourX != 0)
            data.SweepPoints[static_cast<std::size_t>(neighbour)].CenterX = c.neighbourX;
        markers.MarkerIndex[0] = static_cast<std::int16_t>(c.start);
        surface.reset();
        markers.KeyDown(c.key);
        EXPECT_EQ(markers.MarkerIndex[0], c.found);
        EXPECT_EQ(surface.linesIn(kMarker1).size(), 4u); // drawn again even where it stays
    }
    // In delta mode they move the second marker; F3 again leaves one marker there and
    // erases both diamonds.
    markers.MarkerIndex[0] = 5;
    markers.KeyDown(SpectrumMarkers::F3);
    EXPECT_EQ(markers.MarkerIndex[1], 5);
    markers.KeyDown(SpectrumMarkers::Right);
    markers.KeyDown(SpectrumMarkers::Right);
    EXPECT_EQ(markers.MarkerIndex, (std::array<std::int16_t, 2>{5, 7}));
    surface.reset();
    markers.KeyDown(SpectrumMarkers::F3);
    EXPECT_FALSE(markers.DeltaMode);
    EXPECT_EQ(markers.MarkerIndex[0], 7);
    EXPECT_EQ(diamondsIn(kPlotBack), (std::vector<double>{580 + 160 * 5, 580 + 160 * 7}));
    EXPECT_TRUE(diamondsIn(kMarker1).empty());

    // With the window closed its width is unknown: no step, but the readouts are kept.
    surfaces.spectrumOpen = false;
    surface.reset();
    markers.KeyDown(SpectrumMarkers::Right);
    EXPECT_EQ(markers.MarkerIndex[0], 7);
    EXPECT_EQ(markers.FrequencyReadout, "Frequency (MHz): 906.1");
    EXPECT_TRUE(surface.ops().empty());
}
