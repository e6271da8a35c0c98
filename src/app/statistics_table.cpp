#include "app/statistics_table.h"

#include "core/number_text.h"
#include "core/settings.h"
#include "hopbin/hop_bin_data.h"
#include "hopbin/hop_bin_geometry.h"
#include "spectrum/spectrum_data.h"
#include "spectrum/spectrum_markers.h"

#include <algorithm>

namespace {

constexpr int kHopBinTest = 0;
constexpr int kAverageRssiMeter = 0;
// Frequencies to the kHz and below: the points of a 26 MHz span lie about 0.5 MHz
// apart, and the file should tell neighbouring points apart exactly.
constexpr int kFrequencyDecimals = 4;
constexpr int kLevelDecimals = 2;

QString level(float value) {
    return shortestText(value);
}

} // namespace

QString gradeName(Grade grade) {
    switch (grade) {
    case Grade::Good:
        return QStringLiteral("Good");
    case Grade::Marginal:
        return QStringLiteral("Marginal");
    case Grade::Bad:
        break;
    }
    return QStringLiteral("Bad");
}

QString gradeText(float level, const Settings& settings) {
    return gradeName(gradeLevel(level, settings.MarginalThreshold[kHopBinTest][kAverageRssiMeter],
                                settings.BadThreshold[kHopBinTest][kAverageRssiMeter]));
}

StatisticsTable hopBinStatistics(const HopBinData& data, const Settings& settings) {
    StatisticsTable table;
    table.title = QStringLiteral("Hop Bin Statistics");
    table.header = QStringList{QStringLiteral("Bin")};
    for (const QString& side : {QStringLiteral("Remote"), QStringLiteral("PC")})
        table.header << side + QStringLiteral(" Last (dBm)") << side + QStringLiteral(" Peak (dBm)")
                     << side + QStringLiteral(" Minimum (dBm)")
                     << side + QStringLiteral(" Average (dBm)") << side + QStringLiteral(" Grade");
    table.measured = data.TotalReports > 0;
    const int highestBin = std::clamp<int>(data.HighestBin, 0, kHopBinCount - 1);
    for (int bin = 0; bin <= highestBin; ++bin) {
        QStringList row{QString::number(bin)};
        for (const int side : {kRemoteSide, kPcSide}) {
            const BinStats& s = data.HopBins[static_cast<std::size_t>(bin)][side];
            row << level(s.Current) << level(s.Peak) << level(s.Minimum) << level(s.TrailingAverage)
                << gradeText(s.Current, settings);
        }
        table.rows << row;
    }
    table.summary << QStringList{QStringLiteral("Total Reports"), shortestText(data.TotalReports)}
                  << QStringList{QStringLiteral("Missed Bins"), shortestText(data.MissedBins)}
                  << QStringList{QStringLiteral("Percentage Good (%)"),
                                 formatOneDecimal(data.PercentageGood() * 100.0)}
                  << QStringList{QStringLiteral("Average RSSI (dBm)"),
                                 formatOneDecimal(data.AverageRssi())}
                  << QStringList{QStringLiteral("Marginal Threshold (dBm)"),
                                 level(settings.MarginalThreshold[kHopBinTest][kAverageRssiMeter])}
                  << QStringList{QStringLiteral("Bad Threshold (dBm)"),
                                 level(settings.BadThreshold[kHopBinTest][kAverageRssiMeter])};
    return table;
}

StatisticsTable spectrumStatistics(const SpectrumData& data, const SpectrumMarkers& markers,
                                   const Settings& settings) {
    StatisticsTable table;
    table.title = QStringLiteral("Spectrum Statistics");
    table.header = QStringList{QStringLiteral("Point"), QStringLiteral("Frequency (MHz)"),
                               QStringLiteral("Real-Time (dB)"), QStringLiteral("Peak Hold (dB)"),
                               QStringLiteral("Average (dB)")};
    const int n = data.pointCount();
    const auto frequency = [&](int i) {
        return SpectrumMarkers::PointFrequency(i, n, settings.CenterFrequency, settings.Span);
    };
    for (int i = 0; i < n; ++i) {
        const SweepPoint& p = data.SweepPoints[static_cast<std::size_t>(i)];
        // A y of 0 marks a point not measured since the reset; its levels are old.
        const bool measured = p.TraceY != 0;
        table.measured = table.measured || measured;
        table.rows << QStringList{
            QString::number(i), decimalText(frequency(i), kFrequencyDecimals),
            measured ? decimalText(p.TraceLevel, kLevelDecimals) : QString(),
            measured ? decimalText(p.PeakLevel, kLevelDecimals) : QString(),
            p.AverageLevel != 0.0 ? decimalText(p.AverageLevel, kLevelDecimals) : QString()};
    }

    if (n > 0) {
        table.extraHeader =
            QStringList{QStringLiteral("Marker"), QStringLiteral("Point"),
                        QStringLiteral("Frequency (MHz)"), QStringLiteral("Level (dB)")};
        const auto markerRow = [&](const QString& name, int index) {
            const int i = std::clamp(index, 0, n - 1);
            return QStringList{name, QString::number(i),
                               decimalText(frequency(i), kFrequencyDecimals),
                               decimalText(data.SweepPoints[static_cast<std::size_t>(i)].TraceLevel,
                                           kLevelDecimals)};
        };
        const int m1 = std::clamp<int>(markers.MarkerIndex[0], 0, n - 1);
        const int m2 = std::clamp<int>(markers.MarkerIndex[1], 0, n - 1);
        table.extraRows << markerRow(QStringLiteral("Marker 1"), m1);
        if (markers.DeltaMode) {
            table.extraRows << markerRow(QStringLiteral("Marker 2"), m2);
            const double levelDelta = data.SweepPoints[static_cast<std::size_t>(m2)].TraceLevel -
                                      data.SweepPoints[static_cast<std::size_t>(m1)].TraceLevel;
            table.extraRows << QStringList{
                QStringLiteral("Delta"), QString::number(m2 - m1),
                decimalText(frequency(m2) - frequency(m1), kFrequencyDecimals),
                decimalText(levelDelta, kLevelDecimals)};
        }
    }
    table.summary << QStringList{QStringLiteral("Center Frequency (MHz)"),
                                 shortestText(settings.CenterFrequency)}
                  << QStringList{QStringLiteral("Span (MHz)"), shortestText(settings.Span)}
                  << QStringList{QStringLiteral("Points"), QString::number(n)};
    return table;
}

CsvRows statisticsCsvRows(const StatisticsTable& table, const QDateTime& at) {
    CsvRows rows;
    rows << QStringList{table.title, at.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss"))};
    rows << QStringList{};
    rows << table.header;
    rows << table.rows;
    if (!table.extraHeader.isEmpty()) {
        rows << QStringList{};
        rows << table.extraHeader;
        rows << table.extraRows;
    }
    rows << QStringList{};
    rows << table.summary;
    return rows;
}
