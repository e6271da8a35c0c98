#pragma once

#include <QString>

class QImage;

// Pictures and reports on disk. Each file is written to a temporary file beside
// it and renamed into place only when complete: a full disk or a folder that
// cannot be written leaves no partial file and keeps an older file of that name.
// Each function returns an empty text on success, else the message for the user.

// A picture as PNG; it carries the resolution it was drawn at.
QString savePictureFile(const QString& path, const QImage& picture);

// The report's HTML at `htmlPath` and its print on A4 as PDF beside it
// (pdfPathBeside). Both are written, or neither.
QString saveReportFiles(const QString& htmlPath, const QString& html);

// "site.html" -> "site.pdf"; a name without a suffix gets ".pdf" added.
QString pdfPathBeside(const QString& htmlPath);
