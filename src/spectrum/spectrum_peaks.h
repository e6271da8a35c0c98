#pragma once

#include <optional>
#include <vector>

// The suite's peak rule on a trace of whole-dB levels, as the F5 and F4 keys walk
// it: a peak is a point that stands more than 5 dB above the dip before it and
// more than 5 dB above the dip after it, seen in the direction of the walk.
namespace peaks {

// A next peak must rise more than this above the dip before it and fall more than
// this after it.
inline constexpr int kRiseDb = 5;

// The next peak from `start` to the left or right, or nothing when the end of the
// trace comes first.
std::optional<int> nextPeak(const std::vector<int>& levels, int start, bool left);

// Every peak of the trace from left to right: the points F5 stops at, pressed
// again and again from the first point.
std::vector<int> allPeaks(const std::vector<int>& levels);

} // namespace peaks
