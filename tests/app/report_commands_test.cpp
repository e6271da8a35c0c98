// The File and Edit menu commands that write what the suite measured: Save Report,
// Save Picture, Copy Picture and Export Statistics, chosen with the mouse after
// live runs on the emulator. The report's own layout and figures from known data
// are checked in site_report_test.cpp, the statistics tables in
// site_documents_test.cpp; here, that each command takes what the suite holds.

#include "app/statistics_table.h"
#include "core/number_text.h"
#include "hopbin/hop_bin_geometry.h"
#include "recording/csv_text.h"
#include "support/failing_folders.h"
#include "support/report_reading.h"
#include "ui/image_surface.h"
#include "user_input.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QLocale>
#include <QProcess>
#include <QStandardPaths>

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

    // Makes the sub-window around `tool` the active one, as a click on its title does.
    void activate(QWidget* tool) {
        auto* sub = qobject_cast<QMdiSubWindow*>(tool->parentWidget());
        QTest::mouseClick(sub, Qt::LeftButton, {}, QPoint(sub->width() / 2, 8));
        ASSERT_TRUE(runEventsUntil([&] { return sub->mdiArea()->activeSubWindow() == sub; }));
    }

    ScriptedFileDialogs dialogs;
};

} // namespace

// A site report after a query and a live hop bin run: the connection, the radios
// and the run, each bin's figures and grade colours, the totals and the radios
// heard with their descriptions, in the HTML and in the PDF printed beside it.
TEST_F(ReportCommandsTest, ReportOfAQueryAndAHopBinRunHoldsTheirFigures) {
    start({u"--report-rate"_s, u"500"_s});
    const QString description = u"Roof mast <north> & Müller"_s;
    WriteDescription(*store, u"0A 1B FF"_s, description);
    // Run Query with the mouse; Stop Query once the emulator's three radios are listed.
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
    playFor(1500, [] {});
    const QString path = dir.filePath(u"site.html"_s);
    saveReport(path);
    ASSERT_TRUE(messages.shown.isEmpty()) << shown();
    EXPECT_EQ(dialogs.requests.at(0).nameFilters, u"HTML Reports (*.html);;All Files (*)"_s);

    const ReadReport read = readReport(readText(path));
    ASSERT_FALSE(read.contains(u"error"_s)) << qPrintable(read.value(u"error"_s).join(u' '));
    // The radios heard after the first made an earlier one the destination: the
    // report names the one the radio has now.
    const QString state = emulator.command(u"state"_s);
    const QString destination = state.mid(state.indexOf(u"dest="_s) + 5, 6);
    const QStringList facts = read.value(u"facts"_s);
    for (const QString& fact :
         {u"Suite version | "_s + QStringLiteral(VELTRANE_VERSION),
          u"Connection | Serial port "_s + emulator.devicePath(),
          u"Radio's own address | 12 34 56"_s, u"Test | Hop Bin Analyzer (live)"_s,
          u"Destination in use | %1 %2 %3"_s.arg(destination.left(2), destination.mid(2, 2),
                                                 destination.right(2))})
        EXPECT_TRUE(facts.contains(fact)) << qPrintable(fact + u'\n' + facts.join(u'\n'));

    const HopBinData& data = suite->hopBinData;
    QStringList bins;
    for (int b = 0; b <= data.HighestBin; ++b) {
        QString row = QString::number(b);
        for (int side = 0; side < 2; ++side) {
            const BinStats& s = data.HopBins[static_cast<std::size_t>(b)][side];
            for (float figure : {s.Current, s.Peak, s.Minimum, s.TrailingAverage})
                row += u" | "_s + formatOneDecimal(figure);
            const Grade grade = gradeLevel(s.Current, suite->settings.MarginalThreshold[0][0],
                                           suite->settings.BadThreshold[0][0]);
            row += u" | "_s + gradeName(grade) + u' ' +
                   htmlColour(side == 0 ? remoteGradeColour(grade) : pcGradeColour(grade));
        }
        bins << row;
    }
    EXPECT_EQ(read.value(u"bins"_s), bins);
    EXPECT_EQ(
        read.value(u"quality"_s).mid(0, 3),
        (QStringList{u"Hop bin: total reports | "_s + shortestText(data.TotalReports),
                     u"Hop bin: missed bins | "_s + shortestText(data.MissedBins),
                     u"Hop bin: percentage good | "_s + formatPercent(data.PercentageGood())}));

    // The emulator's radios, in the order they were heard, as the grid lists them.
    QStringList radios;
    for (int r = 0; r < 3; ++r) {
        const QString address = suite->query.MacAddressList.value(r);
        const bool server = address == u"0A 1B FF"_s;
        radios << u"%1 | %2 | A | %3 | %4"_s.arg(address, server ? u"Server"_s : u"Client"_s,
                                                 window->networkWindow()->cell(r + 1, 4),
                                                 server ? description : QString());
    }
    EXPECT_EQ(read.value(u"radios"_s), radios);
    EXPECT_EQ(read.value(u"img"_s).size(), 2); // the hop bin chart and the meter
    EXPECT_TRUE(read.value(u"p"_s).join(u'\n').contains(u"the spectrum test has not run"_s));

    // The PDF printed beside it, read through pdftotext (poppler-utils) if present.
    const QString tool = QStandardPaths::findExecutable(u"pdftotext"_s);
    if (tool.isEmpty())
        GTEST_SKIP() << "pdftotext is missing: the PDF's text is not checked";
    QProcess pdf;
    pdf.start(tool, {u"-layout"_s, dir.filePath(u"site.pdf"_s), u"-"_s});
    ASSERT_TRUE(pdf.waitForFinished(30000));
    EXPECT_TRUE(QString::fromUtf8(pdf.readAllStandardOutput()).contains(description));
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
    const ReadReport read = readReport(readText(path));
    EXPECT_TRUE(read.value(u"facts"_s).contains(u"Test | Spectrum Analyzer (live)"_s));
    EXPECT_FALSE(read.contains(u"bins"_s) || read.contains(u"error"_s));
    QStringList found;
    for (const QString& row : read.value(u"peaks"_s))
        found << row.section(u" | "_s, 0, 0);
    const auto frequency = [this](int point) {
        return QString::number(
            SpectrumMarkers::PointFrequency(point, suite->spectrumData.pointCount(),
                                            suite->settings.CenterFrequency, suite->settings.Span),
            'f', 2);
    };
    EXPECT_EQ(found, (QStringList{frequency(12), frequency(33)}));
    const QStringList said = read.value(u"p"_s);
    EXPECT_TRUE(said.contains(suite->spectrumMarkers.FrequencyReadout));
    EXPECT_TRUE(said.contains(suite->spectrumMarkers.AmplitudeReadout));
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
    if (const ReadOnlyFolder locked(dir.filePath(u"read-only"_s)); !locked.path().isEmpty()) {
        saveAs(u"&File"_s, u"Save &Picture..."_s, locked.path() + u"/chart.png"_s);
        ASSERT_EQ(messages.shown.size(), 1);
        EXPECT_TRUE(messages.shown[0].contains(locked.path() + u"/chart.png"_s) &&
                    messages.shown[0].contains(u"Nothing was written"_s))
            << shown();
        EXPECT_TRUE(entries(locked.path()).isEmpty());
    }
    const QString full = dir.filePath(u"full"_s), path = full + u"/site.html"_s;
    QDir().mkpath(full);
    QFile earlier(path);
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier report") > 0);
    earlier.close();
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

// Export Statistics with nothing measured says so and writes nothing; after a hop
// bin run and a spectrum run, in a file of numbers with a dot that read back as the
// very values the display drew.
TEST_F(ReportCommandsTest, ExportStatisticsWritesEachAnalyzersRunAsShown) {
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    start({u"--sync-delay"_s, u"0"_s});
    const auto exportTo = [&](const char* name) {
        saveAs(u"&File"_s, u"Export Statistics..."_s, dir.filePath(QLatin1String(name)));
        QFile file(dialogs.saveAnswer);
        return file.open(QIODevice::ReadOnly) ? parseCsv(file.readAll()).rows : CsvRows{};
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
    ASSERT_TRUE(bins > 10 && rows.size() == 3 + bins + 1 + 6) << rows.size();
    for (int bin = 0; bin < bins; ++bin)
        for (int side = 0; side < 2; ++side) {
            const BinStats& s = data.HopBins[static_cast<std::size_t>(bin)][side];
            EXPECT_EQ(rows[3 + bin].value(1 + side * 5).toFloat(), s.Current) << bin;
            EXPECT_EQ(rows[3 + bin].value(4 + side * 5).toFloat(), s.TrailingAverage) << bin;
        }
    EXPECT_EQ(rows[3 + bins + 1], (QStringList{"Total Reports", shortestText(data.TotalReports)}));

    QTest::mouseClick(window->networkWindow()->testOption(1), Qt::LeftButton);
    playFor(3000, [] {});
    rows = exportTo("spectrum.csv"); // its rows are checked in site_documents_test.cpp
    const int n = suite->spectrumData.pointCount();
    ASSERT_GE(rows.size(), 3 + n + 3);
    EXPECT_EQ(rows[0].value(0) + rows[3 + n + 2].value(0), u"Spectrum StatisticsMarker 1"_s);
    EXPECT_EQ(rows[2 + n].value(3).toDouble(), suite->spectrumData.SweepPoints.back().PeakLevel);
    QLocale::setDefault(previous);
}
