#include "app/statistics_table.h"
#include "app/suite.h"
#include "network/query_file.h"
#include "recording/csv_text.h"
#include "support/fakes.h"

#include <QLocale>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QueryFile sampleQuery() {
    QueryFile query;
    query.ranAt = QDateTime(QDate(2026, 12, 6), QTime(14, 3, 5));
    query.rows << QueryFileRow{"0A 1B FF", "Client", "5", "12", "Pump house, north wall"}
               << QueryFileRow{"2B 3C 4D", "Server", "3F", "1", "Mast \"B\"\nsecond line\r\nthird"}
               << QueryFileRow{"5E 6F 01", "", "", "7", "  Zähler Süd – Ωμ 測試 ,\"\" "}
               << QueryFileRow{"00 00 00", "Client", "0", "123456789", ""};
    return query;
}

} // namespace

// Commas, quotes, line breaks (LF and CR LF), blanks at the ends and text in any
// script come back exactly as they were written.
TEST(QueryFile, EveryFieldReadsBackExactly) {
    const QueryFile saved = sampleQuery();
    const QByteArray bytes = queryFileBytes(saved);
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF")); // UTF-8, said so for spreadsheets
    EXPECT_TRUE(bytes.contains("\"Pump house, north wall\"\r\n"));

    const QueryFileRead read = readQueryFile(bytes);
    ASSERT_TRUE(read.error.isEmpty()) << read.error.toStdString();
    EXPECT_EQ(read.query.ranAt, saved.ranAt);
    EXPECT_EQ(read.query.rows, saved.rows);

    // Written again without the byte order mark and with LF line ends between
    // records (as some editors save it): the same rows.
    const QByteArray lfOnly = bytes.mid(3).replace("\r\n0A", "\n0A").replace("\r\n00", "\n00");
    EXPECT_EQ(readQueryFile(lfOnly).query.rows, saved.rows);
}

// Whatever is wrong with a file, the reader says what and lists nothing.
TEST(QueryFile, DamagedTruncatedBinaryAndHugeFilesGiveAReason) {
    const QByteArray whole = queryFileBytes(sampleQuery());
    const QByteArray huge = whole + QByteArray(kQueryFileSizeLimit, ' ');
    QByteArray binary(600, '\0');
    QRandomGenerator random(14);
    for (char& c : binary)
        c = static_cast<char>(random.bounded(256));
    const qsizetype lastRow = whole.indexOf("00 00 00");
    const std::tuple<const char*, QByteArray, const char*> cases[] = {
        {"empty", QByteArray(), "empty"},
        {"cut at a line end", whole.left(lastRow), "cut short"},
        {"cut inside a row", whole.left(lastRow + 12), "not valid"},
        {"cut inside a quoted description", whole.left(whole.indexOf("second line")), "not closed"},
        {"binary", binary, "not a text file"},
        {"NUL bytes", QByteArray(whole).insert(40, '\0'), "not a text file"},
        {"huge", huge, "larger"},
        {"another CSV", "Name,Phone\r\nAnn,123\r\n", "not a saved network query"},
        {"stray quote", QByteArray(whole).replace("Pump house", "Pump\" house"), "damaged"},
        {"bad address", QByteArray(whole).replace("0A 1B FF", "0A 1B FG"), "not a radio address"},
        {"bad count", QByteArray(whole).replace(",12,", ",-2,"), "not a count"},
        {"bad time", QByteArray(whole).replace("2026-12-06", "2026-13-06"), "not a valid time"},
        {"twice", QByteArray(whole).replace("2B 3C 4D", "0A 1B FF"), "listed twice"},
        {"headings", QByteArray(whole).replace("RF Channel", "Channel"), "headings"},
    };
    for (const auto& [name, bytes, reason] : cases) {
        const QueryFileRead read = readQueryFile(bytes);
        EXPECT_TRUE(read.error.contains(QString::fromLatin1(reason)) && read.query.rows.isEmpty())
            << name << ": " << read.error.toStdString();
    }
}

// The hop bin statistics as the display shows them: last, peak, minimum, trailing
// average and the grade of the last level by the thresholds in force, then totals.
// The spectrum: every point's frequency and traces (unmeasured points empty), then
// both markers and their delta in delta mode. A German desktop writes 95,5: every
// number in the files still uses a dot.
TEST(StatisticsTable, HopBinAndSpectrumRowsAsShown) {
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const auto restore = qScopeGuard([&previous] { QLocale::setDefault(previous); });
    EXPECT_EQ(QLocale().toString(95.5), u"95,5"_s); // the desktop would
    EXPECT_EQ(decimalText(902.50980392, 4), u"902.5098"_s);
    EXPECT_EQ(decimalText(-73.0, 2), u"-73"_s);
    EXPECT_EQ(decimalText(-0.001, 2), u"0"_s);
    EXPECT_EQ(csvLine({u"a,b"_s, u"1.5"_s}), u"\"a,b\",1.5\r\n"_s);
    ScriptedMessages messages;
    RecordedStatus status;
    TestSurfaces surfaces;
    Suite suite(messages, status, surfaces);
    Settings& settings = suite.settings; // 915 MHz, 26 MHz span, 50 points
    settings.MarginalThreshold[0][0] = -70.5f;
    HopBinData& data = suite.hopBinData;
    data.ResetHopBins(settings.Amplitude);
    data.ApplyReport(1, -60.0f, -104.78f, settings.Amplitude, 1);
    data.ApplyReport(1, -75.5f, -90.0f, settings.Amplitude, 1);
    data.ApplyReport(0, -104.5f, -50.0f, settings.Amplitude, 1); // a missed bin

    const StatisticsTable table = hopBinStatistics(data, settings);
    ASSERT_TRUE(table.measured);
    ASSERT_EQ(table.rows.size(), 2);
    EXPECT_EQ(table.header.value(1) + u'|' + table.header.value(10),
              u"Remote Last (dBm)|PC Grade"_s);
    // Bin 1: remote -60 then -75.5 (average -105 -> -91.5 -> -86.7); PC missed, then -90.
    EXPECT_EQ(table.rows[1], (QStringList{"1", "-75.5", "-60", "-75.5", "-86.7", "Marginal", "-90",
                                          "-90", "-104.78", "-100.4538", "Marginal"}));
    EXPECT_EQ(table.rows[0].value(5), u"Bad"_s);   // -104.5 at or below -95
    EXPECT_EQ(table.rows[0].value(10), u"Good"_s); // -50 above -70.5

    EXPECT_EQ(
        table.summary.mid(0, 3),
        (CsvRows{{"Total Reports", "3"}, {"Missed Bins", "1"}, {"Percentage Good (%)", "66.7"}}));
    EXPECT_EQ(table.summary.value(4), (QStringList{"Marginal Threshold (dBm)", "-70.5"}));

    const QString csv = csvText(statisticsCsvRows(table, QDateTime(QDate(2026, 1, 2), {})));
    EXPECT_TRUE(csv.startsWith(u"Hop Bin Statistics,2026-01-02T00:00:00\r\n\r\n"_s));
    EXPECT_TRUE(csv.contains(u"\r\nTotal Reports,3\r\n"_s));

    SpectrumData& spectrum = suite.spectrumData;
    ASSERT_EQ(spectrum.pointCount(), 50);
    for (int i = 0; i < 50; ++i) {
        SweepPoint& p = spectrum.SweepPoints[static_cast<std::size_t>(i)];
        p.TraceY = i == 7 ? 0 : 1000 + i;
        p.TraceLevel = -100 + i;
        p.PeakLevel = -90 + i;
        p.AverageLevel = i == 7 ? 0.0 : -95.25 + i;
    }
    SpectrumMarkers& markers = suite.spectrumMarkers;
    markers.MarkerIndex = {10, 20};
    markers.DeltaMode = true;

    const StatisticsTable sweep = spectrumStatistics(spectrum, markers, settings);
    ASSERT_EQ(sweep.rows.size(), 50);
    EXPECT_EQ(sweep.rows[0], (QStringList{"0", "902.5098", "-100", "-90", "-95.25"}));
    EXPECT_EQ(sweep.rows[7], (QStringList{"7", "906.0784", "", "", ""}));
    EXPECT_EQ(sweep.extraRows, (CsvRows{{"Marker 1", "10", "907.6078", "-90"},
                                        {"Marker 2", "20", "912.7059", "-80"},
                                        {"Delta", "10", "5.098", "10"}}));

    markers.DeltaMode = false;
    EXPECT_EQ(spectrumStatistics(spectrum, markers, settings).extraRows.size(), 1);
}
