#include "spectrum/spectrum_peaks.h"

#include <gtest/gtest.h>

// The report lists the points that F5 stops at from the left end: a bump counts
// only when it stands more than 5 dB above the dips on both of its sides.
TEST(SpectrumPeaks, EveryPeakOfTheRuleFromLeftToRight) {
    //                            0    1    2    3    4    5    6    7    8    9   10   11
    const std::vector<int> trace{-90, -90, -70, -90, -88, -85, -90, -90, -60, -62, -90, -90};
    // 2 and 8 stand out; the 5 dB ripple at 5 does not (it must rise MORE than 5).
    EXPECT_EQ(peaks::allPeaks(trace), (std::vector<int>{2, 8}));
    EXPECT_EQ(peaks::nextPeak(trace, 2, false), 8);
    EXPECT_EQ(peaks::nextPeak(trace, 8, true), 2);
    EXPECT_EQ(peaks::nextPeak(trace, 8, false), std::nullopt);

    // A peak at the very end has no fall after it; a flat trace has none at all.
    EXPECT_TRUE(peaks::allPeaks({-90, -90, -90, -60}).empty());
    EXPECT_TRUE(peaks::allPeaks(std::vector<int>(50, -100)).empty());
    EXPECT_TRUE(peaks::allPeaks({}).empty());
}
