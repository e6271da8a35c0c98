#include "app/document_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
// Per run only: the suite's settings keep no paths of documents.
QString& lastFolder() {
    static QString folder;
    return folder;
}
} // namespace

QString documentFolder() {
    QString folder = lastFolder();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

void rememberDocumentFolder(const QString& path) {
    lastFolder() = QFileInfo(path).absolutePath();
}
