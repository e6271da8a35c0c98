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

using namespace Qt::StringLiterals;

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
    void saveReport(const QString& path) { saveAs(u"&File"_s, u"Save &Report..."_s, path); }
    std::string shown() const { return messages.shown.join(u'\n').toStdString(); }

    // Run Query with the mouse; Stop Query once the emulator's three radios are listed.
    void runQueryUntilThreeRadios() {
        NetworkWindow* network = window->networkWindow();
        QPushButton* stop = buttonCalled(network, u"Stop Query"_s);
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, stop, [&] {
            if (suite->query.MacAddressCount >= 3) {
                poll.stop();
                QTest::mouseClick(stop, Qt::LeftButton);
            }
        });
        poll.start(50);
        QTest::mouseClick(buttonCalled(network, u"Run Query"_s), Qt::LeftButton);
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
    start({u"--report-rate"_s, u"500"_s});
    const QString description = u"Roof mast <north> & Müller"_s;
    WriteDescription(*store, u"0A 1B FF"_s, description);
    runQueryUntilThreeRadios();
    playFor(1500, [] {});
    const QString path = dir.filePath(u"site.html"_s);
    saveReport(path);
    ASSERT_TRUE(messages.shown.isEmpty()) << shown();
    EXPECT_EQ(dialogs.requests.at(0).nameFilters, u"HTML Reports (*.html);;All Files (*)"_s);

    const ParsedReport report = parseReport(readText(path));
    ASSERT_TRUE(report.wellFormed) << qPrintable(report.error);
    // The radios heard after the first made an earlier one the destination: the
    // report names the one the radio has now.
    const QString state = emulator.command(u"state"_s);
    const QString destination = state.mid(state.indexOf(u"dest="_s) + 5, 6);
    const std::pair<const char*, QString> facts[] = {
        {"Suite version", QStringLiteral(VELTRANE_VERSION)},
        {"Connection", u"Serial port "_s + emulator.devicePath()},
        {"Radio's own address", u"12 34 56"_s},
        {"Test", u"Hop Bin Analyzer (live)"_s}};
    for (const auto& [name, value] : facts)
        EXPECT_EQ(report.facts.value(QLatin1String(name)), value) << name;
    EXPECT_EQ(QString(report.facts.value(u"Destination in use"_s)).remove(u' '), destination);
    EXPECT_FALSE(report.facts.value(u"Ended"_s).isEmpty());
    EXPECT_TRUE(report.facts.value(u"Duration"_s).endsWith(u" s"_s));

    const HopBinData& data = suite->hopBinData;
    const ReportTable bins = report.tables.value(u"bins"_s);
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
    const ReportTable quality = report.tables.value(u"quality"_s);
    ASSERT_GE(quality.size(), 4u);
    EXPECT_EQ(quality[0][0].text, shortestText(data.TotalReports));
    EXPECT_EQ(quality[1][0].text, shortestText(data.MissedBins));
    EXPECT_EQ(quality[2][0].text, formatPercent(data.PercentageGood()));

    // The emulator's radios, in the order they were heard, as the grid lists them.
    const ReportTable radios = report.tables.value(u"radios"_s);
    ASSERT_EQ(radios.size(), 3u);
    for (int r = 0; r < 3; ++r) {
        const auto& row = radios[static_cast<std::size_t>(r)];
        ASSERT_EQ(row.size(), 5u);
        EXPECT_EQ(row[0].text, suite->query.MacAddressList.value(r));
        const bool server = row[0].text == u"0A 1B FF"_s;
        EXPECT_EQ(row[1].text, server ? u"Server"_s : u"Client"_s);
        EXPECT_EQ(row[2].text, u"A"_s);
        EXPECT_EQ(row[3].text, window->networkWindow()->cell(r + 1, 4));
        EXPECT_EQ(row[4].text, server ? description : QString());
    }
    EXPECT_EQ(report.images, 2); // the hop bin chart and the meter
    EXPECT_TRUE(report.paragraphs.join(u'\n').contains(u"the spectrum test has not run"_s));

    const QString printed = pdfText(dir.filePath(u"site.pdf"_s));
    if (printed.isNull())
        GTEST_SKIP() << "pdftotext (poppler-utils) is missing: the PDF's text is not checked";
    for (const QString& expected :
         {u"Hop Bin Analyzer (live)"_s, description, formatPercent(data.PercentageGood())})
        EXPECT_TRUE(printed.contains(expected)) << qPrintable(expected);
}

// A spectrum report: the peaks of the 5 dB rule on the emulator's two carriers,
// the marker readouts as the window shows them, and no hop bin table.
TEST_F(ReportCommandsTest, ReportOfASpectrumRunListsItsPeaksAndMarkers) {
    start({u"--carrier"_s, u"12,-55"_s, u"--carrier"_s, u"33,-70"_s},
          "[Settings]\nMeter%20Test=1\n");
    SpectrumWindow* spectrum = window->spectrumWindow();
    playFor(2000, [spectrum] { QTest::keyClick(spectrum, Qt::Key_F4); });
    const QString path = dir.filePath(u"spectrum"_s);
    saveReport(path); // a name without a suffix: the PDF gets ".pdf" added
    ASSERT_TRUE(messages.shown.isEmpty()) << shown();
    const ParsedReport report = parseReport(readText(path));
    ASSERT_TRUE(report.wellFormed) << qPrintable(report.error);
    EXPECT_EQ(report.facts.value(u"Test"_s), u"Spectrum Analyzer (live)"_s);
    EXPECT_FALSE(report.tables.contains(u"bins"_s));

    const auto frequency = [this](int point) {
        return QString::number(
            SpectrumMarkers::PointFrequency(point, suite->spectrumData.pointCount(),
                                            suite->settings.CenterFrequency, suite->settings.Span),
            'f', 2);
    };
    QStringList found;
    for (const auto& row : report.tables.value(u"peaks"_s))
        found << row[0].text;
    EXPECT_EQ(found, (QStringList{frequency(12), frequency(33)}));
    EXPECT_TRUE(report.paragraphs.contains(suite->spectrumMarkers.FrequencyReadout));
    EXPECT_TRUE(report.paragraphs.contains(suite->spectrumMarkers.AmplitudeReadout));
    EXPECT_TRUE(QFile::exists(path + u".pdf"_s));
}

// Save Picture and Copy Picture take the analyzer the user clicked last: the
// meter of the Network Query window, then the hop bin chart, pixel for pixel and
// at the screen's resolution. Saves that cannot finish leave nothing behind.
TEST_F(ReportCommandsTest, PicturesOfTheActiveAnalyzerAndSavesThatCannotFinish) {
    start();
    playFor(1000, [] {});
    activate(window->networkWindow());
    const QString meterPath = dir.filePath(u"meter.png"_s);
    saveAs(u"&File"_s, u"Save &Picture..."_s, meterPath);
    ASSERT_TRUE(messages.shown.isEmpty()) << shown();
    EXPECT_EQ(dialogs.requests.at(0).nameFilters, u"PNG Images (*.png);;All Files (*)"_s);
    EXPECT_TRUE(QFileInfo(dialogs.requests[0].selectedFile).fileName().startsWith(u"meter-"_s));
    const QImage saved(meterPath), meter = imageOf(surfaces.meter);
    EXPECT_EQ(saved.convertToFormat(meter.format()), meter);
    EXPECT_EQ(saved.dotsPerMeterX(), 3780); // 96 dots per inch

    activate(window->hopBinWindow());
    chooseFromMenu(*window, u"&Edit"_s, u"&Copy Picture"_s);
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
        const ReadOnlyFolder locked(dir.filePath(u"read-only"_s));
        if (!locked.path().isEmpty()) {
            saveReport(locked.path() + u"/site.html"_s);
            saveAs(u"&File"_s, u"Save &Picture..."_s, locked.path() + u"/chart.png"_s);
            ASSERT_EQ(messages.shown.size(), 2);
            EXPECT_TRUE(messages.shown[0].contains(locked.path() + u"/site."_s));
            EXPECT_TRUE(messages.shown[1].contains(locked.path() + u"/chart.png"_s));
            for (const QString& text : messages.shown)
                EXPECT_TRUE(text.contains(u"Nothing was written"_s)) << shown();
            EXPECT_TRUE(entries(locked.path()).isEmpty());
        }
    }
    const QString full = dir.filePath(u"full"_s);
    QDir().mkpath(full);
    const QString path = full + u"/site.html"_s;
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
    EXPECT_TRUE(messages.shown[0].contains(u"Nothing was written"_s)) << shown();
    EXPECT_EQ(entries(full), QStringList{u"site.html"_s});
    EXPECT_EQ(readText(path), u"earlier report"_s);
}

// File > Export Statistics... after each analyzer's live run, on a German desktop:
// what the window showed, in a file of numbers with a dot that read back as the
// very values the display drew.
TEST_F(ReportCommandsTest, ExportStatisticsWritesEachAnalyzersRunAsShown) {
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    start({u"--sync-delay"_s, u"0"_s});
    const auto exportTo = [&](const char* name) {
        saveAs(u"&File"_s, u"Export Statistics..."_s, dir.filePath(QLatin1String(name)));
        return readCsv(dialogs.saveAnswer);
    };
    EXPECT_TRUE(exportTo("none.csv").isEmpty());
    EXPECT_TRUE(messages.shown.value(0).startsWith(u"Nothing has been measu"_s));
    EXPECT_FALSE(QFile::exists(dialogs.saveAnswer));
    messages.shown.clear();

    playFor(2000, [] {});
    const HopBinData& data = suite->hopBinData;
    CsvRows rows = exportTo("bins.csv");
    EXPECT_TRUE(messages.shown.isEmpty()) << shown();
    EXPECT_TRUE(dialogs.requests.back().nameFilters.startsWith(u"Statistics Files (*.csv)"_s));
    const int bins = data.HighestBin + 1;
    ASSERT_GT(bins, 10);
    ASSERT_EQ(rows.size(), 3 + bins + 1 + 6);
    EXPECT_EQ(rows[0].value(0), u"Hop Bin Statistics"_s);
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
    EXPECT_EQ(rows[0].value(0), u"Spectrum Statistics"_s);
    for (int i = 0; i < n; ++i) {
        const SweepPoint& p = sweep.SweepPoints[static_cast<std::size_t>(i)];
        EXPECT_EQ(rows[3 + i].value(2).toDouble(), p.TraceLevel) << i;
        EXPECT_EQ(rows[3 + i].value(3).toDouble(), p.PeakLevel) << i;
    }
    EXPECT_EQ(rows[3 + n + 2].value(0), u"Marker 1"_s);
    QLocale::setDefault(previous);
}
