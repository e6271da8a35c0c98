#pragma once

#include "app/acquisition_control.h"
#include "app/site_report.h"

#include <QImage>

class Suite;

// The analyzers' pictures as their windows show them; a null image for a window
// that is closed.
struct ReportPictures {
    QImage hopBin;
    QImage spectrum;
    QImage meter;
};

// The report of what the suite holds now: its connection, the last run, the
// statistics and traces, the radios in the query grid and the thresholds.
SiteReport collectSiteReport(const Suite& suite, const AcquisitionControl::RunSpan& run,
                             const ReportPictures& pictures, const QDateTime& now);

// A picture as PNG bytes that carry the screen's resolution; empty for a null image.
QByteArray pngBytes(const QImage& picture);
