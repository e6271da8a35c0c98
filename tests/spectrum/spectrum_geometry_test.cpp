#include "spectrum/spectrum_geometry.h"

#include <gtest/gtest.h>

#include <ostream>

// Readable failure messages for segments.
void PrintTo(const Segment& s, std::ostream* os) {
    *os << "(" << s.x1 << ", " << s.y1 << ") - (" << s.x2 << ", " << s.y2 << ")";
}

namespace {

void expectLayout(double width, int columns, int rows, int bottom) {
    const LegendLayout layout = legendLayout(width);
    EXPECT_EQ(layout.columns, columns) << "plot width " << width;
    EXPECT_EQ(layout.rows, rows) << "plot width " << width;
    EXPECT_EQ(layout.bottom, bottom) << "plot width " << width;
}

} // namespace

TEST(SpectrumGeometry, NarrowPlotGetsOneColumnOfNineRows) {
    expectLayout(2099, 1, 9, 2200);
    expectLayout(500, 1, 9, 2200);
    expectLayout(0, 1, 9, 2200);
    expectLayout(-300, 1, 9, 2200);
}

TEST(SpectrumGeometry, LegendCountsOnlyWholeColumns) {
    expectLayout(2100, 1, 9, 2200);
    expectLayout(4199, 1, 9, 2200); // rounds to two columns, but the second does not fit
    expectLayout(4200, 2, 5, 1400);
    expectLayout(6300, 3, 3, 1000);
    expectLayout(8000, 3, 3, 1000);
    expectLayout(8400, 4, 3, 1000);
    expectLayout(10500, 5, 2, 800);
    expectLayout(16800, 8, 2, 800);
}

TEST(SpectrumGeometry, WidePlotPutsEveryTextInOneRow) {
    expectLayout(18900, 9, 1, 600);
    expectLayout(21000, 10, 1, 600);
    expectLayout(40000, 19, 1, 600);
}

TEST(SpectrumGeometry, LegendTextsInKeyOrder) {
    const auto& texts = legendTexts();
    EXPECT_EQ(texts[0], "F1: Peak Search");
    EXPECT_EQ(texts[6], "F7: Refresh");
    EXPECT_EQ(texts[8], "Right Arrow: Marker Right");
}

TEST(SpectrumGeometry, CellsDivideThePlotWidth) {
    EXPECT_EQ(cellGeometry(0, 50, 500, 8000), (CellGeometry{500, 660, 580}));
    EXPECT_EQ(cellGeometry(1, 50, 500, 8000), (CellGeometry{660, 820, 740}));
    EXPECT_EQ(cellGeometry(49, 50, 500, 8000), (CellGeometry{8340, 8500, 8420}));
    // A third of a twip left over: every value is rounded before the next is derived.
    EXPECT_EQ(cellGeometry(1, 3, 500, 1000), (CellGeometry{833, 1166, 1000}));
    EXPECT_EQ(cellGeometry(2, 3, 500, 1000), (CellGeometry{1167, 1500, 1334}));
}

TEST(SpectrumGeometry, CellsNarrowerThanATwipRoundHalvesToEven) {
    // 2000 points over 1000 twips: half a twip each.
    EXPECT_EQ(cellGeometry(0, 2000, 500, 1000), (CellGeometry{500, 500, 500}));
    EXPECT_EQ(cellGeometry(1, 2000, 500, 1000), (CellGeometry{500, 500, 500}));
    EXPECT_EQ(cellGeometry(2, 2000, 500, 1000), (CellGeometry{501, 502, 502}));
    EXPECT_EQ(cellGeometry(3, 2000, 500, 1000), (CellGeometry{502, 502, 502}));
    EXPECT_EQ(cellGeometry(1999, 2000, 500, 1000), (CellGeometry{1500, 1500, 1500}));
    // 2000 points over 8000 twips: four twips each.
    EXPECT_EQ(cellGeometry(1000, 2000, 500, 8000), (CellGeometry{4500, 4504, 4502}));
    EXPECT_EQ(cellGeometry(0, 0, 500, 8000), (CellGeometry{}));
}

TEST(SpectrumGeometry, OneDecimalTextIsShortestWithHalvesToEven) {
    EXPECT_EQ(oneDecimalText(5.0980392), "5.1");
    EXPECT_EQ(oneDecimalText(902.5098), "902.5");
    EXPECT_EQ(oneDecimalText(-73), "-73");
    EXPECT_EQ(oneDecimalText(0.25), "0.2");
    EXPECT_EQ(oneDecimalText(0.35), "0.4");
    EXPECT_EQ(oneDecimalText(902.25), "902.2");
    EXPECT_EQ(oneDecimalText(-0.04), "0");
    EXPECT_EQ(oneDecimalText(10), "10");
}

TEST(SpectrumGeometry, FrequencyLabelsDivideTheSpanIntoTheGrid) {
    const char* expected[] = {"902",   "904.6", "907.2", "909.8", "912.4", "915",
                              "917.6", "920.2", "922.8", "925.4", "928"};
    for (int k = 0; k <= 10; ++k)
        EXPECT_EQ(frequencyLabelText(915, 26, k, 10), expected[k]) << k;
}

TEST(SpectrumGeometry, SpanOfTwentyGivesWholeNumbers) {
    for (int k = 0; k <= 10; ++k)
        EXPECT_EQ(frequencyLabelText(915, 20, k, 10), QString::number(905 + 2 * k)) << k;
}

TEST(SpectrumGeometry, AmplitudeLabelsCoverSeventyDecibels) {
    for (int k = 0; k <= 10; ++k)
        EXPECT_EQ(amplitudeLabelText(-40, k, 10), QString::number(-40 - 7 * k)) << k;
    // Other grids change the labels but not the 70 dB scale.
    EXPECT_EQ(amplitudeLabelText(-40, 1, 3), "-63.3");
    EXPECT_EQ(amplitudeLabelText(-40, 2, 3), "-86.7");
    EXPECT_EQ(amplitudeLabelText(-40, 3, 3), "-110");
    EXPECT_EQ(amplitudeLabelText(-40, 0, 0), "-40");
}

TEST(SpectrumGeometry, GridLinesReachBeyondThePlotAsTicks) {
    const auto lines = gridLines(500, 500, 8500, 5000, 10);
    ASSERT_EQ(lines.size(), 22u);
    EXPECT_EQ(lines[0], (Segment{500, 500, 500, 5100}));
    EXPECT_EQ(lines[1], (Segment{400, 500, 8500, 500}));
    EXPECT_EQ(lines[2], (Segment{1300, 500, 1300, 5100}));
    EXPECT_EQ(lines[3], (Segment{400, 950, 8500, 950}));
    EXPECT_EQ(lines[20], (Segment{8500, 500, 8500, 5100}));
    EXPECT_EQ(lines[21], (Segment{400, 5000, 8500, 5000}));
    EXPECT_EQ(gridLines(500, 500, 8500, 5000, 4).size(), 10u);
}

namespace {

const std::vector<std::int32_t> kCenters = {100, 300, 500, 700, 900};

std::vector<Segment> segments(const std::vector<std::int32_t>& y) {
    return traceSegments(kCenters, 0, 1000, y, y);
}

} // namespace

TEST(SpectrumGeometry, TraceRunsFromLeftEdgeThroughCentresToRightEdge) {
    const std::vector<Segment> expected = {
        {0, 10, 300, 20},   {0, 10, 300, 20},    {300, 20, 500, 30},
        {500, 30, 700, 40}, {700, 40, 1000, 50},
    };
    EXPECT_EQ(segments({10, 20, 30, 40, 50}), expected);
}

TEST(SpectrumGeometry, UnmeasuredPointsTakeNoPart) {
    EXPECT_TRUE(segments({0, 0, 0, 0, 0}).empty());
    // An isolated measured point draws nothing.
    EXPECT_TRUE(segments({0, 20, 0, 0, 0}).empty());
    EXPECT_TRUE(segments({10, 0, 30, 0, 50}).empty());
    // A run in the middle is drawn (from both of its ends).
    const std::vector<Segment> middle = {{500, 30, 700, 40}, {500, 30, 700, 40}};
    EXPECT_EQ(segments({0, 0, 30, 40, 0}), middle);
    // A run of the last two points: drawn from point 3 to point 4's centre, then
    // again from point 4 to the right edge.
    EXPECT_EQ(segments({0, 0, 0, 40, 50}),
              (std::vector<Segment>{{700, 40, 900, 50}, {700, 40, 1000, 50}}));
    // Point 1 after a measured point 0 starts at the left edge.
    EXPECT_EQ(segments({10, 20, 0, 0, 0}),
              (std::vector<Segment>{{0, 10, 300, 20}, {0, 10, 300, 20}}));
}

TEST(SpectrumGeometry, SegmentsLeaveAtTheStartYAndArriveAtTheEndY) {
    const auto result = traceSegments(kCenters, 0, 1000, {10, 20, 0, 0, 0}, {11, 21, 0, 0, 0});
    ASSERT_EQ(result.size(), 2u);
    EXPECT_EQ(result[0], (Segment{0, 10, 300, 21}));
}

TEST(SpectrumGeometry, FewerThanTwoPointsDrawNothing) {
    EXPECT_TRUE(traceSegments({100}, 0, 200, {10}, {10}).empty());
    EXPECT_TRUE(traceSegments({}, 0, 0, {}, {}).empty());
    EXPECT_EQ(traceSegments({100, 300}, 0, 400, {10, 20}, {10, 20}),
              (std::vector<Segment>{{0, 10, 300, 20}, {100, 10, 400, 20}}));
}

TEST(SpectrumGeometry, MarkerDiamondStandsOnItsPoint) {
    const auto lines = markerDiamond(1000, 3000);
    EXPECT_EQ(lines[0], (Segment{1000, 2800, 950, 2900}));
    EXPECT_EQ(lines[1], (Segment{1000, 2800, 1050, 2900}));
    EXPECT_EQ(lines[2], (Segment{1050, 2900, 1000, 3000}));
    EXPECT_EQ(lines[3], (Segment{1000, 3000, 950, 2900}));
}
