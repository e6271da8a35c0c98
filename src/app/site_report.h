#pragma once

#include "core/settings.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// What an installer takes away from a site visit: the connection, the radios, the
// last test and its figures, the pictures, the radios heard and the thresholds the
// grades were made with. Plain data, filled from the suite at the moment the report
// is saved; the HTML is written from it alone.
struct SiteReport {
    QDateTime written;
    QString version;
    QString connection;  // "Serial port /dev/ttyUSB0" or "TCP 10.0.0.5:4001"
    QString ownAddress;  // "12 34 56"; empty when not read
    QString destination; // empty when this program has not set one

    // The last run of an analyzer; testName empty when none has run.
    QString testName;
    bool fromRecording = false;
    QDateTime started;
    QDateTime ended; // not valid while the run goes on

    struct BinSide {
        float last = 0, peak = 0, minimum = 0, average = 0;
        QString grade;                                  // "Good", "Marginal", "Bad"
        QString colour;                                 // "#RRGGBB", as the bar is drawn
        QString textColour = QStringLiteral("#000000"); // readable on `colour`
    };
    struct BinRow {
        int bin = 0;
        BinSide remote, pc;
    };
    // The hop bin test; empty rows when nothing was measured.
    QByteArray hopBinPicture; // PNG; empty when the window is closed
    std::vector<BinRow> bins;
    double totalReports = 0;
    double missedBins = 0;
    double percentageGood = 0; // fraction 0..1
    double averageRssi = 0;    // dBm

    // The spectrum test.
    QByteArray spectrumPicture;
    bool spectrumMeasured = false;
    QStringList markerReadouts;
    struct Peak {
        double frequency = 0; // MHz
        double level = 0;     // dB
    };
    std::vector<Peak> peaks;
    double spectrumPeakMean = 0;
    double spectrumAverageMean = 0;
    double spectrumGood = 0; // fraction of points graded good

    // The link quality meter as it is drawn now.
    QByteArray meterPicture;
    QString meterTitle;

    struct QueryRow {
        QString address, type, channel, responses, description;
    };
    std::vector<QueryRow> radios;

    struct Threshold {
        QString test, meter;
        float marginal = 0, bad = 0;
    };
    std::vector<Threshold> thresholds;
};

// "1 h 02 min 05 s", "3 min 20 s", "12 s": how long a run lasted.
QString durationText(qint64 seconds);

// The report as one XHTML document with its pictures embedded (data: URIs), so that
// it can be mailed or archived as a single file. It uses only markup that both a
// browser and Qt's own rich text (which prints the PDF) understand.
QString siteReportHtml(const SiteReport& report);
