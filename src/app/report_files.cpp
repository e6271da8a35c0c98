#include "app/report_files.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>
#include <csignal>
#include <mutex>

namespace {

// A file size limit (ulimit -f) would otherwise end the program with SIGXFSZ in the
// middle of a write; ignored, the write fails like a full disk and the user is told.
void ignoreFileSizeSignal() {
    static std::once_flag once;
    std::call_once(once, [] { std::signal(SIGXFSZ, SIG_IGN); });
}

QString failure(const QString& what, const QString& path, const QString& reason) {
    return QStringLiteral("The %1 could not be saved to %2: %3. Nothing was written.")
        .arg(what, QDir::toNativeSeparators(path), reason);
}

// The printed form of the report: A4, the HTML laid out as Qt's rich text.
void printPdf(const QString& html, QIODevice& device) {
    QPdfWriter writer(&device);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    writer.setResolution(96);
    writer.setTitle(QStringLiteral("Veltrane Diagnostics Suite: site report"));
    writer.setCreator(QStringLiteral("Veltrane Diagnostics Suite"));
    QTextDocument document;
    document.setDocumentMargin(0); // the page has its own margins
    document.setHtml(html);
    document.print(&writer);
}

} // namespace

QString pdfPathBeside(const QString& htmlPath) {
    const QFileInfo info(htmlPath);
    const QString suffix = info.suffix();
    if (suffix.isEmpty())
        return htmlPath + QStringLiteral(".pdf");
    return htmlPath.left(htmlPath.size() - suffix.size()) + QStringLiteral("pdf");
}

QString savePictureFile(const QString& path, const QImage& picture) {
    ignoreFileSizeSignal();
    const QString what = QStringLiteral("picture");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failure(what, path, file.errorString());
    if (!picture.save(&file, "PNG") || file.error() != QFileDevice::NoError) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return failure(what, path, reason);
    }
    if (!file.commit())
        return failure(what, path, file.errorString());
    return QString();
}

QString saveReportFiles(const QString& htmlPath, const QString& html) {
    ignoreFileSizeSignal();
    const QString what = QStringLiteral("report");
    const QString pdfPath = pdfPathBeside(htmlPath);
    QSaveFile htmlFile(htmlPath);
    QSaveFile pdfFile(pdfPath);
    if (!htmlFile.open(QIODevice::WriteOnly))
        return failure(what, htmlPath, htmlFile.errorString());
    if (!pdfFile.open(QIODevice::WriteOnly)) {
        htmlFile.cancelWriting();
        return failure(what, pdfPath, pdfFile.errorString());
    }
    const QByteArray bytes = html.toUtf8();
    if (htmlFile.write(bytes) != bytes.size() || !htmlFile.flush()) {
        const QString reason = htmlFile.errorString();
        htmlFile.cancelWriting();
        pdfFile.cancelWriting();
        return failure(what, htmlPath, reason);
    }
    printPdf(html, pdfFile);
    if (pdfFile.error() != QFileDevice::NoError || !pdfFile.flush()) {
        const QString reason = pdfFile.errorString();
        htmlFile.cancelWriting();
        pdfFile.cancelWriting();
        return failure(what, pdfPath, reason);
    }
    // The PDF first: should the HTML then fail, the PDF that was just put in place
    // goes again, so that the two never disagree.
    if (!pdfFile.commit()) {
        htmlFile.cancelWriting();
        return failure(what, pdfPath, pdfFile.errorString());
    }
    if (!htmlFile.commit()) {
        QFile::remove(pdfPath);
        return failure(what, htmlPath, htmlFile.errorString());
    }
    return QString();
}
