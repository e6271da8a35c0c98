#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

struct Settings;
struct StopFlags;
struct SpectrumData;
class LinkStatusDisplay;
class AnalyzerSurfaces;

// The spectrum window's markers and keys: peak search, max hold, delta marker,
// next peak left and right, view-only mode and refresh from the function keys; the
// arrows step the active marker. Markers are small diamonds on the real-time trace;
// their readouts are printed in the top-left corner of the plot.
class SpectrumMarkers {
public:
    // Virtual key codes of the keys the window understands.
    enum Key : int {
        F1 = 0x70,
        F2 = 0x71,
        F3 = 0x72,
        F4 = 0x73,
        F5 = 0x74,
        F6 = 0x75,
        F7 = 0x76,
        Left = 0x25,
        Right = 0x27
    };

    SpectrumMarkers(const Settings& settings, const StopFlags& flags, SpectrumData& data,
                    LinkStatusDisplay& status, AnalyzerSurfaces& surfaces);

    std::array<std::int16_t, 2> MarkerIndex{0, 0};
    bool DeltaMode = false;
    bool MaxHold = false;
    bool ViewMode = false;
    std::array<std::int32_t, 2> MarkerX{0, 0};
    std::array<std::int32_t, 2> MarkerY{0, 0};
    // The readouts as computed by the last PaintMarkers, and as printed last (what
    // is on the screen, to be erased before the next print).
    QString FrequencyReadout, AmplitudeReadout;
    QString PreviousFrequencyReadout, PreviousAmplitudeReadout;

    // F7: the whole window repainted (set by the owner of the display).
    std::function<void()> repaintWindow;

    // KeyDown of the spectrum window; ignored unless a sweep runs.
    void KeyDown(int keyCode);
    void FindPeak();
    void FindNextPeak(bool left);
    // The real-time trace in whole dB, as the peak keys read it.
    std::vector<int> wholeDbTrace() const;
    // The points the peak rule finds on the real-time trace, from left to right.
    std::vector<int> peaksFound() const;
    void PaintMarkers();
    void PaintSpectrumTexts();
    void EraseMarkers();

    // The frequency of point i in MHz: the span divided into N + 1 steps.
    static double PointFrequency(int i, int pointCount, float centerFrequency, float span);

private:
    std::int16_t& activeMarker();

    const Settings& settings_;
    const StopFlags& flags_;
    SpectrumData& data_;
    LinkStatusDisplay& status_;
    AnalyzerSurfaces& surfaces_;
};
