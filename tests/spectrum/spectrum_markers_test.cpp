#include "spectrum/spectrum_markers.h"

#include "core/settings.h"
#include "core/stop_flags.h"
#include "link/link_status_display.h"
#include "spectrum/spectrum_data.h"
#include "spectrum/spectrum_display.h"
#include "support/fakes.h"
#include "support/readouts_on_screen.h"

#include <gtest/gtest.h>

namespace {

using Op = RecordingSurface::Op;

constexpr Colour kPlotBack = 0x010101;
constexpr Colour kMarker1 = 0x0000F1;
constexpr Colour kMarker2 = 0x0000F2;
constexpr Colour kMessage = 0x00AA00;

// 50 points on the default 9000-wide window: point i is centred at 580 + 160 i.
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
        markers.repaintWindow = [this] {
            ++repaints;
            display.PaintSpectrumWindow(true);
        };
        flags.SpectrumStopped = false;
        flat(-90);
    }

    // Every point measured at `level` dB (y grows as the level falls).
    void flat(double level) {
        for (std::size_t i = 0; i < data.SweepPoints.size(); ++i)
            setLevel(static_cast<int>(i), level);
    }
    void setLevel(int i, double level) {
        SweepPoint& p = data.SweepPoints[static_cast<std::size_t>(i)];
        p.TraceLevel = level;
        p.TraceY = p.TraceEndY = static_cast<std::int32_t>(500 - (level + 40) * 64);
    }
    std::vector<Op> linesIn(Colour colour) const { return surface.linesIn(colour); }

    Settings settings;
    StopFlags flags;
    SpectrumData data;
    TestSurfaces surfaces;
    RecordingSurface& surface = surfaces.spectrum;
    LinkStatusDisplay status{settings, flags, surfaces};
    SpectrumMarkers markers{settings, flags, data, status, surfaces};
    SpectrumDisplay display{settings, flags, data, markers, surfaces};
    int repaints = 0;
};

} // namespace

TEST(SpectrumMarkerFrequency, SpanDividedIntoPointCountPlusOneSteps) {
    EXPECT_DOUBLE_EQ(SpectrumMarkers::PointFrequency(0, 50, 915, 26), 902 + 26.0 / 51);
    EXPECT_DOUBLE_EQ(SpectrumMarkers::PointFrequency(49, 50, 915, 26), 928 - 26.0 / 51);
    EXPECT_DOUBLE_EQ(SpectrumMarkers::PointFrequency(0, 1, 915, 26), 915);
}

TEST_F(SpectrumMarkersTest, FindPeakTakesTheLowestIndexAmongEqualPeaks) {
    setLevel(12, -60);
    setLevel(7, -60);
    setLevel(30, -61);
    markers.FindPeak();
    EXPECT_EQ(markers.MarkerIndex[0], 7);
    EXPECT_EQ(markers.MarkerIndex[1], 0);
}

TEST_F(SpectrumMarkersTest, FindPeakMovesTheDeltaMarkerInDeltaMode) {
    setLevel(20, -50);
    markers.DeltaMode = true;
    markers.FindPeak();
    EXPECT_EQ(markers.MarkerIndex[0], 0);
    EXPECT_EQ(markers.MarkerIndex[1], 20);
}

TEST_F(SpectrumMarkersTest, FindPeakBeforeTheFirstSweepPicksAnUnmeasuredPoint) {
    setLevel(3, -45);
    for (std::size_t i = 10; i < data.SweepPoints.size(); ++i)
        data.SweepPoints[i].TraceY = data.SweepPoints[i].TraceEndY = 0;
    markers.FindPeak();
    EXPECT_EQ(markers.MarkerIndex[0], 10);
}

TEST_F(SpectrumMarkersTest, NextPeakRightAndLeft) {
    setLevel(20, -80);
    markers.MarkerIndex[0] = 10;
    markers.FindNextPeak(false);
    EXPECT_EQ(markers.MarkerIndex[0], 20);

    markers.MarkerIndex[0] = 30;
    markers.FindNextPeak(true);
    EXPECT_EQ(markers.MarkerIndex[0], 20);

    // Nothing further right.
    markers.MarkerIndex[0] = 25;
    markers.FindNextPeak(false);
    EXPECT_EQ(markers.MarkerIndex[0], 25);
}

TEST_F(SpectrumMarkersTest, NextPeakStartsFromTheDipAfterAFall) {
    setLevel(5, -70); // the marker sits on a high point; the trace first falls
    setLevel(20, -80);
    markers.MarkerIndex[0] = 5;
    markers.FindNextPeak(false);
    EXPECT_EQ(markers.MarkerIndex[0], 20);
}

TEST_F(SpectrumMarkersTest, NextPeakTakesTheTopOfABroadPeak) {
    setLevel(19, -84);
    setLevel(20, -78);
    setLevel(21, -82);
    markers.MarkerIndex[0] = 10;
    markers.FindNextPeak(false);
    EXPECT_EQ(markers.MarkerIndex[0], 20);
}

TEST_F(SpectrumMarkersTest, NextPeakNeedsMoreThanFiveDecibelsBothWays) {
    markers.MarkerIndex[0] = 10;
    // A rise of exactly 5 dB is not a peak.
    setLevel(20, -85);
    markers.FindNextPeak(false);
    EXPECT_EQ(markers.MarkerIndex[0], 10);

    // A rise of 6 dB followed by a fall of exactly 5 dB is not one either.
    flat(-90);
    setLevel(20, -84);
    for (int i = 21; i < 50; ++i)
        setLevel(i, -89);
    markers.FindNextPeak(false);
    EXPECT_EQ(markers.MarkerIndex[0], 10);

    // Searched from the right the same peak rises only 5 dB.
    markers.MarkerIndex[0] = 40;
    markers.FindNextPeak(true);
    EXPECT_EQ(markers.MarkerIndex[0], 40);

    // With a deeper floor on the right it rises 7 dB and falls 6 dB to its left.
    for (int i = 30; i < 50; ++i)
        setLevel(i, -91);
    markers.FindNextPeak(true);
    EXPECT_EQ(markers.MarkerIndex[0], 20);
}

TEST_F(SpectrumMarkersTest, NextPeakComparesRoundedLevels) {
    markers.MarkerIndex[0] = 10;
    setLevel(20, -84.5); // rounds to -84: six above the floor
    markers.FindNextPeak(false);
    EXPECT_EQ(markers.MarkerIndex[0], 20);

    flat(-90);
    setLevel(20, -85.4); // rounds to -85: only five
    markers.MarkerIndex[0] = 10;
    markers.FindNextPeak(false);
    EXPECT_EQ(markers.MarkerIndex[0], 10);
}

TEST_F(SpectrumMarkersTest, FlatTraceDoesNotMoveTheMarker) {
    markers.MarkerIndex[0] = 17;
    markers.FindNextPeak(false);
    EXPECT_EQ(markers.MarkerIndex[0], 17);
    markers.FindNextPeak(true);
    EXPECT_EQ(markers.MarkerIndex[0], 17);
}

TEST_F(SpectrumMarkersTest, MarkerDrawnOnTheTraceAndItsReadouts) {
    setLevel(0, -73);
    markers.PaintMarkers();
    EXPECT_EQ(markers.FrequencyReadout, "Frequency (MHz): 902.5");
    EXPECT_EQ(markers.AmplitudeReadout, "Amplitude (dB): -73");

    const auto erased = linesIn(kPlotBack);
    ASSERT_EQ(erased.size(), 4u); // the diamond last drawn (at 0, 0 at first)
    EXPECT_EQ(erased[0].y1, -200);
    const auto drawn = linesIn(kMarker1);
    ASSERT_EQ(drawn.size(), 4u);
    const double y = data.SweepPoints[0].TraceY;
    EXPECT_EQ(drawn[0].x1, 580);
    EXPECT_EQ(drawn[0].y1, y - 200);
    EXPECT_EQ(drawn[2].x2, 580);
    EXPECT_EQ(drawn[2].y2, y);
    EXPECT_EQ(markers.MarkerX[0], 580);
    EXPECT_EQ(markers.MarkerY[0], y);

    // The next paint erases it there first.
    surface.reset();
    markers.MarkerIndex[0] = 1;
    markers.PaintMarkers();
    EXPECT_EQ(linesIn(kPlotBack)[0].x1, 580);
    EXPECT_EQ(linesIn(kMarker1)[0].x1, 740);
    EXPECT_EQ(markers.FrequencyReadout, "Frequency (MHz): 903");
    EXPECT_TRUE(markers.PreviousFrequencyReadout.isEmpty()); // nothing printed yet
}

TEST_F(SpectrumMarkersTest, DeltaReadouts) {
    setLevel(10, -80);
    setLevel(20, -70.4);
    markers.MarkerIndex = {10, 20};
    markers.DeltaMode = true;
    markers.PaintMarkers();
    EXPECT_EQ(markers.FrequencyReadout, "Frequency Delta (MHz): 5.1");
    EXPECT_EQ(markers.AmplitudeReadout, "Amplitude Delta (dB): 9.6");
    EXPECT_EQ(linesIn(kMarker1).size(), 4u);
    const auto second = linesIn(kMarker2);
    ASSERT_EQ(second.size(), 4u);
    EXPECT_EQ(second[0].x1, 580 + 160 * 20);
    EXPECT_EQ(markers.MarkerX[1], 580 + 160 * 20);
}

TEST_F(SpectrumMarkersTest, RealTimeReleasedErasesMarkersButUpdatesReadouts) {
    markers.PaintMarkers();
    settings.RealTimeCheck = 0;
    surface.reset();
    setLevel(4, -66);
    markers.MarkerIndex[0] = 4;
    markers.PaintMarkers();
    EXPECT_EQ(linesIn(kPlotBack).size(), 4u);
    EXPECT_TRUE(linesIn(kMarker1).empty());
    EXPECT_EQ(markers.AmplitudeReadout, "Amplitude (dB): -66");
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

    struct Expected {
        double y;
        const char* text;
        Colour colour;
    };
    const Expected expected[] = {
        {550, "Sweep Time (mS): 10", kPlotBack},    {550, "Sweep Time (mS): 12", kMessage},
        {750, "Frequency (MHz): 902.5", kPlotBack}, {750, "Frequency (MHz): 903", kMessage},
        {950, "Amplitude (dB): -73", kMessage},     {1250, "Communication failure.", kPlotBack},
        {1250, "Communication failure.", kMessage},
    };
    const auto& ops = surface.ops();
    ASSERT_EQ(ops.size(), std::size(expected));
    for (std::size_t i = 0; i < ops.size(); ++i) {
        EXPECT_EQ(ops[i].kind, Op::Kind::Text);
        EXPECT_EQ(ops[i].x1, 550);
        EXPECT_EQ(ops[i].y1, expected[i].y) << i;
        EXPECT_EQ(ops[i].text, expected[i].text) << i;
        EXPECT_EQ(ops[i].colour, expected[i].colour) << i;
    }
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

TEST_F(SpectrumMarkersTest, KeysAreIgnoredWhileNoSweepRuns) {
    flags.SpectrumStopped = true;
    setLevel(20, -50);
    markers.MarkerIndex[0] = 5;
    for (int key : {0x70, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76, 0x25, 0x27})
        markers.KeyDown(key);
    EXPECT_EQ(markers.MarkerIndex[0], 5);
    EXPECT_FALSE(markers.MaxHold);
    EXPECT_FALSE(markers.DeltaMode);
    EXPECT_FALSE(markers.ViewMode);
    EXPECT_EQ(repaints, 0);
    EXPECT_TRUE(surface.ops().empty());
}

TEST_F(SpectrumMarkersTest, FunctionKeysToggleAndSearch) {
    markers.KeyDown(SpectrumMarkers::F2);
    EXPECT_TRUE(markers.MaxHold);
    markers.KeyDown(SpectrumMarkers::F6);
    EXPECT_TRUE(markers.ViewMode);
    markers.KeyDown(SpectrumMarkers::F2);
    markers.KeyDown(SpectrumMarkers::F6);
    EXPECT_FALSE(markers.MaxHold);
    EXPECT_FALSE(markers.ViewMode);
    EXPECT_TRUE(surface.ops().empty());

    setLevel(33, -50);
    markers.KeyDown(SpectrumMarkers::F1);
    EXPECT_EQ(markers.MarkerIndex[0], 33);
    EXPECT_EQ(markers.FrequencyReadout.left(17), "Frequency (MHz): ");
    EXPECT_EQ(linesIn(kMarker1).size(), 4u);

    setLevel(40, -60);
    markers.KeyDown(SpectrumMarkers::F5);
    EXPECT_EQ(markers.MarkerIndex[0], 40);
    markers.KeyDown(SpectrumMarkers::F4);
    EXPECT_EQ(markers.MarkerIndex[0], 33);
    // F4 and F5 paint the new readouts at once.
    EXPECT_EQ(surface.texts().back(), "Amplitude (dB): -50");

    markers.KeyDown(0x41); // 'A': nothing
    EXPECT_EQ(markers.MarkerIndex[0], 33);
}

TEST_F(SpectrumMarkersTest, F7RepaintsTheWholeWindow) {
    markers.KeyDown(SpectrumMarkers::F7);
    EXPECT_EQ(repaints, 1);
    ASSERT_FALSE(surface.ops().empty());
    EXPECT_EQ(surface.ops()[0].kind, Op::Kind::Clear);
}

TEST_F(SpectrumMarkersTest, LeftArrowAtPointZeroStaysButRepaints) {
    markers.KeyDown(SpectrumMarkers::Left);
    EXPECT_EQ(markers.MarkerIndex[0], 0);
    EXPECT_EQ(linesIn(kMarker1).size(), 4u);
    EXPECT_EQ(markers.FrequencyReadout, "Frequency (MHz): 902.5");
}

TEST_F(SpectrumMarkersTest, ArrowsStepTheActiveMarker) {
    markers.MarkerIndex[0] = 5;
    markers.KeyDown(SpectrumMarkers::Right);
    EXPECT_EQ(markers.MarkerIndex[0], 6);
    markers.KeyDown(SpectrumMarkers::Left);
    markers.KeyDown(SpectrumMarkers::Left);
    EXPECT_EQ(markers.MarkerIndex[0], 4);

    markers.MarkerIndex[0] = 49;
    markers.KeyDown(SpectrumMarkers::Right);
    EXPECT_EQ(markers.MarkerIndex[0], 49);
}

TEST_F(SpectrumMarkersTest, ArrowsKeepTheDiamondInsideThePlot) {
    // The left neighbour's diamond would reach the left margin.
    data.SweepPoints[0].CenterX = 550;
    markers.MarkerIndex[0] = 1;
    markers.KeyDown(SpectrumMarkers::Left);
    EXPECT_EQ(markers.MarkerIndex[0], 1);
    data.SweepPoints[0].CenterX = 551;
    markers.KeyDown(SpectrumMarkers::Left);
    EXPECT_EQ(markers.MarkerIndex[0], 0);

    data.SweepPoints[49].CenterX = 8450; // 8450 + 50 is not left of 9000 - 500
    markers.MarkerIndex[0] = 48;
    markers.KeyDown(SpectrumMarkers::Right);
    EXPECT_EQ(markers.MarkerIndex[0], 48);
    data.SweepPoints[49].CenterX = 8449;
    markers.KeyDown(SpectrumMarkers::Right);
    EXPECT_EQ(markers.MarkerIndex[0], 49);
}

TEST_F(SpectrumMarkersTest, F3TwiceLeavesOneMarkerWhereTheSecondWas) {
    markers.MarkerIndex[0] = 5;
    markers.KeyDown(SpectrumMarkers::F3);
    EXPECT_TRUE(markers.DeltaMode);
    EXPECT_EQ(markers.MarkerIndex[1], 5);
    EXPECT_TRUE(surface.ops().empty()); // nothing redrawn until the next paint

    markers.KeyDown(SpectrumMarkers::Right); // moves marker 2 and draws both
    markers.KeyDown(SpectrumMarkers::Right);
    EXPECT_EQ(markers.MarkerIndex[0], 5);
    EXPECT_EQ(markers.MarkerIndex[1], 7);

    surface.reset();
    markers.KeyDown(SpectrumMarkers::F3);
    EXPECT_FALSE(markers.DeltaMode);
    EXPECT_EQ(markers.MarkerIndex[0], 7);
    // Both diamonds erased where they were drawn.
    const auto erased = linesIn(kPlotBack);
    ASSERT_EQ(erased.size(), 8u);
    EXPECT_EQ(erased[0].x1, 580 + 160 * 5);
    EXPECT_EQ(erased[4].x1, 580 + 160 * 7);
    EXPECT_TRUE(linesIn(kMarker1).empty());
}

TEST_F(SpectrumMarkersTest, ClosedWindowStillKeepsTheReadouts) {
    surfaces.spectrumOpen = false;
    markers.KeyDown(SpectrumMarkers::Right);
    markers.PaintSpectrumTexts();
    markers.EraseMarkers();
    EXPECT_EQ(markers.MarkerIndex[0], 0); // the window's width is unknown: no step
    EXPECT_EQ(markers.FrequencyReadout, "Frequency (MHz): 902.5");
    EXPECT_TRUE(surface.ops().empty());
}
