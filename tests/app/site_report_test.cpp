#include "app/report_files.h"
#include "app/site_report.h"
#include "support/report_reading.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

// Every figure lands in its own cell, the grades carry the colours of the bars,
// and a description's markup characters and accents come through as text.
TEST(SiteReportHtml, FiguresGradesAndDescriptionsInTheirCellsAndPartsWithNothingSaySo) {
    SiteReport r;
    r.written = QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53));
    r.connection = u"TCP 10.0.0.5:4001"_s;
    r.ownAddress = u"12 34 56"_s;
    r.destination = u"0A 1B FF"_s;
    r.testName = u"Hop Bin Analyzer"_s;
    r.started = QDateTime(QDate(2026, 3, 14), QTime(9, 0, 0));
    r.ended = QDateTime(QDate(2026, 3, 14), QTime(9, 3, 20));
    r.bins.push_back({0,
                      {-62.5f, -60, -70.25f, -63, u"Good"_s, u"#00FF00"_s},
                      {-97, -90, -104.78f, -96, u"Bad"_s, u"#FF0000"_s}});
    r.totalReports = 1234;
    r.missedBins = 7;
    r.percentageGood = 0.99433;
    r.averageRssi = -77.25;
    r.hopBinPicture = QByteArrayLiteral("\x89PNG fake");
    r.radios.push_back(
        {u"0A 1B FF"_s, u"Server"_s, u"A"_s, u"42"_s, u"Roof <north> & \"mast\" Müller"_s});
    r.thresholds.push_back({u"Hop Bin Analyzer"_s, u"Average RSSI (dBm)"_s, -80, -95});

    const ReadReport read = readReport(siteReportHtml(r));
    ASSERT_FALSE(read.contains(u"error"_s)) << qPrintable(read.value(u"error"_s).join(u' '));
    for (const char* fact : {"Written | 2026-03-14 09:26:53", "Connection | TCP 10.0.0.5:4001",
                             "Radio's own address | 12 34 56", "Destination in use | 0A 1B FF",
                             "Test | Hop Bin Analyzer (live)", "Duration | 3 min 20 s"})
        EXPECT_TRUE(read.value(u"facts"_s).contains(QString::fromUtf8(fact))) << fact;
    EXPECT_EQ(read.value(u"bins"_s),
              QStringList{u"0 | -62.5 | -60.0 | -70.3 | -63.0 | Good #00FF00 | -97.0 | -90.0 | "
                          u"-104.8 | -96.0 | Bad #FF0000"_s});
    EXPECT_EQ(read.value(u"quality"_s),
              (QStringList{u"Hop bin: total reports | 1234"_s, u"Hop bin: missed bins | 7"_s,
                           u"Hop bin: percentage good | 99.4%"_s,
                           u"Hop bin: average RSSI | -77.3 dBm"_s}));
    EXPECT_EQ(read.value(u"radios"_s),
              QStringList{u"0A 1B FF | Server | A | 42 | Roof <north> & \"mast\" Müller"_s});
    EXPECT_EQ(read.value(u"thresholds"_s),
              QStringList{u"Hop Bin Analyzer | Average RSSI (dBm) | -80 | -95"_s});
    EXPECT_EQ(read.value(u"img"_s).size(), 1);

    // A part with nothing measured says so in words rather than showing an empty table.
    SiteReport none;
    none.written = r.written;
    const ReadReport empty = readReport(siteReportHtml(none));
    for (const char* id : {"error", "bins", "quality", "peaks", "radios", "markers", "img"})
        EXPECT_FALSE(empty.contains(QLatin1String(id))) << id;
    const QString text = empty.value(u"p"_s).join(u'\n');
    for (const char* said : {"the hop bin test has not run", "the spectrum test has not run",
                             "no network query has run"})
        EXPECT_TRUE(text.contains(QLatin1String(said))) << said;
    for (const QString& fact : {u"Test | no test has run"_s, u"Radio's own address | not read"_s})
        EXPECT_TRUE(empty.value(u"facts"_s).contains(fact)) << qPrintable(fact);

    EXPECT_EQ(durationText(5) + u'|' + durationText(3725), u"5 s|1 h 02 min 05 s"_s);
    EXPECT_EQ(pdfPathBeside(u"/a/site.html"_s) + u'|' + pdfPathBeside(u"/a.b/site"_s),
              u"/a/site.pdf|/a.b/site.pdf"_s);
}
