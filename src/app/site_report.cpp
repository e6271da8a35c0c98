#include "app/site_report.h"

#include "core/number_text.h"

#include <QImage>
#include <QStringBuilder>

namespace {

QString escaped(const QString& text) {
    return text.toHtmlEscaped();
}

QString dateTimeText(const QDateTime& when) {
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString dbText(double level) {
    return formatOneDecimal(level);
}

// A row of a two-column table of facts.
QString factRow(const QString& name, const QString& value) {
    return QStringLiteral("<tr><th align=\"left\">") % escaped(name) % QStringLiteral("</th><td>") %
           escaped(value) % QStringLiteral("</td></tr>\n");
}

QString headerRow(const QStringList& names) {
    QString row = QStringLiteral("<tr>");
    for (const QString& name : names)
        row += QStringLiteral("<th>") % escaped(name) % QStringLiteral("</th>");
    return row + QStringLiteral("</tr>\n");
}

QString cell(const QString& text, const QString& align = QStringLiteral("right")) {
    return QStringLiteral("<td align=\"") % align % QStringLiteral("\">") % escaped(text) %
           QStringLiteral("</td>");
}

// The grade's colour both as an attribute (Qt's rich text) and as a style
// (browsers).
QString gradeCell(const SiteReport::BinSide& side) {
    return QStringLiteral("<td class=\"grade\" bgcolor=\"") % side.colour %
           QStringLiteral("\" style=\"background-color: ") % side.colour %
           QStringLiteral("; color: ") % side.textColour % QStringLiteral("\">") %
           escaped(side.grade) % QStringLiteral("</td>");
}

QString nothing(const QString& text) {
    return QStringLiteral("<p class=\"none\"><i>") % escaped(text) % QStringLiteral("</i></p>\n");
}

// Pictures are shown at most kPictureWidth wide and kPictureHeight high (CSS
// pixels), so that each fits on an A4 page with the text around it.
constexpr int kPictureWidth = 560;
constexpr int kPictureHeight = 420;

QString picture(const QByteArray& png, const QString& name, const QString& missing) {
    if (png.isEmpty())
        return nothing(missing);
    const QSize size = QImage::fromData(png, "PNG").size();
    QSize shown(kPictureWidth, kPictureHeight);
    if (!size.isEmpty())
        shown = size.scaled(size.boundedTo(shown), Qt::KeepAspectRatio);
    return QStringLiteral("<p><img src=\"data:image/png;base64,") %
           QString::fromLatin1(png.toBase64()) % QStringLiteral("\" alt=\"") % escaped(name) %
           QStringLiteral("\" width=\"%1\" height=\"%2\" /></p>\n")
               .arg(shown.width())
               .arg(shown.height());
}

const QString kTable = QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">\n");
const QString kTableEnd = QStringLiteral("</table>\n");

QString overview(const SiteReport& r) {
    QString html = QStringLiteral("<h2>Connection and run</h2>\n") + kTable;
    html += factRow(QStringLiteral("Written"), dateTimeText(r.written));
    html += factRow(QStringLiteral("Suite version"), r.version);
    html += factRow(QStringLiteral("Connection"), r.connection);
    html += factRow(QStringLiteral("Radio's own address"),
                    r.ownAddress.isEmpty() ? QStringLiteral("not read") : r.ownAddress);
    html += factRow(QStringLiteral("Destination in use"),
                    r.destination.isEmpty()
                        ? QStringLiteral("the radio's own setting (not changed by the suite)")
                        : r.destination);
    if (r.testName.isEmpty()) {
        html += factRow(QStringLiteral("Test"), QStringLiteral("no test has run"));
    } else {
        html += factRow(QStringLiteral("Test"),
                        r.testName + (r.fromRecording ? QStringLiteral(" (played from a recording)")
                                                      : QStringLiteral(" (live)")));
        html += factRow(QStringLiteral("Started"), dateTimeText(r.started));
        if (r.ended.isValid()) {
            html += factRow(QStringLiteral("Ended"), dateTimeText(r.ended));
            html += factRow(QStringLiteral("Duration"), durationText(r.started.secsTo(r.ended)));
        } else {
            html += factRow(QStringLiteral("Ended"), QStringLiteral("still running"));
            html += factRow(QStringLiteral("Duration"),
                            durationText(r.started.secsTo(r.written)) + QStringLiteral(" so far"));
        }
    }
    return html + kTableEnd;
}

QString hopBins(const SiteReport& r) {
    QString html = QStringLiteral("<h2>Hop bin analyzer</h2>\n");
    if (r.bins.empty())
        return html + nothing(QStringLiteral("Nothing measured: the hop bin test has not run "
                                             "since its statistics were reset."));
    html += picture(r.hopBinPicture, QStringLiteral("Hop bin analyzer"),
                    QStringLiteral("No picture: the hop bin window is closed."));
    html += QStringLiteral("<table id=\"bins\" width=\"100%\" border=\"1\" cellspacing=\"0\" "
                           "cellpadding=\"2\">\n");
    html += QStringLiteral("<tr><th rowspan=\"2\">Bin</th><th colspan=\"5\">Remote radio (dBm)</th>"
                           "<th colspan=\"5\">This computer's radio (dBm)</th></tr>\n");
    const QStringList side{QStringLiteral("Last"), QStringLiteral("Peak"), QStringLiteral("Min"),
                           QStringLiteral("Average"), QStringLiteral("Grade")};
    html += headerRow(side + side);
    for (const SiteReport::BinRow& row : r.bins) {
        html += QStringLiteral("<tr>") + cell(QString::number(row.bin));
        for (const SiteReport::BinSide* s : {&row.remote, &row.pc})
            html += cell(dbText(s->last)) + cell(dbText(s->peak)) + cell(dbText(s->minimum)) +
                    cell(dbText(s->average)) + gradeCell(*s);
        html += QStringLiteral("</tr>\n");
    }
    return html + kTableEnd;
}

QString linkQuality(const SiteReport& r) {
    QString html = QStringLiteral("<h2>Link quality</h2>\n");
    if (r.bins.empty() && !r.spectrumMeasured)
        return html + nothing(QStringLiteral("Nothing measured: no test has run."));
    if (!r.meterPicture.isEmpty())
        html += picture(r.meterPicture, QStringLiteral("Link quality meter"), QString());
    html += QStringLiteral("<table id=\"quality\" border=\"1\" cellspacing=\"0\" "
                           "cellpadding=\"3\">\n");
    if (!r.bins.empty()) {
        html +=
            factRow(QStringLiteral("Hop bin: total reports"), shortestText(float(r.totalReports)));
        html += factRow(QStringLiteral("Hop bin: missed bins"), shortestText(float(r.missedBins)));
        html +=
            factRow(QStringLiteral("Hop bin: percentage good"), formatPercent(r.percentageGood));
        html += factRow(QStringLiteral("Hop bin: average RSSI"),
                        dbText(r.averageRssi) + QStringLiteral(" dBm"));
    }
    if (r.spectrumMeasured) {
        html += factRow(QStringLiteral("Spectrum: peak average"),
                        dbText(r.spectrumPeakMean) + QStringLiteral(" dBm"));
        html += factRow(QStringLiteral("Spectrum: trailing average"),
                        dbText(r.spectrumAverageMean) + QStringLiteral(" dBm"));
        html += factRow(QStringLiteral("Spectrum: percentage good"), formatPercent(r.spectrumGood));
    }
    return html + kTableEnd;
}

QString spectrum(const SiteReport& r) {
    QString html = QStringLiteral("<h2>Spectrum analyzer</h2>\n");
    if (!r.spectrumMeasured)
        return html + nothing(QStringLiteral("Nothing measured: the spectrum test has not run "
                                             "since its traces were reset."));
    html += picture(r.spectrumPicture, QStringLiteral("Spectrum analyzer"),
                    QStringLiteral("No picture: the spectrum window is closed."));
    html += QStringLiteral("<h3>Markers</h3>\n");
    if (r.markerReadouts.isEmpty()) {
        html += nothing(QStringLiteral("No marker readout yet."));
    } else {
        html += QStringLiteral("<ul id=\"markers\">\n");
        for (const QString& line : r.markerReadouts)
            html += QStringLiteral("<li>") % escaped(line) % QStringLiteral("</li>\n");
        html += QStringLiteral("</ul>\n");
    }
    html += QStringLiteral("<h3>Peaks (more than 5 dB above the dips on both sides)</h3>\n");
    if (r.peaks.empty())
        return html + nothing(QStringLiteral("No peak stands out of the trace."));
    html +=
        QStringLiteral("<table id=\"peaks\" border=\"1\" cellspacing=\"0\" cellpadding=\"3\">\n");
    html += headerRow({QStringLiteral("Frequency (MHz)"), QStringLiteral("Level (dB)")});
    for (const SiteReport::Peak& peak : r.peaks)
        html += QStringLiteral("<tr>") + cell(QString::number(peak.frequency, 'f', 2)) +
                cell(dbText(peak.level)) + QStringLiteral("</tr>\n");
    return html + kTableEnd;
}

QString radios(const SiteReport& r) {
    QString html = QStringLiteral("<h2>Radios heard (network query)</h2>\n");
    if (r.radios.empty())
        return html + nothing(QStringLiteral("No radios listed: no network query has run."));
    html += QStringLiteral("<table id=\"radios\" border=\"1\" cellspacing=\"0\" "
                           "cellpadding=\"3\">\n");
    html +=
        headerRow({QStringLiteral("Address"), QStringLiteral("Type"), QStringLiteral("RF Channel"),
                   QStringLiteral("Responses"), QStringLiteral("Description")});
    const QString left = QStringLiteral("left");
    for (const SiteReport::QueryRow& row : r.radios)
        html += QStringLiteral("<tr>") + cell(row.address, left) + cell(row.type, left) +
                cell(row.channel) + cell(row.responses) + cell(row.description, left) +
                QStringLiteral("</tr>\n");
    return html + kTableEnd;
}

QString thresholds(const SiteReport& r) {
    QString html = QStringLiteral("<h2>Thresholds in force</h2>\n");
    html += QStringLiteral("<p>A reading at or below the bad threshold grades Bad, one at or "
                           "below the marginal threshold Marginal, any other Good.</p>\n");
    html += QStringLiteral("<table id=\"thresholds\" border=\"1\" cellspacing=\"0\" "
                           "cellpadding=\"3\">\n");
    html += headerRow({QStringLiteral("Test"), QStringLiteral("Meter"), QStringLiteral("Marginal"),
                       QStringLiteral("Bad")});
    const QString left = QStringLiteral("left");
    for (const SiteReport::Threshold& t : r.thresholds)
        html += QStringLiteral("<tr>") + cell(t.test, left) + cell(t.meter, left) +
                cell(shortestText(t.marginal)) + cell(shortestText(t.bad)) +
                QStringLiteral("</tr>\n");
    return html + kTableEnd;
}

} // namespace

QString durationText(qint64 seconds) {
    if (seconds < 0)
        seconds = 0;
    const qint64 h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    const auto two = [](qint64 v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    if (h > 0)
        return QStringLiteral("%1 h %2 min %3 s").arg(h).arg(two(m), two(s));
    if (m > 0)
        return QStringLiteral("%1 min %2 s").arg(m).arg(two(s));
    return QStringLiteral("%1 s").arg(s);
}

QString siteReportHtml(const SiteReport& r) {
    const QString title =
        QStringLiteral("Site report ") + r.written.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    QString html =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<!DOCTYPE html>\n"
                       "<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\">\n<head>\n"
                       "<meta charset=\"UTF-8\" />\n");
    html += QStringLiteral("<title>") % escaped(title) % QStringLiteral("</title>\n");
    html += QStringLiteral(
        "<style>\n"
        "body { font-family: sans-serif; font-size: 9pt; }\n"
        "table { border-collapse: collapse; margin-bottom: 1em; }\n"
        "th, td { border: 1px solid #888888; padding: 2px 6px; white-space: nowrap; }\n"
        "th { background-color: #e8e8e8; }\n"
        "#bins td, #bins th { font-size: 8pt; padding: 1px 3px; }\n"
        "img { max-width: 100%; height: auto; }\n"
        ".none { color: #555555; }\n"
        "</style>\n</head>\n<body>\n");
    html += QStringLiteral("<h1>Veltrane Diagnostics Suite: site report</h1>\n");
    html += overview(r) + hopBins(r) + linkQuality(r) + spectrum(r) + radios(r) + thresholds(r);
    return html + QStringLiteral("</body>\n</html>\n");
}
