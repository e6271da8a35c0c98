#include "spectrum/spectrum_data.h"

int SpectrumData::usablePointCount(int numberOfPoints) {
    return numberOfPoints < 2 ? 2 : numberOfPoints;
}

void SpectrumData::resize(int numberOfPoints) {
    // A stored "Number of Points" below 2 (or negative, from a damaged settings
    // store) would leave the display without a trace: the tables always hold at
    // least two points.
    const auto count = static_cast<std::size_t>(usablePointCount(numberOfPoints));
    SweepPoints.resize(count);
    PreviousSweepPoints.resize(count);
}
