#include "spectrum/spectrum_analyzer.h"

#include "core/event_wait.h"
#include "core/number_text.h"
#include "recording/recorder.h"
#include "core/settings.h"
#include "core/stop_flags.h"
#include "core/time_of_day.h"
#include "link/link_status_display.h"
#include "link/mode_protocol.h"
#include "link/radio_commands.h"
#include "link/radio_link.h"
#include "spectrum/point_answer.h"
#include "spectrum/spectrum_data.h"
#include "spectrum/spectrum_display.h"
#include "spectrum/spectrum_markers.h"
#include "ui/surface.h"

#include <cmath>

namespace {
// Point selection of configuration mode: 0xB1, the point index, 0x00. The radio
// echoes the three bytes once it has tuned its receiver to the point.
constexpr unsigned char kSelectPoint = 0xB1;
constexpr int kSelectPointSize = 3;

// The detector's full scale: a reading of 1023 stands for 3.3 V.
constexpr double kFullScaleReading = 1023.0;
constexpr double kFullScaleVolts = 3.3;

// The detector's response is linear from 0 V (-51 dB) down to 1.2 V (-103.8 dB) at
// -44 dB per volt; above 1.2 V it says nothing more, so higher voltages are taken
// as 1.2 V.
constexpr float kMaxVolts = 1.2f;
constexpr float kDbPerVolt = -44.0f;
constexpr float kDbAtZeroVolts = -51.0f;

// The plot always spans 70 dB from "Amplitude" at its top.
constexpr double kPlotSpanDb = 70.0;

// The running average follows each new sample by this share of the difference.
constexpr double kAverageWeight = 0.3;
} // namespace

SpectrumAnalyzer::SpectrumAnalyzer(SpectrumData& data, const Settings& settings, StopFlags& flags,
                                   const EventWait& wait, RadioLink& link, ModeProtocol& modes,
                                   LinkStatusDisplay& status, Recorder& recorder,
                                   SpectrumDisplay& display, SpectrumMarkers& markers,
                                   LinkQualityMeter& meter, AnalyzerSurfaces& surfaces)
    : data_(data), settings_(settings), flags_(flags), wait_(wait), link_(link), modes_(modes),
      status_(status), recorder_(recorder), display_(display), markers_(markers), meter_(meter),
      surfaces_(surfaces) {
    idleTimer_.setSingleShot(true);
}

// ---------------------------------------------------------------------------
// Pure conversions

double SpectrumAnalyzer::RawToVolts(int raw) {
    return raw / kFullScaleReading * kFullScaleVolts;
}

std::int32_t SpectrumAnalyzer::VoltsToLevel(double volts, float amplitude) {
    // The sample voltage is a 32-bit float, and so is the level computed from it.
    float v = static_cast<float>(volts);
    if (v > kMaxVolts)
        v = kMaxVolts;
    const float exact = v * kDbPerVolt + kDbAtZeroVolts;
    auto level = static_cast<std::int32_t>(roundHalfEven(exact));
    // The top of the plot is "Amplitude": a level that would touch it is drawn
    // just below, so every trace stays inside the frame.
    if (level >= amplitude - 1.0f)
        level = static_cast<std::int32_t>(roundHalfEven(amplitude - 2.0f));
    return level;
}

std::int32_t SpectrumAnalyzer::LevelToY(std::int32_t level, float amplitude, double top,
                                        double bottom, double windowHeight) {
    const double dbBelowTop = std::abs(static_cast<double>(amplitude) - level);
    return static_cast<std::int32_t>(
        roundHalfEven(top + dbBelowTop * (windowHeight - (top + bottom)) / kPlotSpanDb));
}

QByteArray SpectrumAnalyzer::selectPointCommand(int index) {
    const auto i = static_cast<unsigned char>(index & 0xFF);
    return radio::bytes({kSelectPoint, i, 0x00});
}

QByteArray SpectrumAnalyzer::levelRequestCommand() {
    return radio::bytes({kLevelAnswerLead, 0x02});
}

// ---------------------------------------------------------------------------
// The sweep

// Where the samples come from, decided anew for every point: a recording selected
// for playback (transport mode 4 with a file behind the selected source), otherwise
// the radio. Transport mode 0 does not occur while a sweep runs (the transport
// buttons stop every loop before they go idle); should it, it is measured like mode 4.
SpectrumAnalyzer::Source SpectrumAnalyzer::dataSource() const {
    // A paused playback is still a playback: it waits, and never turns to a radio
    // that was not set up for the run.
    const bool playback =
        (recorder_.TransportMode & Recorder::PlayingBit) != 0 && recorder_.selectedSourceHasFile();
    return playback ? Source::Playback : Source::Radio;
}

bool SpectrumAnalyzer::stopping() const {
    // A closing program also makes every exchange fail at once: without this check
    // a retry loop would spin.
    return flags_.SpectrumStopped || flags_.StopRequested || flags_.ApplicationClosing;
}

void SpectrumAnalyzer::SweepSpectrum(int sweepLimit) {
    data_.resize(settings_.NumberOfPoints);
    display_.PaintSpectrumWindow(true);
    // The radio stays in configuration mode for the whole run, where it takes point
    // selections and level requests.
    if (dataSource() == Source::Radio)
        modes_.ChangeRadioState(ModeProtocol::Config, false);

    int sweepCount = 0;
    for (;;) {
        if (stopping())
            return;

        if (!markers_.ViewMode) {
            const int points = data_.pointCount();
            for (int i = 0; i < points; ++i) {
                AcquirePoint(i);
                if (stopping())
                    return;
            }
            // A recorded sweep is in the file by the time it is shown.
            recorder_.flushRecording();
            data_.PreviousSweepTime = data_.SweepTime;
            data_.SweepTime = TimeOfDayMs();
            if (data_.PreviousSweepTime != 0) {
                data_.SweepTimeText = QStringLiteral("Sweep Time (mS): ") +
                                      shortestText(data_.SweepTime - data_.PreviousSweepTime);
            }
        }

        paintSweep();

        ++sweepCount;
        if (sweepCount == sweepLimit)
            flags_.SpectrumStopped = true;

        if (markers_.ViewMode && !stopping())
            waitInViewMode();
        else
            wait_.yieldOnce();
    }
}

void SpectrumAnalyzer::paintSweep() {
    // The readouts printed here are those the markers computed in the pass before.
    display_.PaintSpectrumTraces();
    markers_.PaintSpectrumTexts();
    markers_.PaintMarkers();

    const SpectrumMeterFigures figures = sweepFigures();
    const QString title = QStringLiteral("Hop Bin Analyzer");
    const QString peakAvg =
        QStringLiteral("Peak Avg: ") + formatOneDecimal(figures.peakMean) + QStringLiteral(" dBm");
    const QString trailingAvg = QStringLiteral("Trailing Avg: ") +
                                formatOneDecimal(figures.averageMean) + QStringLiteral(" dBm");
    // The needle shows the figure of the chosen meter; the captions the others.
    const std::int32_t meterType = settings_.MeterType[1];
    if (meterType == 0) {
        float value = static_cast<float>(figures.peakMean);
        meter_.DrawMeter(0, value, title, peakAvg, trailingAvg,
                         QStringLiteral("Percentage Good: ") + formatPercent(figures.fraction));
    } else if (meterType == 1) {
        float value = static_cast<float>(figures.fraction * 100.0);
        meter_.DrawMeter(0, value, title, trailingAvg, QString(), peakAvg);
    }
}

SpectrumMeterFigures SpectrumAnalyzer::sweepFigures() const {
    const float badLevel = settings_.BadThreshold[1][0];
    float good = 0;
    float peakSum = 0;
    float averageSum = 0;
    int peakCount = 0;
    int averageCount = 0;
    for (const SweepPoint& point : data_.SweepPoints) {
        const auto peak = static_cast<float>(point.PeakLevel);
        // A point never measured (peak exactly 0) is not held against the band.
        if (peak <= badLevel || point.PeakLevel == 0.0)
            good += 1;
        if (point.PeakLevel != 0.0) {
            peakSum += peak;
            ++peakCount;
        }
        if (point.AverageLevel != 0.0) {
            averageSum += static_cast<float>(point.AverageLevel);
            ++averageCount;
        }
    }
    SpectrumMeterFigures figures;
    const int points = data_.pointCount();
    figures.fraction = points > 0 ? static_cast<double>(good / static_cast<float>(points)) : 0.0;
    if (peakCount != 0)
        figures.peakMean = static_cast<double>(peakSum / static_cast<float>(peakCount));
    if (averageCount != 0)
        figures.averageMean = static_cast<double>(averageSum / static_cast<float>(averageCount));
    return figures;
}

void SpectrumAnalyzer::waitInViewMode() {
    idleTimer_.start(kViewRepaintIntervalMs);
    wait_.until([this] { return !idleTimer_.isActive() || !markers_.ViewMode || stopping(); });
    idleTimer_.stop();
}

void SpectrumAnalyzer::waitWhilePaused() {
    // Nothing changes until the user presses a button (an event); the bound only
    // keeps the loop looking.
    idleTimer_.start(kViewRepaintIntervalMs);
    wait_.until([this] { return !idleTimer_.isActive() || !recorder_.paused() || stopping(); });
    idleTimer_.stop();
}

// ---------------------------------------------------------------------------
// One point

void SpectrumAnalyzer::AcquirePoint(int index) {
    if (index < 0 || index >= data_.pointCount())
        return;

    if (dataSource() == Source::Playback) {
        while (recorder_.paused() && !stopping())
            waitWhilePaused();
        if (stopping() || dataSource() != Source::Playback)
            return;
        // The record's own point index is not used: a recording made with another
        // number of points is spread over the current points in record order.
        if (const std::optional<double> volts = readPlaybackSample())
            applySample(index, *volts);
        return;
    }

    const std::optional<int> raw = readPointFromRadio(index);
    if (!raw)
        return;

    const std::int32_t mode = recorder_.TransportMode;
    const double volts = RawToVolts(*raw);
    if (mode == Recorder::Recording) {
        // The sample voltage, twice: a *.san record has room for two values.
        recorder_.RecordPoint(index, static_cast<float>(volts), static_cast<float>(volts));
    } else {
        link_.ReceiveBuffer.remove(0, kLevelAnswerSize);
    }
    // Paused: the radio keeps being read (the line stays in step), but the point
    // keeps its old values.
    if (recorder_.paused())
        return;
    applySample(index, volts);
}

std::optional<int> SpectrumAnalyzer::readPointFromRadio(int index) {
    const QByteArray select = selectPointCommand(index);
    const QByteArray none;
    // Tune the receiver to the point: the radio echoes the selection.
    while (!modes_.ExchangeCommand(select, false, false, select, kSelectPointSize, false, false)) {
        if (stopping() || !recoverConfigMode())
            return std::nullopt;
    }
    if (stopping())
        return std::nullopt;

    // Ask for the level. Only a whole answer that starts with 0x21 is a reading:
    // fewer bytes, or junk at the head, is a failed exchange and is asked again
    // (the point stays selected, so the selection is not repeated).
    const QByteArray request = levelRequestCommand();
    for (;;) {
        if (modes_.ExchangeCommand(request, false, false, none, kLevelAnswerSize, false, false)) {
            if (const std::optional<int> raw = decodeLevelAnswer(link_.ReceiveBuffer)) {
                if (stopping())
                    return std::nullopt;
                return raw;
            }
        }
        if (stopping() || !recoverConfigMode())
            return std::nullopt;
    }
}

bool SpectrumAnalyzer::recoverConfigMode() {
    status_.ShowSpectrumLinkStatus(false);
    // "AT+++" CR is understood in configuration mode too: it brings a radio that
    // lost its place back to AT command mode, and 0xCC 0x65 into configuration mode.
    modes_.ExchangeCommand(QByteArray(), true, true, QByteArray(), 1, false, false);
    if (flags_.StopRequested || flags_.ApplicationClosing)
        return false;
    status_.ShowSpectrumLinkStatus(true);
    return true;
}

void SpectrumAnalyzer::applySample(int index, double volts) {
    const float amplitude = settings_.Amplitude;
    const std::int32_t level = VoltsToLevel(volts, amplitude);

    const double top = settings_.SpecAnTop;
    const double bottom = settings_.SpecAnBottom; // as laid out by the legend
    const Surface* surface = surfaces_.spectrumSurface();
    const double height =
        surface ? surface->scaleHeight() : top + bottom + kPlotSpanDb * kNominalTwipsPerDb;
    const std::int32_t y = LevelToY(level, amplitude, top, bottom, height);

    SweepPoint& point = data_.SweepPoints[static_cast<std::size_t>(index)];
    SweepPoint& previous = data_.PreviousSweepPoints[static_cast<std::size_t>(index)];

    // Where the real-time trace was drawn, so the display can erase it.
    previous.TraceY = point.TraceY;
    previous.TraceEndY = point.TraceEndY;

    // Real-time trace; with max hold only a stronger sample (smaller y) replaces it.
    if (!markers_.MaxHold || y < point.TraceY || point.TraceY == 0) {
        point.TraceY = y;
        point.TraceEndY = y;
        point.TraceLevel = level;
    }

    // Peak hold. The level is held even while the peak trace is not displayed.
    if (settings_.PeakCheck == 1 && (y < point.PeakY || point.PeakY == 0)) {
        point.PeakY = y;
        point.PeakEndY = y;
    }
    if (y <= point.PeakY || point.PeakY == 0)
        point.PeakLevel = level;

    // Running average; exactly 0 means none yet.
    if (point.AverageLevel == 0.0)
        point.AverageLevel = level;
    else
        point.AverageLevel = point.AverageLevel + kAverageWeight * (level - point.AverageLevel);

    if (settings_.AverageCheck == 1) {
        if (point.AverageY != 0)
            point.AverageY = static_cast<std::int32_t>(
                roundHalfEven(point.AverageY + kAverageWeight * (y - point.AverageY)));
        else
            point.AverageY = y;
        point.AverageEndY = point.AverageY;
    }
}

std::optional<double> SpectrumAnalyzer::readPlaybackSample() {
    const std::optional<FileVar> record =
        recorder_.NextPlaybackRecord([this] { return stopping(); });
    if (!record)
        return std::nullopt;
    link_.ReceiveBuffer.clear();
    recorder_.showPosition();
    // A detector voltage is never negative; that, or a sample that is not a number
    // (a damaged file, another kind of recording), leaves the point as it was.
    if (!std::isfinite(record->ValueA) || record->ValueA < 0.0f)
        return std::nullopt;
    return record->ValueA;
}

// ---------------------------------------------------------------------------
// Reset

void SpectrumAnalyzer::ResetSpectrum() {
    data_.resize(settings_.NumberOfPoints);
    data_.SweepTimeText.clear();
    markers_.FrequencyReadout.clear();
    markers_.AmplitudeReadout.clear();

    display_.LayoutSpectrumLegend();
    display_.ComputeCellGeometry();

    // Positions to 0 ("nothing drawn") and no average; the levels stay, and a peak
    // position of 0 lets the next sample overwrite the held peak level.
    for (auto* table : {&data_.SweepPoints, &data_.PreviousSweepPoints}) {
        for (SweepPoint& point : *table) {
            point.TraceY = 0;
            point.AverageY = 0;
            point.PeakY = 0;
            point.AverageLevel = 0.0;
        }
    }
}
