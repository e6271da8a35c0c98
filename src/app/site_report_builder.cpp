#include "app/site_report_builder.h"

#include "app/statistics_table.h"
#include "app/suite.h"
#include "hopbin/hop_bin_geometry.h"
#include "network/query_record.h"
#include "ui/readable_colour.h"

#include <QBuffer>
#include <algorithm>

namespace {

constexpr int kHopBinTest = 0;
constexpr int kSpectrumTest = 1;

QString testName(int test) {
    switch (test) {
    case kHopBinTest:
        return QStringLiteral("Hop Bin Analyzer");
    case kSpectrumTest:
        return QStringLiteral("Spectrum Analyzer");
    default:
        return QString();
    }
}

// 0x00BBGGRR as "#RRGGBB".
QString htmlColour(Colour colour) {
    return QStringLiteral("#%1%2%3")
        .arg(colour & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((colour >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((colour >> 16) & 0xFF, 2, 16, QLatin1Char('0'))
        .toUpper();
}

SiteReport::BinSide binSide(const BinStats& stats, bool remote, float marginal, float bad) {
    const Grade grade = gradeLevel(stats.Current, marginal, bad);
    SiteReport::BinSide side;
    side.last = stats.Current;
    side.peak = stats.Peak;
    side.minimum = stats.Minimum;
    side.average = stats.TrailingAverage;
    side.grade = gradeName(grade);
    const Colour colour = remote ? remoteGradeColour(grade) : pcGradeColour(grade);
    side.colour = htmlColour(colour);
    // Black print unless the bar's colour is too dark for it (the PC side's red).
    side.textColour = htmlColour(readable::textColour(0x000000, colour, 0xFFFFFF));
    return side;
}

void addHopBins(SiteReport& report, const Suite& suite) {
    const HopBinData& data = suite.hopBinData;
    if (data.TotalReports <= 0)
        return;
    // The grades of the chart: the hop bin test's average-RSSI thresholds.
    const float marginal = suite.settings.MarginalThreshold[kHopBinTest][0];
    const float bad = suite.settings.BadThreshold[kHopBinTest][0];
    const int highest = std::clamp<int>(data.HighestBin, 0, kHopBinCount - 1);
    for (int b = 0; b <= highest; ++b) {
        const auto& bin = data.HopBins[static_cast<std::size_t>(b)];
        report.bins.push_back({b, binSide(bin[kRemoteSide], true, marginal, bad),
                               binSide(bin[kPcSide], false, marginal, bad)});
    }
    report.totalReports = data.TotalReports;
    report.missedBins = data.MissedBins;
    report.percentageGood = data.PercentageGood();
    report.averageRssi = data.AverageRssi();
}

void addSpectrum(SiteReport& report, const Suite& suite) {
    const SpectrumData& data = suite.spectrumData;
    // A point not measured since the reset has no trace position.
    report.spectrumMeasured = std::any_of(data.SweepPoints.begin(), data.SweepPoints.end(),
                                          [](const SweepPoint& p) { return p.TraceY != 0; });
    if (!report.spectrumMeasured)
        return;
    const SpectrumMarkers& markers = suite.spectrumMarkers;
    for (const QString& line : {markers.FrequencyReadout, markers.AmplitudeReadout})
        if (!line.isEmpty())
            report.markerReadouts << line;
    const int n = data.pointCount();
    for (const int i : markers.peaksFound())
        report.peaks.push_back({SpectrumMarkers::PointFrequency(
                                    i, n, suite.settings.CenterFrequency, suite.settings.Span),
                                data.SweepPoints[static_cast<std::size_t>(i)].TraceLevel});
    const SpectrumMeterFigures figures = suite.spectrum.sweepFigures();
    report.spectrumPeakMean = figures.peakMean;
    report.spectrumAverageMean = figures.averageMean;
    report.spectrumGood = figures.fraction;
}

void addRadios(SiteReport& report, const Suite& suite) {
    const NetworkQueryView* view = suite.query.view;
    if (!view)
        return;
    // Row k (from 1) is the k-th radio heard; the header is not counted.
    for (int row = 1; row <= view->resultRows(); ++row) {
        const QString address = view->cell(row, NetworkQuery::Address);
        if (address.trimmed().isEmpty())
            continue;
        report.radios.push_back(
            {address, view->cell(row, NetworkQuery::Type), view->cell(row, NetworkQuery::Channel),
             view->cell(row, NetworkQuery::Responses), view->cell(row, NetworkQuery::Description)});
    }
}

void addThresholds(SiteReport& report, const Settings& settings) {
    const QString tests[2] = {testName(kHopBinTest), testName(kSpectrumTest)};
    const QString meters[2] = {QStringLiteral("Average RSSI (dBm)"),
                               QStringLiteral("Percentage Good")};
    for (int t = 0; t < 2; ++t)
        for (int m = 0; m < 2; ++m)
            report.thresholds.push_back({tests[t], meters[m], settings.MarginalThreshold[t][m],
                                         settings.BadThreshold[t][m]});
}

} // namespace

QByteArray pngBytes(const QImage& picture) {
    if (picture.isNull())
        return {};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    return bytes;
}

SiteReport collectSiteReport(const Suite& suite, const AcquisitionControl::RunSpan& run,
                             const ReportPictures& pictures, const QDateTime& now) {
    SiteReport report;
    report.written = now;
    report.version = QStringLiteral(VELTRANE_VERSION);
    report.connection = (suite.settings.ConnectionType == 1 ? QStringLiteral("TCP ")
                                                            : QStringLiteral("Serial port ")) +
                        suite.link.endpointText();
    if (suite.modes.LocalRadioAddress.size() == 3)
        report.ownAddress = addressText(suite.modes.LocalRadioAddress);
    if (suite.modes.DestinationAddress.size() == 3)
        report.destination = addressText(suite.modes.DestinationAddress);
    if (run.started.isValid()) {
        report.testName = testName(run.test);
        report.fromRecording = run.fromRecording;
        report.started = run.started;
        report.ended = run.ended;
    }
    addHopBins(report, suite);
    addSpectrum(report, suite);
    addRadios(report, suite);
    addThresholds(report, suite.settings);
    report.hopBinPicture = report.bins.empty() ? QByteArray() : pngBytes(pictures.hopBin);
    report.spectrumPicture = report.spectrumMeasured ? pngBytes(pictures.spectrum) : QByteArray();
    report.meterPicture = pngBytes(pictures.meter);
    report.meterTitle = suite.meter.MeterTitle;
    return report;
}
