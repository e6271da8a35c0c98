#include "spectrum/spectrum_peaks.h"

namespace peaks {

std::optional<int> nextPeak(const std::vector<int>& levels, int start, bool left) {
    const int n = static_cast<int>(levels.size());
    if (start < 0 || start >= n)
        return std::nullopt;
    auto level = [&](int i) { return levels[static_cast<std::size_t>(i)]; };
    const int step = left ? -1 : 1;
    const int last = left ? 0 : n - 1;

    int low = level(start), high = low;
    int lowIndex = start, highIndex = start;
    bool rising = false;
    for (int i = start; left ? i >= last : i <= last; i += step) {
        const int v = level(i);
        if (!rising) {
            if (v < low) {
                low = v;
                lowIndex = i;
            } else if (v > high) {
                high = v;
                highIndex = i;
            }
            if (high - low > kRiseDb) {
                if ((highIndex - lowIndex) * step > 0) {
                    rising = true; // a rise beyond the dip, in the search direction
                } else if (highIndex != lowIndex) {
                    // The trace only fell so far: look for a rise from the new dip.
                    high = level(lowIndex);
                    highIndex = lowIndex;
                }
            }
        } else {
            if (v > high) {
                high = v;
                highIndex = i;
            } else if (high - v > kRiseDb) {
                return highIndex;
            }
        }
    }
    return std::nullopt;
}

std::vector<int> allPeaks(const std::vector<int>& levels) {
    std::vector<int> found;
    int from = 0;
    // Each peak lies beyond the dip after the point the walk starts from, so every
    // step moves right and the walk ends.
    while (const auto peak = nextPeak(levels, from, false)) {
        if (*peak <= from)
            break;
        found.push_back(*peak);
        from = *peak;
    }
    return found;
}

} // namespace peaks
