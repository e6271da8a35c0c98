#pragma once

#include "recording/csv_text.h"
#include "hopbin/hop_bin_geometry.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

struct HopBinData;
struct Settings;
struct SpectrumData;
class SpectrumMarkers;

// The statistics of the running (or last) test as tables of texts, for a CSV file
// or a report: numbers with a dot as the decimal mark whatever the locale, levels
// in dBm (hop bin test) or dB (spectrum test).
struct StatisticsTable {
    QString title;           // "Hop Bin Statistics", "Spectrum Statistics"
    QStringList header;      // the column headings of `rows`
    CsvRows rows;            // one per hop bin or per point
    QStringList extraHeader; // headings of `extraRows` (the markers), or empty
    CsvRows extraRows;       // marker rows of the spectrum test
    CsvRows summary;         // {name, value} pairs: totals, thresholds
    bool measured = false;   // false: nothing has been measured since the reset
};

// Hop bins 0 to HighestBin, each with the remote radio's and this computer's last
// level, peak, minimum, trailing average and grade (Good, Marginal, Bad, graded as
// the hop bin display grades the last level with the thresholds in force); then the
// total reports, missed bins, percentage good, average RSSI and the thresholds.
StatisticsTable hopBinStatistics(const HopBinData& data, const Settings& settings);

// Every point with its frequency, real-time level, peak hold and average (empty
// where the point has not been measured since the reset); the markers (marker 1,
// and in delta mode marker 2 and the delta) as their readouts give them.
StatisticsTable spectrumStatistics(const SpectrumData& data, const SpectrumMarkers& markers,
                                   const Settings& settings);

// The table as CSV records: title and time, the rows, a blank line, the markers
// (if any), a blank line, the summary.
CsvRows statisticsCsvRows(const StatisticsTable& table, const QDateTime& at);

// "Good", "Marginal" or "Bad" for a hop bin level with the thresholds in force.
QString gradeText(float level, const Settings& settings);
// "Good", "Marginal" or "Bad".
QString gradeName(Grade grade);
