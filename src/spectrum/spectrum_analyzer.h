#pragma once

#include "hopbin/link_quality_meter.h"

#include <QByteArray>
#include <QTimer>
#include <cstdint>
#include <optional>

struct Settings;
struct StopFlags;
class Recorder;
struct SpectrumData;
class EventWait;
class RadioLink;
class ModeProtocol;
class LinkStatusDisplay;
class LinkQualityMeter;
class SpectrumDisplay;
class SpectrumMarkers;
class AnalyzerSurfaces;

// The spectrum sweep: in configuration mode the radio is told a point index
// (0xB1 i 0x00, echoed) and asked for the received-signal voltage (0x21 0x02,
// answered 0x21, a byte, a 16-bit little-endian reading where 1023 stands for
// 3.3 V). Each reading becomes a level in dB, a screen position and the three
// traces; after every sweep the display, the marker readouts and the meter are
// redrawn.
class SpectrumAnalyzer {
public:
    SpectrumAnalyzer(SpectrumData& data, const Settings& settings, StopFlags& flags,
                     const EventWait& wait, RadioLink& link, ModeProtocol& modes,
                     LinkStatusDisplay& status, Recorder& recorder, SpectrumDisplay& display,
                     SpectrumMarkers& markers, LinkQualityMeter& meter, AnalyzerSurfaces& surfaces);

    // Runs sweeps until SpectrumStopped or StopRequested; with a limit other than 0,
    // stops after that many sweeps.
    void SweepSpectrum(int sweepLimit);
    void AcquirePoint(int index);
    void ResetSpectrum();

    // The figures of the sweep statistics (for the meter).
    SpectrumMeterFigures sweepFigures() const;

    // Pure conversions, used by the sweep and tested directly.
    // raw 0..1023 (1023 = 3.3 V) to volts.
    static double RawToVolts(int raw);
    // Volts to a whole dB level clamped below "Amplitude" (see the comment in the .cpp).
    static std::int32_t VoltsToLevel(double volts, float amplitude);
    // Level to the plot's y: 70 dB over the plot height from "Amplitude" at the top.
    static std::int32_t LevelToY(std::int32_t level, float amplitude, double top, double bottom,
                                 double windowHeight);

    // The sample voltage of point `index` becomes its level, its screen position and
    // its three traces (the end of AcquirePoint, whatever the sample's source).
    void applySample(int index, double volts);

    // The point selection 0xB1 i 0x00 (i as one byte); the radio echoes it.
    static QByteArray selectPointCommand(int index);
    // The level request; answered 0x21, a byte, the reading low, high.
    static QByteArray levelRequestCommand();

    // In view mode the radio is left alone and the stored traces are repainted at
    // most this often (the loop would otherwise repaint as fast as it can).
    static constexpr int kViewRepaintIntervalMs = 100;
    // Without a spectrum window there is no drawing height: positions are then
    // computed for a plot of this many twips per dB, so that they stay ordered like
    // the levels and never become 0 ("not measured"). The window's load resets them.
    static constexpr double kNominalTwipsPerDb = 20.0;

private:
    enum class Source { Radio, Playback };

    Source dataSource() const;
    bool stopping() const;
    // The radio's part of a point: select it, ask for its level, retrying with the
    // failure text shown and the radio brought back into configuration mode until
    // the radio answers or the user stops. The reading, or nothing when stopped.
    std::optional<int> readPointFromRadio(int index);
    // After a failed exchange: show the failure text and take the radio back into
    // AT command mode and configuration mode. False when the user stopped meanwhile.
    bool recoverConfigMode();
    // Playback: the next recorded sample, paced like the recorded run.
    std::optional<double> readPlaybackSample();
    void waitWhilePaused();
    void waitInViewMode();
    void paintSweep();

    SpectrumData& data_;
    const Settings& settings_;
    StopFlags& flags_;
    const EventWait& wait_;
    RadioLink& link_;
    ModeProtocol& modes_;
    LinkStatusDisplay& status_;
    Recorder& recorder_;
    SpectrumDisplay& display_;
    SpectrumMarkers& markers_;
    LinkQualityMeter& meter_;
    AnalyzerSurfaces& surfaces_;
    QTimer idleTimer_; // single shot: paces the repaints in view mode
};
