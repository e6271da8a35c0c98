#include "hopbin/window_layout.h"

#include <gtest/gtest.h>

TEST(TileChildWindows, NetworkWindowTakesTheRightThirdBesideTheAnalyzer) {
    TilingInput in;
    in.clientWidth = 9000;
    in.clientHeight = 6000;
    in.networkWindowShown = true;
    in.binAnalyzerSelected = true;
    const ChildPlacement p = TileChildWindows(in);
    EXPECT_DOUBLE_EQ(p.network.left(), 6030);
    EXPECT_DOUBLE_EQ(p.network.width(), 2970);
    EXPECT_DOUBLE_EQ(p.network.height(), 6000);
    ASSERT_TRUE(p.analyzer.has_value());
    EXPECT_DOUBLE_EQ(p.analyzer->left(), 0);
    EXPECT_DOUBLE_EQ(p.analyzer->width(), 6030);
    EXPECT_DOUBLE_EQ(p.analyzer->height(), 6000);

    in.binAnalyzerSelected = false;
    in.spectrumSelected = true;
    EXPECT_TRUE(TileChildWindows(in).analyzer.has_value());
}

TEST(TileChildWindows, WithoutAnAnalyzerTheNetworkWindowIsCentredAtHalfWidth) {
    TilingInput in;
    in.clientWidth = 9000;
    in.clientHeight = 6000;
    in.networkWindowShown = true; // but no test selected
    ChildPlacement p = TileChildWindows(in);
    EXPECT_DOUBLE_EQ(p.network.left(), 2250);
    EXPECT_DOUBLE_EQ(p.network.width(), 4500);
    EXPECT_FALSE(p.analyzer.has_value());

    in.networkWindowShown = false; // the menu entry unchecked
    in.binAnalyzerSelected = true;
    p = TileChildWindows(in);
    EXPECT_DOUBLE_EQ(p.network.width(), 4500);
    EXPECT_FALSE(p.analyzer.has_value());
}
