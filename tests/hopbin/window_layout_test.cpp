// Where the Network Query window and the analyzer go in a 9000 x 6000 twip main window.

#include "hopbin/window_layout.h"

#include <gtest/gtest.h>

TEST(TileChildWindows, TheNetworkWindowTakesTheRightThirdOnlyBesideAnAnalyzer) {
    struct Case {
        bool shown, binAnalyzer, spectrum;
        QRectF network;
        std::optional<QRectF> analyzer;
    };
    const Case cases[] = {
        {true, true, false, {6030, 0, 2970, 6000}, QRectF(0, 0, 6030, 6000)},
        {true, false, true, {6030, 0, 2970, 6000}, QRectF(0, 0, 6030, 6000)},
        // No test selected, or the menu entry unchecked: centred at half width.
        {true, false, false, {2250, 0, 4500, 6000}, std::nullopt},
        {false, true, false, {2250, 0, 4500, 6000}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.shown << c.binAnalyzer << c.spectrum);
        const ChildPlacement p = TileChildWindows({9000, 6000, c.shown, c.binAnalyzer, c.spectrum});
        EXPECT_EQ(std::pair(p.network, p.analyzer), std::pair(c.network, c.analyzer));
    }
}
