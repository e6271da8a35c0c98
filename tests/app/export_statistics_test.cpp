#include "recording/csv_text.h"
#include "core/number_text.h"
#include "app/statistics_table.h"
#include "network/network_window.h"
#include "support/main_window_fixture.h"

#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QTest>

namespace {

// Chooses File > Export Statistics... with the mouse.
void chooseExportStatistics(MainWindow& window) {
    QMenuBar* bar = window.menuBar();
    QAction* fileTitle = nullptr;
    for (QAction* action : bar->actions())
        if (action->text() == QStringLiteral("&File"))
            fileTitle = action;
    ASSERT_TRUE(fileTitle && fileTitle->menu());
    QMenu* file = fileTitle->menu();
    QAction* entry = nullptr;
    for (QAction* action : file->actions())
        if (action->text() == QStringLiteral("Export Statistics..."))
            entry = action;
    ASSERT_TRUE(entry);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(fileTitle).center());
    ASSERT_TRUE(runEventsUntil([&] { return file->isVisible(); }));
    QTest::mouseClick(file, Qt::LeftButton, {}, file->actionGeometry(entry).center());
    ASSERT_TRUE(runEventsUntil([&] { return !file->isVisible(); }));
}

CsvRows readCsv(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const CsvParse csv = parseCsv(file.readAll());
    EXPECT_TRUE(csv.error.isEmpty()) << csv.error.toStdString();
    return csv.rows;
}

} // namespace

class ExportStatisticsTest : public MainWindowOnEmulator {
protected:
    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        startSuite({QStringLiteral("--sync-delay"), QStringLiteral("0")});
        window->setFileDialogs(files);
    }
    void TearDown() override { QLocale::setDefault(previous); }

    QLocale previous;
    ScriptedFileDialogs files;
};

// What the hop bin window showed after a live run, bin by bin at both ends, then
// the totals; numbers with a dot on a German desktop.
TEST_F(ExportStatisticsTest, HopBinRunIsWrittenAsShown) {
    files.saveAnswer = dir.filePath(QStringLiteral("bins.csv"));
    chooseExportStatistics(*window);
    EXPECT_EQ(messages.shown.value(0).left(22), QStringLiteral("Nothing has been measu"));
    EXPECT_FALSE(QFile::exists(files.saveAnswer));
    messages.shown.clear();

    playFor(2000, [] {});
    const HopBinData& data = suite->hopBinData;
    ASSERT_GT(data.TotalReports, 0.0f);
    ASSERT_GT(data.HighestBin, 10);
    chooseExportStatistics(*window);
    EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown.join(u'\n').toStdString();
    EXPECT_EQ(files.requests.back().nameFilters.section(QStringLiteral(";;"), 0, 0),
              QStringLiteral("Statistics Files (*.csv)"));

    const CsvRows rows = readCsv(files.saveAnswer);
    const int bins = data.HighestBin + 1;
    ASSERT_EQ(rows.size(), 3 + bins + 1 + 6);
    EXPECT_EQ(rows[0].value(0), QStringLiteral("Hop Bin Statistics"));
    EXPECT_EQ(rows[2].size(), 11);
    const Settings& settings = suite->settings;
    for (int bin = 0; bin < bins; ++bin) {
        const QStringList& row = rows[3 + bin];
        ASSERT_EQ(row.size(), 11);
        EXPECT_EQ(row[0], QString::number(bin));
        for (int side = 0; side < 2; ++side) {
            const BinStats& s = data.HopBins[static_cast<std::size_t>(bin)][side];
            const int at = 1 + side * 5;
            // Each level reads back as the very float the display drew.
            EXPECT_EQ(row[at].toFloat(), s.Current) << bin << " " << side;
            EXPECT_EQ(row[at + 1].toFloat(), s.Peak);
            EXPECT_EQ(row[at + 2].toFloat(), s.Minimum);
            EXPECT_EQ(row[at + 3].toFloat(), s.TrailingAverage);
            const char* grade = s.Current > settings.MarginalThreshold[0][0] ? "Good"
                                : s.Current > settings.BadThreshold[0][0]    ? "Marginal"
                                                                             : "Bad";
            EXPECT_EQ(row[at + 4], QString::fromLatin1(grade));
        }
    }
    const CsvRows summary = rows.mid(3 + bins + 1);
    EXPECT_EQ(summary[0], (QStringList{"Total Reports", shortestText(data.TotalReports)}));
    EXPECT_EQ(summary[1], (QStringList{"Missed Bins", shortestText(data.MissedBins)}));
    EXPECT_EQ(summary[2].value(1).toDouble(), std::round(data.PercentageGood() * 1000.0) / 10.0);
}

// The spectrum test: every point with its frequency and traces, then the marker.
TEST_F(ExportStatisticsTest, SpectrumSweepIsWrittenWithItsMarker) {
    NetworkWindow* network = window->networkWindow();
    QTest::mouseClick(network->testOption(1), Qt::LeftButton);
    ASSERT_EQ(suite->settings.MeterTest, 1);
    playFor(3000, [] {});
    const SpectrumData& data = suite->spectrumData;
    ASSERT_NE(data.SweepPoints[0].TraceY, 0);

    files.saveAnswer = dir.filePath(QStringLiteral("spectrum.csv"));
    chooseExportStatistics(*window);
    EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown.join(u'\n').toStdString();
    const CsvRows rows = readCsv(files.saveAnswer);
    const int n = data.pointCount();
    ASSERT_GE(rows.size(), 3 + n + 3);
    EXPECT_EQ(rows[0].value(0), QStringLiteral("Spectrum Statistics"));
    EXPECT_EQ(rows[2], (QStringList{"Point", "Frequency (MHz)", "Real-Time (dB)", "Peak Hold (dB)",
                                    "Average (dB)"}));
    for (int i = 0; i < n; ++i) {
        const QStringList& row = rows[3 + i];
        const SweepPoint& p = data.SweepPoints[static_cast<std::size_t>(i)];
        EXPECT_NEAR(row[1].toDouble(), 902.0 + (i + 1) * 26.0 / (n + 1), 1e-4);
        EXPECT_EQ(row[2].toDouble(), p.TraceLevel) << i;
        EXPECT_EQ(row[3].toDouble(), p.PeakLevel) << i;
        EXPECT_NEAR(row[4].toDouble(), p.AverageLevel, 0.005) << i;
    }
    EXPECT_EQ(rows[3 + n + 1], (QStringList{"Marker", "Point", "Frequency (MHz)", "Level (dB)"}));
    EXPECT_EQ(rows[3 + n + 2].value(0), QStringLiteral("Marker 1"));
}
