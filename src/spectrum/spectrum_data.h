#pragma once

#include <QString>
#include <cstdint>
#include <vector>

// One frequency point of the spectrum analyzer: its cell on the plot and its three
// traces (real-time, peak hold, running average). Positions are in the spectrum
// window's twips, y growing downwards; a y of 0 means "not measured / not drawn".
struct SweepPoint {
    std::int32_t CellLeft = 0;
    std::int32_t CellRight = 0;
    std::int32_t CenterX = 0;
    std::int32_t TraceY = 0;
    std::int32_t TraceEndY = 0;
    double TraceLevel = 0; // dB, a whole number
    double PeakLevel = 0;  // dB, a whole number
    std::int32_t PeakY = 0;
    std::int32_t PeakEndY = 0;
    double AverageLevel = 0; // dB; exactly 0 = no average yet
    std::int32_t AverageY = 0;
    std::int32_t AverageEndY = 0;

    bool operator==(const SweepPoint&) const = default;
};

// The two per-point tables shared by the spectrum display and acquisition: the
// current traces and the positions drawn last (kept for erasing).
struct SpectrumData {
    std::vector<SweepPoint> SweepPoints;
    std::vector<SweepPoint> PreviousSweepPoints;
    std::int32_t SweepTime = 0; // time of day (ms) at the end of the last sweep
    std::int32_t PreviousSweepTime = 0;
    QString SweepTimeText;         // "Sweep Time (mS): " + duration of the last sweep
    QString PreviousSweepTimeText; // the sweep time as printed last, for erasing

    // The point count the tables can be drawn with: "Number of Points" below 2 is
    // raised to 2 (a trace needs two points).
    static int usablePointCount(int numberOfPoints);
    // Sizes both tables (new entries zeroed, existing ones kept).
    void resize(int numberOfPoints);
    int pointCount() const { return static_cast<int>(SweepPoints.size()); }
};
