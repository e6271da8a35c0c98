#include "app/report_files.h"
#include "core/number_text.h"
#include "hopbin/hop_bin_geometry.h"
#include "hopbin/hop_bin_window.h"
#include "network/network_window.h"
#include "network/query_record.h"
#include "spectrum/spectrum_window.h"
#include "support/failing_folders.h"
#include "support/main_window_fixture.h"
#include "support/report_reading.h"
#include "ui/image_surface.h"
#include "user_input.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace {

// The suite's own colour numbers (0x00BBGGRR) as a report writes them.
QString htmlColour(Colour c) {
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF).name().toUpper();
}

class ReportCommandsTest : public MainWindowOnEmulator {
protected:
    void start(const QStringList& emulatorArgs = {}, const QByteArray& storedSettings = {}) {
        startSuite(emulatorArgs, storedSettings);
        window->setFileDialogs(dialogs);
    }

    void chooseFromMenu(const QString& title, const QString& entry) {
        ::chooseFromMenu(*window, title, entry);
    }

    // Run Query with the mouse; Stop Query once the emulator's three radios are listed.
    void runQueryUntilThreeRadios() {
        NetworkWindow* network = window->networkWindow();
        ASSERT_TRUE(network);
        QPushButton* run = buttonCalled(network, QStringLiteral("Run Query"));
        QPushButton* stop = buttonCalled(network, QStringLiteral("Stop Query"));
        ASSERT_TRUE(run && stop);
        QTimer poll;
        QElapsedTimer clock;
        clock.start();
        QObject::connect(&poll, &QTimer::timeout, stop, [&] {
            if (suite->query.MacAddressCount >= 3 || clock.elapsed() > 8000) {
                poll.stop();
                QTest::mouseClick(stop, Qt::LeftButton);
            }
        });
        poll.start(50);
        QTest::mouseClick(run, Qt::LeftButton);
        ASSERT_TRUE(runEventsUntil([this] { return !suite->query.running(); }, 10000));
    }

    // Makes the sub-window around `tool` the active one, as a click on its title does.
    void activate(QWidget* tool) {
        auto* sub = qobject_cast<QMdiSubWindow*>(tool->parentWidget());
        ASSERT_TRUE(sub);
        QTest::mouseClick(sub, Qt::LeftButton, {}, QPoint(sub->width() / 2, 8));
        ASSERT_TRUE(runEventsUntil([&] { return sub->mdiArea()->activeSubWindow() == sub; }));
    }

    QImage surfaceImage(Surface* surface) {
        auto* image = dynamic_cast<ImageSurface*>(surface);
        return image ? image->image() : QImage();
    }

    ScriptedFileDialogs dialogs;
};

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
    ASSERT_GT(suite->hopBinData.TotalReports, 0.0f);

    const QString path = dir.filePath(QStringLiteral("site.html"));
    dialogs.saveAnswer = path;
    chooseFromMenu(QStringLiteral("&File"), QStringLiteral("Save &Report..."));
    ASSERT_TRUE(messages.shown.isEmpty()) << qPrintable(messages.shown.join(u'\n'));
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].nameFilters,
              QStringLiteral("HTML Reports (*.html);;All Files (*)"));

    const ParsedReport report = parseReport(readText(path));
    ASSERT_TRUE(report.wellFormed) << qPrintable(report.error);
    EXPECT_EQ(report.facts.value(QStringLiteral("Suite version")),
              QStringLiteral(VELTRANE_VERSION));
    EXPECT_EQ(report.facts.value(QStringLiteral("Connection")),
              QStringLiteral("Serial port ") + emulator.devicePath());
    EXPECT_EQ(report.facts.value(QStringLiteral("Radio's own address")),
              QStringLiteral("12 34 56"));
    // The radios heard after the first made an earlier one the destination: the
    // report names the one the radio has now.
    const QString state = emulator.command(QStringLiteral("state"));
    const QString destination = state.mid(state.indexOf(QStringLiteral("dest=")) + 5, 6);
    ASSERT_EQ(destination.size(), 6) << qPrintable(state);
    EXPECT_EQ(QString(report.facts.value(QStringLiteral("Destination in use"))).remove(u' '),
              destination);
    EXPECT_EQ(report.facts.value(QStringLiteral("Test")),
              QStringLiteral("Hop Bin Analyzer (live)"));
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
            EXPECT_EQ(row[c].text, formatOneDecimal(s.Current)) << b;
            EXPECT_EQ(row[c + 1].text, formatOneDecimal(s.Peak)) << b;
            EXPECT_EQ(row[c + 2].text, formatOneDecimal(s.Minimum)) << b;
            EXPECT_EQ(row[c + 3].text, formatOneDecimal(s.TrailingAverage)) << b;
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

    // The emulator's radios, in the order they were heard.
    const ReportTable radios = report.tables.value(QStringLiteral("radios"));
    ASSERT_EQ(radios.size(), 3u);
    const QMap<QString, QStringList> heard{
        {QStringLiteral("0A 1B FF"), {QStringLiteral("Server"), QStringLiteral("A"), description}},
        {QStringLiteral("2B 3C 4D"), {QStringLiteral("Client"), QStringLiteral("A"), QString()}},
        {QStringLiteral("5E 6F 01"), {QStringLiteral("Client"), QStringLiteral("A"), QString()}}};
    for (std::size_t r = 0; r < radios.size(); ++r) {
        const auto& row = radios[r];
        ASSERT_EQ(row.size(), 5u);
        EXPECT_EQ(row[0].text, suite->query.MacAddressList.value(static_cast<int>(r)));
        ASSERT_TRUE(heard.contains(row[0].text)) << qPrintable(row[0].text);
        const QStringList& expected = heard[row[0].text];
        EXPECT_EQ(row[1].text, expected[0]);
        EXPECT_EQ(row[2].text, expected[1]);
        EXPECT_EQ(row[3].text, window->networkWindow()->cell(static_cast<int>(r) + 1, 4));
        EXPECT_EQ(row[4].text, expected[2]);
    }
    EXPECT_EQ(report.images, 2); // the hop bin chart and the meter
    EXPECT_TRUE(
        report.paragraphs.join(u'\n').contains(QStringLiteral("the spectrum test has not run")));

    const QString pdfPath = dir.filePath(QStringLiteral("site.pdf"));
    ASSERT_TRUE(QFile::exists(pdfPath));
    const QString printed = pdfText(pdfPath);
    if (printed.isNull())
        GTEST_SKIP() << "pdftotext (poppler-utils) is missing: the PDF's text is not checked";
    for (const QString& expected :
         {QStringLiteral("Hop Bin Analyzer (live)"), QStringLiteral("12 34 56"),
          QStringLiteral("2B 3C 4D"), description, formatPercent(data.PercentageGood()),
          formatOneDecimal(data.HopBins[0][0].Peak)})
        EXPECT_TRUE(printed.contains(expected)) << qPrintable(expected);
}

// A spectrum report: the peaks of the 5 dB rule on the emulator's two carriers,
// the marker readouts as the window shows them, and no hop bin table.
TEST_F(ReportCommandsTest, ReportOfASpectrumRunListsItsPeaksAndMarkers) {
    start({QStringLiteral("--carrier"), QStringLiteral("12,-55"), QStringLiteral("--carrier"),
           QStringLiteral("33,-70")},
          "[Settings]\nMeter%20Test=1\n");
    SpectrumWindow* spectrum = window->spectrumWindow();
    ASSERT_TRUE(spectrum);
    playFor(2000, [spectrum] { QTest::keyClick(spectrum, Qt::Key_F4); });

    const QString path = dir.filePath(QStringLiteral("spectrum"));
    dialogs.saveAnswer = path; // a name without a suffix: the PDF gets ".pdf" added
    chooseFromMenu(QStringLiteral("&File"), QStringLiteral("Save &Report..."));
    ASSERT_TRUE(messages.shown.isEmpty()) << qPrintable(messages.shown.join(u'\n'));
    const ParsedReport report = parseReport(readText(path));
    ASSERT_TRUE(report.wellFormed) << qPrintable(report.error);
    EXPECT_EQ(report.facts.value(QStringLiteral("Test")),
              QStringLiteral("Spectrum Analyzer (live)"));
    EXPECT_FALSE(report.tables.contains(QStringLiteral("bins")));
    EXPECT_TRUE(
        report.paragraphs.join(u'\n').contains(QStringLiteral("the hop bin test has not run")));

    const auto frequency = [this](int point) {
        return QString::number(
            SpectrumMarkers::PointFrequency(point, suite->spectrumData.pointCount(),
                                            suite->settings.CenterFrequency, suite->settings.Span),
            'f', 2);
    };
    const ReportTable peaks = report.tables.value(QStringLiteral("peaks"));
    QStringList found;
    for (const auto& row : peaks)
        found << row[0].text;
    EXPECT_EQ(found, (QStringList{frequency(12), frequency(33)}));
    EXPECT_TRUE(report.paragraphs.contains(suite->spectrumMarkers.FrequencyReadout));
    EXPECT_TRUE(report.paragraphs.contains(suite->spectrumMarkers.AmplitudeReadout));

    const QString printed = pdfText(path + QStringLiteral(".pdf"));
    if (printed.isNull())
        GTEST_SKIP() << "pdftotext (poppler-utils) is missing: the PDF's text is not checked";
    EXPECT_TRUE(printed.contains(frequency(12)));
    EXPECT_TRUE(printed.contains(frequency(33)));
}

// Save Picture and Copy Picture take the analyzer the user clicked last: the
// meter of the Network Query window, then the hop bin chart, pixel for pixel and
// at the screen's resolution.
TEST_F(ReportCommandsTest, PicturesOfTheActiveAnalyzerAndSavesThatCannotFinish) {
    start();
    playFor(1000, [] {});

    activate(window->networkWindow());
    const QString meterPath = dir.filePath(QStringLiteral("meter.png"));
    dialogs.saveAnswer = meterPath;
    chooseFromMenu(QStringLiteral("&File"), QStringLiteral("Save &Picture..."));
    ASSERT_TRUE(messages.shown.isEmpty()) << qPrintable(messages.shown.join(u'\n'));
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].nameFilters, QStringLiteral("PNG Images (*.png);;All Files (*)"));
    EXPECT_TRUE(QFileInfo(dialogs.requests[0].selectedFile)
                    .fileName()
                    .startsWith(QStringLiteral("meter-")));
    QImage saved(meterPath);
    ASSERT_FALSE(saved.isNull());
    const QImage meter = surfaceImage(surfaces.meter);
    EXPECT_EQ(saved.convertToFormat(meter.format()), meter);
    EXPECT_EQ(saved.dotsPerMeterX(), 3780); // 96 dots per inch

    activate(window->hopBinWindow());
    chooseFromMenu(QStringLiteral("&Edit"), QStringLiteral("&Copy Picture"));
    const QImage copied = QGuiApplication::clipboard()->image();
    const QImage chart = surfaceImage(surfaces.hopBin);
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
            dialogs.saveAnswer = locked.path() + QStringLiteral("/site.html");
            chooseFromMenu(QStringLiteral("&File"), QStringLiteral("Save &Report..."));
            dialogs.saveAnswer = locked.path() + QStringLiteral("/chart.png");
            chooseFromMenu(QStringLiteral("&File"), QStringLiteral("Save &Picture..."));
            ASSERT_EQ(messages.shown.size(), 2);
            EXPECT_TRUE(messages.shown[0].contains(locked.path() + QStringLiteral("/site.")))
                << qPrintable(messages.shown[0]);
            EXPECT_TRUE(messages.shown[1].contains(locked.path() + QStringLiteral("/chart.png")))
                << qPrintable(messages.shown[1]);
            for (const QString& shown : messages.shown)
                EXPECT_TRUE(shown.contains(QStringLiteral("Nothing was written")))
                    << qPrintable(shown);
            EXPECT_TRUE(entries(locked.path()).isEmpty());
        }
    }

    // The earlier report of the same name must survive a save that fails.
    const QString full = dir.filePath(QStringLiteral("full"));
    QDir().mkpath(full);
    const QString path = full + QStringLiteral("/site.html");
    {
        QFile earlier(path);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier report");
    }
    messages.shown.clear();
    dialogs.saveAnswer = path;
    {
        const FileSizeLimit diskFillsUp(4096); // after 4 KiB of a file
        ASSERT_TRUE(diskFillsUp.active());
        chooseFromMenu(QStringLiteral("&File"), QStringLiteral("Save &Report..."));
    }
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].contains(QStringLiteral("Nothing was written")))
        << qPrintable(messages.shown[0]);
    EXPECT_EQ(entries(full), QStringList{QStringLiteral("site.html")});
    EXPECT_EQ(readText(path), QStringLiteral("earlier report"));
}
