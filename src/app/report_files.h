#pragma once

#include <QString>

class QImage;

// Pictures and reports on disk, each file written whole or not at all
// (writeFileAtomically). Each function returns an empty text on success, else the
// message for the user.

// A picture as PNG; it carries the resolution it was drawn at.
QString savePictureFile(const QString& path, const QImage& picture);

// The report's HTML at `htmlPath` and its print on A4 as PDF beside it
// (pdfPathBeside). A failure leaves no new PDF without its HTML.
QString saveReportFiles(const QString& htmlPath, const QString& html);

// "site.html" -> "site.pdf"; a name without a suffix gets ".pdf" added.
QString pdfPathBeside(const QString& htmlPath);
