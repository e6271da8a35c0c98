// File > Export Statistics... after each analyzer's live run, on a German desktop:
// what the window showed, as the statistics tables have it, in a file of numbers
// with a dot.

#include "core/number_text.h"
#include "network/network_window.h"
#include "recording/csv_text.h"
#include "support/main_window_fixture.h"
#include "user_input.h"

#include <QLocale>
#include <QRadioButton>

namespace {

CsvRows readCsv(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const CsvParse csv = parseCsv(file.readAll());
    EXPECT_TRUE(csv.error.isEmpty()) << csv.error.toStdString();
    return csv.rows;
}

// A German desktop writes 95,3 where the file must have 95.3.
struct GermanDesktop {
    GermanDesktop() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    ~GermanDesktop() { QLocale::setDefault(previous); }
    QLocale previous;
};

} // namespace

TEST_F(MainWindowOnEmulator, ExportStatisticsWritesEachAnalyzersRunAsShown) {
    const GermanDesktop german;
    startSuite({QStringLiteral("--sync-delay"), QStringLiteral("0")});
    ScriptedFileDialogs files;
    window->setFileDialogs(files);
    const auto exportTo = [&](const char* name) {
        files.saveAnswer = dir.filePath(QLatin1String(name));
        chooseFromMenu(*window, QStringLiteral("&File"), QStringLiteral("Export Statistics..."));
        return readCsv(files.saveAnswer);
    };
    EXPECT_TRUE(exportTo("none.csv").isEmpty());
    EXPECT_TRUE(messages.shown.value(0).startsWith(QStringLiteral("Nothing has been measu")));
    EXPECT_FALSE(QFile::exists(files.saveAnswer));
    messages.shown.clear();

    playFor(2000, [] {});
    const HopBinData& data = suite->hopBinData;
    ASSERT_GT(data.HighestBin, 10);
    CsvRows rows = exportTo("bins.csv");
    EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown.join(u'\n').toStdString();
    EXPECT_EQ(files.requests.back().nameFilters.section(QStringLiteral(";;"), 0, 0),
              QStringLiteral("Statistics Files (*.csv)"));
    const int bins = data.HighestBin + 1;
    ASSERT_EQ(rows.size(), 3 + bins + 1 + 6);
    EXPECT_EQ(rows[0].value(0), QStringLiteral("Hop Bin Statistics"));
    for (int bin = 0; bin < bins; ++bin) {
        const QStringList& row = rows[3 + bin];
        ASSERT_EQ(row.size(), 11);
        EXPECT_EQ(row[0], QString::number(bin));
        for (int side = 0; side < 2; ++side) {
            const BinStats& s = data.HopBins[static_cast<std::size_t>(bin)][side];
            // Each level reads back as the very float the display drew.
            EXPECT_EQ(row[1 + side * 5].toFloat(), s.Current) << bin << " " << side;
            EXPECT_EQ(row[4 + side * 5].toFloat(), s.TrailingAverage) << bin << " " << side;
        }
    }
    EXPECT_EQ(rows[3 + bins + 1], (QStringList{"Total Reports", shortestText(data.TotalReports)}));

    QTest::mouseClick(window->networkWindow()->testOption(1), Qt::LeftButton);
    playFor(3000, [] {});
    const SpectrumData& sweep = suite->spectrumData;
    rows = exportTo("spectrum.csv");
    EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown.join(u'\n').toStdString();
    const int n = sweep.pointCount();
    ASSERT_GE(rows.size(), 3 + n + 3);
    EXPECT_EQ(rows[0].value(0), QStringLiteral("Spectrum Statistics"));
    for (int i = 0; i < n; ++i) {
        const SweepPoint& p = sweep.SweepPoints[static_cast<std::size_t>(i)];
        EXPECT_EQ(rows[3 + i][2].toDouble(), p.TraceLevel) << i;
        EXPECT_EQ(rows[3 + i][3].toDouble(), p.PeakLevel) << i;
    }
    EXPECT_EQ(rows[3 + n + 2].value(0), QStringLiteral("Marker 1"));
}
