#include "hopbin/hop_bin_geometry.h"

#include <QStringList>
#include <gtest/gtest.h>

TEST(HopBinGeometry, TheChartSpansSeventyDbBelowTheAmplitude) {
    // Chart top 500, height 5000: 70 dB over 5000 twips.
    EXPECT_DOUBLE_EQ(chartLevelY(-40, -40, 500, 5000), 500);
    EXPECT_DOUBLE_EQ(chartLevelY(-75, -40, 500, 5000), 3000); // half way down
    EXPECT_DOUBLE_EQ(chartLevelY(-110, -40, 500, 5000), 5500);
    EXPECT_DOUBLE_EQ(chartLevelY(-105, -60, 0, 700), 450);
    // A level above the amplitude lies as far below the top as it lies above.
    EXPECT_DOUBLE_EQ(chartLevelY(-33, -40, 500, 5000), 1000);
}

TEST(HopBinGeometry, ColumnsShareTheChartWidthEqually) {
    // Bins 0..19 on a chart from 500 to 8500.
    const double w = columnWidth(500, 8500, 19);
    EXPECT_DOUBLE_EQ(w, 400);
    EXPECT_DOUBLE_EQ(columnLeft(0, w, 500, 0), 500);
    EXPECT_DOUBLE_EQ(columnLeft(19, w, 500, 0), 8100);
    EXPECT_DOUBLE_EQ(columnLeft(19, w, 500, 0) + w, 8500); // the last column ends at the edge
    EXPECT_DOUBLE_EQ(columnLeft(1, w, 500, 100), 1000);
}

TEST(HopBinGeometry, ALevelOnAThresholdTakesTheWorseGrade) {
    EXPECT_EQ(gradeLevel(-79.9f, -80, -95), Grade::Good);
    EXPECT_EQ(gradeLevel(-80, -80, -95), Grade::Marginal);
    EXPECT_EQ(gradeLevel(-94.9f, -80, -95), Grade::Marginal);
    EXPECT_EQ(gradeLevel(-95, -80, -95), Grade::Bad);
    EXPECT_EQ(gradeLevel(-105, -80, -95), Grade::Bad);

    EXPECT_EQ(remoteGradeColour(Grade::Good), 0x00FF00u);
    EXPECT_EQ(remoteGradeColour(Grade::Marginal), 0x00FFFFu);
    EXPECT_EQ(remoteGradeColour(Grade::Bad), 0x0000FFu);
    EXPECT_EQ(pcGradeColour(Grade::Good), 0x00B400u);     // red 0, green 180, blue 0
    EXPECT_EQ(pcGradeColour(Grade::Marginal), 0x00B4FFu); // red 255, green 180, blue 0
    EXPECT_EQ(pcGradeColour(Grade::Bad), 0x0000B4u);      // red 180, green 0, blue 0
}

TEST(HopBinGeometry, ScaleLabelsAreRoundedToOneDecimalInShortestForm) {
    QStringList tenDivisions;
    for (int k = 0; k <= 10; ++k)
        tenDivisions << scaleLabelText(-40, k, 10);
    EXPECT_EQ(tenDivisions.join(u' '),
              QStringLiteral("-40 -47 -54 -61 -68 -75 -82 -89 -96 -103 -110"));

    EXPECT_EQ(scaleLabelText(-40, 1, 3), QStringLiteral("-63.3"));
    EXPECT_EQ(scaleLabelText(-40, 1, 6), QStringLiteral("-51.7"));
    EXPECT_EQ(scaleLabelText(-40, 1, 4), QStringLiteral("-57.5"));
    // Halves go to the even tenth.
    EXPECT_EQ(scaleLabelText(-40, 3, 8), QStringLiteral("-66.2"));   // -66.25
    EXPECT_EQ(scaleLabelText(-40, 1, 8), QStringLiteral("-48.8"));   // -48.75
    EXPECT_EQ(scaleLabelText(-40, 1, 200), QStringLiteral("-40.4")); // -40.35
    EXPECT_EQ(scaleLabelText(-40.5, 0, 10), QStringLiteral("-40.5"));
    EXPECT_EQ(scaleLabelText(0, 0, 10), QStringLiteral("0"));
    // No divisions: only the top label, no division by zero.
    EXPECT_EQ(scaleLabelText(-40, 0, 0), QStringLiteral("-40"));
}

TEST(HopBinGeometry, LegendHasTwoRowsWithAlignedSwatches) {
    const auto entries = legendEntries(2250, 5596, 5788);
    QStringList row1, row2;
    for (const LegendEntry& e : entries)
        (e.y == 5596 ? row1 : row2) << e.text;
    EXPECT_EQ(row1.join(u'|'),
              QStringLiteral("RSSI at Remote:|Good - |Marginal - |Bad - |Peak - "));
    EXPECT_EQ(row2.join(u'|'), QStringLiteral("RSSI at PC:|Good - |Marginal - |Bad - |Average - "));

    EXPECT_FALSE(entries[0].hasSwatch);
    EXPECT_FALSE(entries[1].hasSwatch);
    // The peak swatch is placed after "Average - " so that both swatches line up.
    EXPECT_EQ(entries[8].text, QStringLiteral("Peak - "));
    EXPECT_EQ(entries[8].swatchAfter, QStringLiteral("Average - "));
    EXPECT_EQ(entries[8].swatch, kPeakColour);
    EXPECT_EQ(entries[9].swatch, kAverageColour);
    EXPECT_DOUBLE_EQ(entries[8].x, entries[9].x);
    EXPECT_DOUBLE_EQ(entries[2].x, 3750);
    EXPECT_DOUBLE_EQ(entries[4].x, 4500);
    EXPECT_DOUBLE_EQ(entries[6].x, 5500);
    EXPECT_DOUBLE_EQ(entries[8].x, 6750);

    // A square of half the text height, a quarter of the height below the text top.
    const auto square = legendSwatch(100, 1000, 560, 200);
    EXPECT_DOUBLE_EQ(square[0], 660);
    EXPECT_DOUBLE_EQ(square[1], 1050);
    EXPECT_DOUBLE_EQ(square[2], 760);
    EXPECT_DOUBLE_EQ(square[3], 1150);
}
