#include "app/statistics_table.h"
#include "app/suite.h"
#include "core/settings.h"
#include "hopbin/hop_bin_data.h"
#include "network/query_file.h"
#include "recording/csv_text.h"
#include "spectrum/spectrum_data.h"
#include "spectrum/spectrum_markers.h"
#include "support/fakes.h"

#include <QLocale>
#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// A German desktop writes 95,3: every number in the files must still use a dot.
struct GermanLocale {
    GermanLocale() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    ~GermanLocale() { QLocale::setDefault(previous); }
    QLocale previous;
};

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
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* reason;
    };
    QByteArray huge = whole;
    while (huge.size() <= kQueryFileSizeLimit)
        huge += QByteArray(4096, ' ');
    QByteArray binary(600, '\0');
    QRandomGenerator random(14);
    for (char& c : binary)
        c = static_cast<char>(random.bounded(256));
    const qsizetype lastRow = whole.indexOf("00 00 00");
    const Case cases[] = {
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
    for (const Case& c : cases) {
        const QueryFileRead read = readQueryFile(c.bytes);
        EXPECT_TRUE(read.error.contains(QString::fromLatin1(c.reason)))
            << c.name << ": " << read.error.toStdString();
        EXPECT_TRUE(read.query.rows.isEmpty()) << c.name;
    }
}

// The hop bin statistics as the display shows them: last, peak, minimum, trailing
// average and the grade of the last level by the thresholds in force, then totals;
// on a German desktop every number in the file still uses a dot.
TEST(StatisticsTable, HopBinRowsAndTotals) {
    const GermanLocale german;
    EXPECT_EQ(QLocale().toString(95.5), u"95,5"_s); // the desktop would
    EXPECT_EQ(decimalText(902.50980392, 4), u"902.5098"_s);
    EXPECT_EQ(decimalText(-73.0, 2), u"-73"_s);
    EXPECT_EQ(decimalText(-0.001, 2), u"0"_s);
    EXPECT_EQ(csvLine({u"a,b"_s, u"1.5"_s}), u"\"a,b\",1.5\r\n"_s);
    Settings settings;
    settings.MarginalThreshold[0][0] = -70.5f;
    HopBinData data;
    data.ResetHopBins(settings.Amplitude);
    data.ApplyReport(1, -60.0f, -104.78f, settings.Amplitude, 1);
    data.ApplyReport(1, -75.5f, -90.0f, settings.Amplitude, 1);
    data.ApplyReport(0, -104.5f, -50.0f, settings.Amplitude, 1); // a missed bin

    const StatisticsTable table = hopBinStatistics(data, settings);
    ASSERT_TRUE(table.measured);
    ASSERT_EQ(table.rows.size(), 2);
    EXPECT_EQ(table.header.value(1), u"Remote Last (dBm)"_s);
    EXPECT_EQ(table.header.value(10), u"PC Grade"_s);
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
}

// The spectrum: every point's frequency and traces (unmeasured points empty), then
// both markers and their delta in delta mode.
TEST(StatisticsTable, SpectrumPointsMarkersAndDelta) {
    const GermanLocale german;
    ScriptedMessages messages;
    RecordedStatus status;
    TestSurfaces surfaces;
    Suite suite(messages, status, surfaces);
    const Settings& settings = suite.settings; // 915 MHz, 26 MHz span, 50 points
    SpectrumData& data = suite.spectrumData;
    ASSERT_EQ(data.pointCount(), 50);
    for (int i = 0; i < 50; ++i) {
        SweepPoint& p = data.SweepPoints[static_cast<std::size_t>(i)];
        p.TraceY = i == 7 ? 0 : 1000 + i;
        p.TraceLevel = -100 + i;
        p.PeakLevel = -90 + i;
        p.AverageLevel = i == 7 ? 0.0 : -95.25 + i;
    }
    SpectrumMarkers& markers = suite.spectrumMarkers;
    markers.MarkerIndex = {10, 20};
    markers.DeltaMode = true;

    const StatisticsTable table = spectrumStatistics(data, markers, settings);
    ASSERT_EQ(table.rows.size(), 50);
    EXPECT_EQ(table.rows[0], (QStringList{"0", "902.5098", "-100", "-90", "-95.25"}));
    EXPECT_EQ(table.rows[7], (QStringList{"7", "906.0784", "", "", ""}));
    EXPECT_EQ(table.extraRows, (CsvRows{{"Marker 1", "10", "907.6078", "-90"},
                                        {"Marker 2", "20", "912.7059", "-80"},
                                        {"Delta", "10", "5.098", "10"}}));

    markers.DeltaMode = false;
    EXPECT_EQ(spectrumStatistics(data, markers, settings).extraRows.size(), 1);
}
