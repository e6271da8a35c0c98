// The File and Edit menu commands that write what the suite measured: Save Report,
// Save Picture, Copy Picture and Export Statistics, chosen with the mouse after
// live runs on the emulator. The report's own layout and figures from known data
// are checked in site_report_test.cpp, the statistics tables in
// site_documents_test.cpp; here, that each command takes what the suite holds.

#include "app/report_files.h"
#include "core/number_text.h"
#include "hopbin/hop_bin_geometry.h"
#include "hopbin/hop_bin_window.h"
#include "network/network_window.h"
#include "recording/csv_text.h"
#include "spectrum/spectrum_window.h"
#include "support/failing_folders.h"
#include "support/main_window_fixture.h"
#include "support/report_reading.h"
#include "ui/image_surface.h"
#include "user_input.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRadioButton>

namespace {

// The suite's own colour numbers (0x00BBGGRR) as a report writes them.
QString htmlColour(Colour c) {
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF).name().toUpper();
}

QImage imageOf(Surface* surface) {
    auto* image = dynamic_cast<ImageSurface*>(surface);
    return image ? image->image() : QImage();
}

class ReportCommandsTest : public MainWindowOnEmulator {
protected:
    void start(const QStringList& emulatorArgs = {}, const QByteArray& storedSettings = {}) {
        startSuite(emulatorArgs, storedSettings);
        window->setFileDialogs(dialogs);
    }
    // Chooses `entry` of `menu` with `path` as the file the user names.
    void saveAs(const QString& menu, const QString& entry, const QString& path) {
        dialogs.saveAnswer = path;
        chooseFromMenu(*window, menu, entry);
    }
    void saveReport(const QString& path) {
        saveAs(QStringLiteral("&File"), QStringLiteral("Save &Report..."), path);
    }
    std::string shown() const { return messages.shown.join(u'\n').toStdString(); }

    // Run Query with the mouse; Stop Query once the emulator's three radios are listed.
    void runQueryUntilThreeRadios() {
        NetworkWindow* network = window->networkWindow();
        QPushButton* stop = buttonCalled(network, QStringLiteral("Stop Query"));
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, stop, [&] {
            if (suite->query.MacAddressCount >= 3) {
                poll.stop();
                QTest::mouseClick(stop, Qt::LeftButton);
            }
        });
        poll.start(50);
        QTest::mouseClick(buttonCalled(network, QStringLiteral("Run Query")), Qt::LeftButton);
        ASSERT_TRUE(runEventsUntil([this] { return !suite->query.running(); }, 10000));
    }

    // Makes the sub-window around `tool` the active one, as a click on its title does.
    void activate(QWidget* tool) {
        auto* sub = qobject_cast<QMdiSubWindow*>(tool->parentWidget());
        QTest::mouseClick(sub, Qt::LeftButton, {}, QPoint(sub->width() / 2, 8));
        ASSERT_TRUE(runEventsUntil([&] { return sub->mdiArea()->activeSubWindow() == sub; }));
    }

    ScriptedFileDialogs dialogs;
};

CsvRows readCsv(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? parseCsv(file.readAll()).rows : CsvRows{};
}

} // namespace

// A site report after a query and a live hop bin run: the connection, the radios
// and the run, each bin's figures and grade colours, the totals and the radios
// heard with their descriptions, in the HTML and in the PDF printed beside it.
TEST_F(ReportCommandsTest, ReportOfAQueryAndAHopBinRunHoldsTheirFigures) {
    start({QStringLiteral("--report-rate"), QStringLiteral("500")});
    const QString description = QStringLiteral("Roof mast <north> & Müller");
    WriteDescription(*store, QStringLiteral("0A 1B FF"), description);
    runQueryUntilThreeRadios();
    playFor(1500, [] {});
    const QString path = dir.filePath(QStringLiteral("site.html"));
    saveReport(path);
    ASSERT_TRUE(messages.shown.isEmpty()) << shown();
    EXPECT_EQ(dialogs.requests.at(0).nameFilters,
              QStringLiteral("HTML Reports (*.html);;All Files (*)"));

    const ParsedReport report = parseReport(readText(path));
    ASSERT_TRUE(report.wellFormed) << qPrintable(report.error);
    // The radios heard after the first made an earlier one the destination: the
    // report names the one the radio has now.
    const QString state = emulator.command(QStringLiteral("state"));
    const QString destination = state.mid(state.indexOf(QStringLiteral("dest=")) + 5, 6);
    const std::pair<const char*, QString> facts[] = {
        {"Suite version", QStringLiteral(VELTRANE_VERSION)},
        {"Connection", QStringLiteral("Serial port ") + emulator.devicePath()},
        {"Radio's own address", QStringLiteral("12 34 56")},
        {"Test", QStringLiteral("Hop Bin Analyzer (live)")}};
    for (const auto& [name, value] : facts)
        EXPECT_EQ(report.facts.value(QLatin1String(name)), value) << name;
    EXPECT_EQ(QString(report.facts.value(QStringLiteral("Destination in use"))).remove(u' '),
              destination);
    EXPECT_FALSE(report.facts.value(QStringLiteral("Ended")).isEmpty());
    EXPECT_TRUE(report.facts.value(QStringLiteral("Duration")).endsWith(QStringLiteral(" s")));

    const HopBinData& data = suite->hopBinData;
    const ReportTable bins = report.tables.value(QStringLiteral("bins"));
    ASSERT_EQ(bins.size(), static_cast<std::size_t>(data.HighestBin + 1));
    const float marginal = suite->settings.MarginalThreshold[0][0];
    const float bad = suite->settings.BadThreshold[0][0];
    for (int b = 0; b <= data.HighestBin; ++b) {
        const auto& row = bins[static_cast<std::size_t>(b)];
        ASSERT_EQ(row.size(), 11u);
        EXPECT_EQ(row[0].text, QString::number(b));
        for (int side = 0; side < 2; ++side) {
            const BinStats& s = data.HopBins[static_cast<std::size_t>(b)][side];
            const std::size_t c = 1 + 5 * side;
            const QStringList figures{formatOneDecimal(s.Current), formatOneDecimal(s.Peak),
                                      formatOneDecimal(s.Minimum),
                                      formatOneDecimal(s.TrailingAverage)};
            for (int f = 0; f < 4; ++f)
                EXPECT_EQ(row[c + f].text, figures[f]) << b << " " << side << " " << f;
            const Grade grade = gradeLevel(s.Current, marginal, bad);
            EXPECT_EQ(row[c + 4].background,
                      htmlColour(side == 0 ? remoteGradeColour(grade) : pcGradeColour(grade)));
        }
    }
    const ReportTable quality = report.tables.value(QStringLiteral("quality"));
    ASSERT_GE(quality.size(), 4u);
    EXPECT_EQ(quality[0][0].text, shortestText(data.TotalReports));
    EXPECT_EQ(quality[1][0].text, shortestText(data.MissedBins));
    EXPECT_EQ(quality[2][0].text, formatPercent(data.PercentageGood()));

    // The emulator's radios, in the order they were heard, as the grid lists them.
    const ReportTable radios = report.tables.value(QStringLiteral("radios"));
    ASSERT_EQ(radios.size(), 3u);
    for (int r = 0; r < 3; ++r) {
        const auto& row = radios[static_cast<std::size_t>(r)];
        ASSERT_EQ(row.size(), 5u);
        EXPECT_EQ(row[0].text, suite->query.MacAddressList.value(r));
        const bool server = row[0].text == QStringLiteral("0A 1B FF");
        EXPECT_EQ(row[1].text, server ? QStringLiteral("Server") : QStringLiteral("Client"));
        EXPECT_EQ(row[2].text, QStringLiteral("A"));
        EXPECT_EQ(row[3].text, window->networkWindow()->cell(r + 1, 4));
        EXPECT_EQ(row[4].text, server ? description : QString());
    }
    EXPECT_EQ(report.images, 2); // the hop bin chart and the meter
    EXPECT_TRUE(
        report.paragraphs.join(u'\n').contains(QStringLiteral("the spectrum test has not run")));

    const QString printed = pdfText(dir.filePath(QStringLiteral("site.pdf")));
    if (printed.isNull())
        GTEST_SKIP() << "pdftotext (poppler-utils) is missing: the PDF's text is not checked";
    for (const QString& expected : {QStringLiteral("Hop Bin Analyzer (live)"), description,
                                    formatPercent(data.PercentageGood())})
        EXPECT_TRUE(printed.contains(expected)) << qPrintable(expected);
}

// A spectrum report: the peaks of the 5 dB rule on the emulator's two carriers,
// the marker readouts as the window shows them, and no hop bin table.
TEST_F(ReportCommandsTest, ReportOfASpectrumRunListsItsPeaksAndMarkers) {
    start({QStringLiteral("--carrier"), QStringLiteral("12,-55"), QStringLiteral("--carrier"),
           QStringLiteral("33,-70")},
          "[Settings]\nMeter%20Test=1\n");
    SpectrumWindow* spectrum = window->spectrumWindow();
    playFor(2000, [spectrum] { QTest::keyClick(spectrum, Qt::Key_F4); });
    const QString path = dir.filePath(QStringLiteral("spectrum"));
    saveReport(path); // a name without a suffix: the PDF gets ".pdf" added
    ASSERT_TRUE(messages.shown.isEmpty()) << shown();
    const ParsedReport report = parseReport(readText(path));
    ASSERT_TRUE(report.wellFormed) << qPrintable(report.error);
    EXPECT_EQ(report.facts.value(QStringLiteral("Test")),
              QStringLiteral("Spectrum Analyzer (live)"));
    EXPECT_FALSE(report.tables.contains(QStringLiteral("bins")));

    const auto frequency = [this](int point) {
        return QString::number(
            SpectrumMarkers::PointFrequency(point, suite->spectrumData.pointCount(),
                                            suite->settings.CenterFrequency, suite->settings.Span),
            'f', 2);
    };
    QStringList found;
    for (const auto& row : report.tables.value(QStringLiteral("peaks")))
        found << row[0].text;
    EXPECT_EQ(found, (QStringList{frequency(12), frequency(33)}));
    EXPECT_TRUE(report.paragraphs.contains(suite->spectrumMarkers.FrequencyReadout));
    EXPECT_TRUE(report.paragraphs.contains(suite->spectrumMarkers.AmplitudeReadout));
    EXPECT_TRUE(QFile::exists(path + QStringLiteral(".pdf")));
}

// Save Picture and Copy Picture take the analyzer the user clicked last: the
// meter of the Network Query window, then the hop bin chart, pixel for pixel and
// at the screen's resolution. Saves that cannot finish leave nothing behind.
TEST_F(ReportCommandsTest, PicturesOfTheActiveAnalyzerAndSavesThatCannotFinish) {
    start();
    playFor(1000, [] {});
    activate(window->networkWindow());
    const QString meterPath = dir.filePath(QStringLiteral("meter.png"));
    saveAs(QStringLiteral("&File"), QStringLiteral("Save &Picture..."), meterPath);
    ASSERT_TRUE(messages.shown.isEmpty()) << shown();
    EXPECT_EQ(dialogs.requests.at(0).nameFilters,
              QStringLiteral("PNG Images (*.png);;All Files (*)"));
    EXPECT_TRUE(QFileInfo(dialogs.requests[0].selectedFile)
                    .fileName()
                    .startsWith(QStringLiteral("meter-")));
    const QImage saved(meterPath), meter = imageOf(surfaces.meter);
    EXPECT_EQ(saved.convertToFormat(meter.format()), meter);
    EXPECT_EQ(saved.dotsPerMeterX(), 3780); // 96 dots per inch

    activate(window->hopBinWindow());
    chooseFromMenu(*window, QStringLiteral("&Edit"), QStringLiteral("&Copy Picture"));
    const QImage copied = QGuiApplication::clipboard()->image(), chart = imageOf(surfaces.hopBin);
    ASSERT_FALSE(copied.isNull());
    EXPECT_EQ(copied.convertToFormat(chart.format()), chart);

    // A folder that cannot be written and a disk that fills up part of the way: a
    // message that names the file and the reason, and no file left behind, not even
    // a part of one; a report saved there before stays as it was.
    const auto entries = [](const QString& folder) {
        return QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden);
    };
    {
        const ReadOnlyFolder locked(dir.filePath(QStringLiteral("read-only")));
        if (!locked.path().isEmpty()) {
            saveReport(locked.path() + QStringLiteral("/site.html"));
            saveAs(QStringLiteral("&File"), QStringLiteral("Save &Picture..."),
                   locked.path() + QStringLiteral("/chart.png"));
            ASSERT_EQ(messages.shown.size(), 2);
            EXPECT_TRUE(messages.shown[0].contains(locked.path() + QStringLiteral("/site.")));
            EXPECT_TRUE(messages.shown[1].contains(locked.path() + QStringLiteral("/chart.png")));
            for (const QString& text : messages.shown)
                EXPECT_TRUE(text.contains(QStringLiteral("Nothing was written"))) << shown();
            EXPECT_TRUE(entries(locked.path()).isEmpty());
        }
    }
    const QString full = dir.filePath(QStringLiteral("full"));
    QDir().mkpath(full);
    const QString path = full + QStringLiteral("/site.html");
    {
        QFile earlier(path);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier report");
    }
    messages.shown.clear();
    {
        const FileSizeLimit diskFillsUp(4096); // after 4 KiB of a file
        ASSERT_TRUE(diskFillsUp.active());
        saveReport(path);
    }
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].contains(QStringLiteral("Nothing was written"))) << shown();
    EXPECT_EQ(entries(full), QStringList{QStringLiteral("site.html")});
    EXPECT_EQ(readText(path), QStringLiteral("earlier report"));
}

// File > Export Statistics... after each analyzer's live run, on a German desktop:
// what the window showed, in a file of numbers with a dot that read back as the
// very values the display drew.
TEST_F(ReportCommandsTest, ExportStatisticsWritesEachAnalyzersRunAsShown) {
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    start({QStringLiteral("--sync-delay"), QStringLiteral("0")});
    const auto exportTo = [&](const char* name) {
        saveAs(QStringLiteral("&File"), QStringLiteral("Export Statistics..."),
               dir.filePath(QLatin1String(name)));
        return readCsv(dialogs.saveAnswer);
    };
    EXPECT_TRUE(exportTo("none.csv").isEmpty());
    EXPECT_TRUE(messages.shown.value(0).startsWith(QStringLiteral("Nothing has been measu")));
    EXPECT_FALSE(QFile::exists(dialogs.saveAnswer));
    messages.shown.clear();

    playFor(2000, [] {});
    const HopBinData& data = suite->hopBinData;
    CsvRows rows = exportTo("bins.csv");
    EXPECT_TRUE(messages.shown.isEmpty()) << shown();
    EXPECT_TRUE(
        dialogs.requests.back().nameFilters.startsWith(QStringLiteral("Statistics Files (*.csv)")));
    const int bins = data.HighestBin + 1;
    ASSERT_GT(bins, 10);
    ASSERT_EQ(rows.size(), 3 + bins + 1 + 6);
    EXPECT_EQ(rows[0].value(0), QStringLiteral("Hop Bin Statistics"));
    for (int bin = 0; bin < bins; ++bin)
        for (int side = 0; side < 2; ++side) {
            const BinStats& s = data.HopBins[static_cast<std::size_t>(bin)][side];
            EXPECT_EQ(rows[3 + bin].value(1 + side * 5).toFloat(), s.Current) << bin;
            EXPECT_EQ(rows[3 + bin].value(4 + side * 5).toFloat(), s.TrailingAverage) << bin;
        }
    EXPECT_EQ(rows[3 + bins + 1], (QStringList{"Total Reports", shortestText(data.TotalReports)}));

    QTest::mouseClick(window->networkWindow()->testOption(1), Qt::LeftButton);
    playFor(3000, [] {});
    const SpectrumData& sweep = suite->spectrumData;
    rows = exportTo("spectrum.csv");
    const int n = sweep.pointCount();
    ASSERT_GE(rows.size(), 3 + n + 3);
    EXPECT_EQ(rows[0].value(0), QStringLiteral("Spectrum Statistics"));
    for (int i = 0; i < n; ++i) {
        const SweepPoint& p = sweep.SweepPoints[static_cast<std::size_t>(i)];
        EXPECT_EQ(rows[3 + i].value(2).toDouble(), p.TraceLevel) << i;
        EXPECT_EQ(rows[3 + i].value(3).toDouble(), p.PeakLevel) << i;
    }
    EXPECT_EQ(rows[3 + n + 2].value(0), QStringLiteral("Marker 1"));
    QLocale::setDefault(previous);
}
