#include "app/report_files.h"
#include "app/site_report.h"
#include "support/report_reading.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

SiteReport measuredReport() {
    SiteReport r;
    r.written = QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53));
    r.version = u"2.0.0"_s;
    r.connection = u"TCP 10.0.0.5:4001"_s;
    r.ownAddress = u"12 34 56"_s;
    r.destination = u"0A 1B FF"_s;
    r.testName = u"Hop Bin Analyzer"_s;
    r.started = QDateTime(QDate(2026, 3, 14), QTime(9, 0, 0));
    r.ended = QDateTime(QDate(2026, 3, 14), QTime(9, 3, 20));
    r.bins.push_back({0,
                      {-62.5f, -60, -70.25f, -63, u"Good"_s, u"#00FF00"_s},
                      {-97, -90, -104.78f, -96, u"Bad"_s, u"#FF0000"_s}});
    r.bins.push_back({1,
                      {-85, -80, -88, -84, u"Marginal"_s, u"#FFFF00"_s},
                      {-70, -66, -71, -69, u"Good"_s, u"#00B400"_s}});
    r.totalReports = 1234;
    r.missedBins = 7;
    r.percentageGood = 0.99433;
    r.averageRssi = -77.25;
    r.hopBinPicture = QByteArrayLiteral("\x89PNG fake");
    r.radios.push_back(
        {u"0A 1B FF"_s, u"Server"_s, u"A"_s, u"42"_s, u"Roof <north> & \"mast\" Müller"_s});
    r.thresholds.push_back({u"Hop Bin Analyzer"_s, u"Average RSSI (dBm)"_s, -80, -95});
    return r;
}

QString cellText(const ReportTable& table, std::size_t row, std::size_t column) {
    if (row >= table.size() || column >= table[row].size())
        return u"<missing>"_s;
    return table[row][column].text;
}

} // namespace

// Every figure lands in its own cell, the grades carry the colours of the bars,
// and a description's markup characters and accents come through as text.
TEST(SiteReportHtml, FiguresGradesAndDescriptionsInTheirCells) {
    const ParsedReport parsed = parseReport(siteReportHtml(measuredReport()));
    ASSERT_TRUE(parsed.wellFormed) << qPrintable(parsed.error);

    const std::pair<const char*, const char*> facts[] = {
        {"Written", "2026-03-14 09:26:53"},  {"Connection", "TCP 10.0.0.5:4001"},
        {"Radio's own address", "12 34 56"}, {"Destination in use", "0A 1B FF"},
        {"Test", "Hop Bin Analyzer (live)"}, {"Duration", "3 min 20 s"}};
    for (const auto& [name, value] : facts)
        EXPECT_EQ(parsed.facts.value(QLatin1String(name)), QString::fromUtf8(value)) << name;

    const auto texts = [](const ReportTable& table, std::size_t row) {
        QStringList out;
        for (const ReportCell& cell : row < table.size() ? table[row] : std::vector<ReportCell>{})
            out << cell.text;
        return out.join(u' ');
    };
    const ReportTable bins = parsed.tables.value(u"bins"_s);
    ASSERT_EQ(bins.size(), 2u);
    EXPECT_EQ(texts(bins, 0), u"0 -62.5 -60.0 -70.3 -63.0 Good -97.0 -90.0 -104.8 -96.0 Bad"_s);
    EXPECT_EQ(bins[0][5].background, u"#00FF00"_s);
    EXPECT_EQ(bins[0][10].background, u"#FF0000"_s);
    EXPECT_EQ(bins[1][5].background, u"#FFFF00"_s);

    const ReportTable quality = parsed.tables.value(u"quality"_s);
    ASSERT_EQ(quality.size(), 4u);
    const char* qualities[] = {"1234", "7", "99.4%", "-77.3 dBm"};
    for (std::size_t r = 0; r < 4; ++r)
        EXPECT_EQ(cellText(quality, r, 0), QLatin1String(qualities[r]));
    EXPECT_EQ(cellText(parsed.tables.value(u"radios"_s), 0, 4),
              u"Roof <north> & \"mast\" Müller"_s);
    EXPECT_EQ(texts(parsed.tables.value(u"thresholds"_s), 0),
              u"Hop Bin Analyzer Average RSSI (dBm) -80 -95"_s);
    EXPECT_EQ(parsed.images, 1);
}

// A part with nothing measured says so in words rather than showing an empty table.
TEST(SiteReportHtml, PartsWithNothingMeasuredSaySo) {
    SiteReport r;
    r.written = QDateTime::currentDateTime();
    const ParsedReport parsed = parseReport(siteReportHtml(r));
    ASSERT_TRUE(parsed.wellFormed) << qPrintable(parsed.error);
    for (const char* id : {"bins", "quality", "peaks", "radios", "markers"})
        EXPECT_FALSE(parsed.tables.contains(QLatin1String(id))) << id;
    const QString text = parsed.paragraphs.join(u'\n');
    for (const char* said : {"the hop bin test has not run", "the spectrum test has not run",
                             "no network query has run"})
        EXPECT_TRUE(text.contains(QLatin1String(said))) << said;
    EXPECT_EQ(parsed.facts.value(u"Test"_s), u"no test has run"_s);
    EXPECT_EQ(parsed.facts.value(u"Radio's own address"_s), u"not read"_s);
    EXPECT_EQ(parsed.images, 0);

    EXPECT_EQ(durationText(5), u"5 s"_s);
    EXPECT_EQ(durationText(3725), u"1 h 02 min 05 s"_s);
    EXPECT_EQ(pdfPathBeside(u"/a/site.html"_s), u"/a/site.pdf"_s);
    EXPECT_EQ(pdfPathBeside(u"/a.b/site"_s), u"/a.b/site.pdf"_s);
}
