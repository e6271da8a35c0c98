// The markers of a running spectrum sweep: the searches, the keys that steer them,
// the diamonds on the trace and the readouts printed in the plot's corner.

#include "spectrum/spectrum_context.h"
#include "support/fakes.h"
#include "support/readouts_on_screen.h"

#include <QLineF>
#include <gtest/gtest.h>

namespace {

using Op = RecordingSurface::Op;
using M = SpectrumMarkers;

constexpr Colour kPlotBack = 0x010101, kMarker1 = 0x0000F1, kMarker2 = 0x0000F2;
constexpr Colour kMessage = 0x00AA00;

// 50 points on the default 9000-wide window, point i centred at 580 + 160 i (at
// 902 + (i + 1) x 26 / 51 MHz), every one measured at -90 dB.
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

TEST_F(SpectrumMarkersTest, NextPeakNeedsARoundedRiseAndFallOfMoreThanFiveDecibels) {
    const struct {
        std::vector<std::tuple<int, int, double>> levels; // from, to, dB over -90
        int start, key, found;
    } cases[] = {
        {{{20, 20, -80}}, 10, M::F5, 20},
        {{{20, 20, -80}}, 30, M::F4, 20},
        {{{20, 20, -80}}, 25, M::F5, 25},             // nothing further right
        {{{5, 5, -70}, {20, 20, -80}}, 5, M::F5, 20}, // from the dip after a fall
        {{{19, 19, -84}, {20, 20, -78}, {21, 21, -82}}, 10, M::F5, 20},
        {{{20, 20, -85}}, 10, M::F5, 10},                // a rise of just 5
        {{{20, 20, -84}, {21, 49, -89}}, 10, M::F5, 10}, // a fall of just 5
        {{{20, 20, -84}, {21, 49, -89}}, 40, M::F4, 40}, // a rise of just 5
        {{{20, 20, -84}, {21, 29, -89}, {30, 49, -91}}, 40, M::F4, 20},
        {{{20, 20, -84.5}}, 10, M::F5, 20}, // rounds to -84
        {{{20, 20, -85.4}}, 10, M::F5, 10}, // rounds to -85
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
    EXPECT_EQ(surface.texts().back(), "Amplitude (dB): -90"); // printed at once
}

// Each key moves the active marker (never beyond the plot with its diamond) and
// prints the readouts of its new place; in delta mode the second marker moves.
TEST_F(SpectrumMarkersTest, ArrowsAndF1PrintTheReadoutsOfTheMarkersNewPlace) {
    setLevel(10, -80);
    setLevel(20, -70.4);
    setLevel(30, -70.4); // F1 takes the first of equal ones
    const struct {
        int start, key, neighbourX; // 0: where ComputeCellGeometry puts it
        const char *frequency, *amplitude;
    } cases[] = {
        {5, M::Right, 0, "Frequency (MHz): 905.6", "Amplitude (dB): -90"},
        {5, M::Left, 0, "Frequency (MHz): 904.5", "Amplitude (dB): -90"},
        {0, M::Left, 0, "Frequency (MHz): 902.5", "Amplitude (dB): -90"},
        {49, M::Right, 0, "Frequency (MHz): 927.5", "Amplitude (dB): -90"},
        {1, M::Left, 550, "Frequency (MHz): 903", "Amplitude (dB): -90"},
        {1, M::Left, 551, "Frequency (MHz): 902.5", "Amplitude (dB): -90"},
        {48, M::Right, 8450, "Frequency (MHz): 927", "Amplitude (dB): -90"},
        {48, M::Right, 8449, "Frequency (MHz): 927.5", "Amplitude (dB): -90"},
        {9, M::Right, 0, "Frequency (MHz): 907.6", "Amplitude (dB): -80"},
        {2, M::F1, 0, "Frequency (MHz): 912.7", "Amplitude (dB): -70.4"},
        {10, M::F3, 0, "Frequency (MHz): 912.7", "Amplitude (dB): -70.4"}, // not yet shown
        {-1, M::F5, 0, "Frequency Delta (MHz): 5.1", "Amplitude Delta (dB): 9.6"},
        {-1, M::Right, 0, "Frequency Delta (MHz): 5.6", "Amplitude Delta (dB): -10"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        display.ComputeCellGeometry();
        const int neighbour = c.start + (c.key == M::Right ? 1 : -1);
        if (c.neighbourX != 0)
            data.SweepPoints[static_cast<std::size_t>(neighbour)].CenterX = c.neighbourX;
        if (c.start >= 0)
            markers.MarkerIndex[0] = static_cast<std::int16_t>(c.start);
        surface.reset();
        markers.KeyDown(c.key);
        EXPECT_EQ(markers.FrequencyReadout, c.frequency);
        EXPECT_EQ(markers.AmplitudeReadout, c.amplitude);
        if (c.key != M::F3) {
            EXPECT_EQ(readoutsOnScreen(surface, settings)[settings.SpecAnTop + 450],
                      QStringList{c.amplitude});
            EXPECT_EQ(surface.linesIn(kMarker1).size(), 4u); // drawn again even in place
        }
    }
    EXPECT_EQ(diamondsIn(kMarker2), std::vector<double>{580 + 160 * 21});
    // F3 again leaves one marker where the second was and erases both diamonds.
    surface.reset();
    markers.KeyDown(M::F3);
    EXPECT_EQ(std::tuple(markers.DeltaMode, int(markers.MarkerIndex[0])), std::tuple(false, 21));
    EXPECT_EQ(diamondsIn(kPlotBack), (std::vector<double>{580 + 160 * 10, 580 + 160 * 21}));
    EXPECT_TRUE(diamondsIn(kMarker1).empty());
    // With the window closed its width is unknown: no step, but the readouts are kept.
    surfaces.spectrumOpen = false;
    surface.reset();
    markers.KeyDown(M::Right);
    EXPECT_EQ(markers.FrequencyReadout, "Frequency (MHz): 913.2");
    EXPECT_TRUE(surface.ops().empty());
}

TEST_F(SpectrumMarkersTest, DiamondsStandOnTheTraceAndAreErasedWhereTheyWere) {
    markers.PaintMarkers();
    const double y = data.SweepPoints[0].TraceY;
    const auto drawn = surface.linesIn(kMarker1);
    ASSERT_EQ(drawn.size(), 4u);
    EXPECT_EQ(QLineF(drawn[0].x1, drawn[0].y1, drawn[0].x2, drawn[0].y2),
              QLineF(580, y - 200, 530, y - 100));
    EXPECT_EQ(QLineF(drawn[2].x1, drawn[2].y1, drawn[2].x2, drawn[2].y2),
              QLineF(630, y - 100, 580, y));
    EXPECT_EQ(surface.linesIn(kPlotBack).at(0).y1, -200); // the first erased is at (0, 0)
    // With the real-time trace released they are erased, not drawn; readouts follow.
    settings.RealTimeCheck = 0;
    surface.reset();
    markers.MarkerIndex[0] = 4;
    markers.PaintMarkers();
    markers.PaintMarkers();
    EXPECT_EQ(diamondsIn(kPlotBack), (std::vector<double>{580, 580 + 160 * 4}));
    EXPECT_TRUE(diamondsIn(kMarker1).empty());
    EXPECT_EQ(markers.FrequencyReadout, "Frequency (MHz): 904.5");
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
                                                     : "?",
                            op.text);
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

TEST_F(SpectrumMarkersTest, TheKeysSteerOnlyARunningSweep) {
    flags.SpectrumStopped = true;
    for (int key : {0x70, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76, 0x25, 0x27})
        markers.KeyDown(key);
    EXPECT_EQ(
        std::tuple(markers.MarkerIndex[0], markers.MaxHold, markers.DeltaMode, markers.ViewMode),
        std::tuple(0, false, false, false));
    EXPECT_TRUE(surface.ops().empty());
    flags.SpectrumStopped = false;
    for (int key : {+M::F2, +M::F6, 0x41, +M::F6, +M::F6, +M::F7}) // F7: the whole window again
        markers.KeyDown(key);
    EXPECT_EQ(std::tuple(markers.MaxHold, markers.ViewMode), std::tuple(true, true));
    ASSERT_FALSE(surface.ops().empty());
    EXPECT_EQ(surface.ops()[0].kind, Op::Kind::Clear);
}
