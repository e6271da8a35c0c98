#include "app/report_files.h"

#include "core/atomic_file.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>

namespace {

// The printed form of the report: A4, the HTML laid out as Qt's rich text.
QByteArray pdfBytes(const QString& html) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        writer.setResolution(96);
        writer.setTitle(QStringLiteral("Veltrane Diagnostics Suite: site report"));
        writer.setCreator(QStringLiteral("Veltrane Diagnostics Suite"));
        QTextDocument document;
        document.setDocumentMargin(0); // the page has its own margins
        document.setHtml(html);
        document.print(&writer);
    } // the writer finishes the file when it goes
    return bytes;
}

} // namespace

QString pdfPathBeside(const QString& htmlPath) {
    const QString suffix = QFileInfo(htmlPath).suffix();
    if (suffix.isEmpty())
        return htmlPath + QStringLiteral(".pdf");
    return htmlPath.left(htmlPath.size() - suffix.size()) + QStringLiteral("pdf");
}

QString savePictureFile(const QString& path, const QImage& picture) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    return writeFileAtomically(path, png);
}

QString saveReportFiles(const QString& htmlPath, const QString& html) {
    const QString pdfPath = pdfPathBeside(htmlPath);
    // The PDF first: it is the larger, so a disk about to fill up fails on it
    // before anything was replaced. Should the HTML fail after it, the new PDF
    // goes again: it never stands beside an HTML file of another visit.
    QString problem = writeFileAtomically(pdfPath, pdfBytes(html));
    if (!problem.isEmpty())
        return problem;
    problem = writeFileAtomically(htmlPath, html.toUtf8());
    if (!problem.isEmpty())
        QFile::remove(pdfPath);
    return problem;
}
