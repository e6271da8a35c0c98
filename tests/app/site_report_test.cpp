#include "app/report_files.h"
#include "app/site_report.h"
#include "support/report_reading.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

SiteReport measuredReport() {
    SiteReport r;
    r.written = QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53));
    r.version = QStringLiteral("2.0.0");
    r.connection = QStringLiteral("TCP 10.0.0.5:4001");
    r.ownAddress = QStringLiteral("12 34 56");
    r.destination = QStringLiteral("0A 1B FF");
    r.testName = QStringLiteral("Hop Bin Analyzer");
    r.started = QDateTime(QDate(2026, 3, 14), QTime(9, 0, 0));
    r.ended = QDateTime(QDate(2026, 3, 14), QTime(9, 3, 20));
    r.bins.push_back(
        {0,
         {-62.5f, -60, -70.25f, -63, QStringLiteral("Good"), QStringLiteral("#00FF00")},
         {-97, -90, -104.78f, -96, QStringLiteral("Bad"), QStringLiteral("#FF0000")}});
    r.bins.push_back({1,
                      {-85, -80, -88, -84, QStringLiteral("Marginal"), QStringLiteral("#FFFF00")},
                      {-70, -66, -71, -69, QStringLiteral("Good"), QStringLiteral("#00B400")}});
    r.totalReports = 1234;
    r.missedBins = 7;
    r.percentageGood = 0.99433;
    r.averageRssi = -77.25;
    r.hopBinPicture = QByteArrayLiteral("\x89PNG fake");
    r.radios.push_back({QStringLiteral("0A 1B FF"), QStringLiteral("Server"), QStringLiteral("A"),
                        QStringLiteral("42"), QStringLiteral("Roof <north> & \"mast\" Müller")});
    r.thresholds.push_back(
        {QStringLiteral("Hop Bin Analyzer"), QStringLiteral("Average RSSI (dBm)"), -80, -95});
    return r;
}

QString cellText(const ReportTable& table, std::size_t row, std::size_t column) {
    if (row >= table.size() || column >= table[row].size())
        return QStringLiteral("<missing>");
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
    const ReportTable bins = parsed.tables.value(QStringLiteral("bins"));
    ASSERT_EQ(bins.size(), 2u);
    EXPECT_EQ(texts(bins, 0),
              QStringLiteral("0 -62.5 -60.0 -70.3 -63.0 Good -97.0 -90.0 -104.8 -96.0 Bad"));
    EXPECT_EQ(bins[0][5].background, QStringLiteral("#00FF00"));
    EXPECT_EQ(bins[0][10].background, QStringLiteral("#FF0000"));
    EXPECT_EQ(bins[1][5].background, QStringLiteral("#FFFF00"));

    const ReportTable quality = parsed.tables.value(QStringLiteral("quality"));
    ASSERT_EQ(quality.size(), 4u);
    const char* qualities[] = {"1234", "7", "99.4%", "-77.3 dBm"};
    for (std::size_t r = 0; r < 4; ++r)
        EXPECT_EQ(cellText(quality, r, 0), QLatin1String(qualities[r]));
    EXPECT_EQ(cellText(parsed.tables.value(QStringLiteral("radios")), 0, 4),
              QStringLiteral("Roof <north> & \"mast\" Müller"));
    EXPECT_EQ(texts(parsed.tables.value(QStringLiteral("thresholds")), 0),
              QStringLiteral("Hop Bin Analyzer Average RSSI (dBm) -80 -95"));
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
    EXPECT_TRUE(text.contains(QStringLiteral("the hop bin test has not run")));
    EXPECT_TRUE(text.contains(QStringLiteral("the spectrum test has not run")));
    EXPECT_TRUE(text.contains(QStringLiteral("no network query has run")));
    EXPECT_EQ(parsed.facts.value(QStringLiteral("Test")), QStringLiteral("no test has run"));
    EXPECT_EQ(parsed.facts.value(QStringLiteral("Radio's own address")),
              QStringLiteral("not read"));
    EXPECT_EQ(parsed.images, 0);

    EXPECT_EQ(durationText(5), QStringLiteral("5 s"));
    EXPECT_EQ(durationText(3725), QStringLiteral("1 h 02 min 05 s"));
    EXPECT_EQ(pdfPathBeside(QStringLiteral("/a/site.html")), QStringLiteral("/a/site.pdf"));
    EXPECT_EQ(pdfPathBeside(QStringLiteral("/a.b/site")), QStringLiteral("/a.b/site.pdf"));
}
