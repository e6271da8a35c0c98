#include "recording/document_folder.h"

#include "core/atomic_file.h"
#include "ui/file_dialogs.h"
#include "ui/message_boxes.h"

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

bool saveDocument(FileDialogs& dialogs, const FileDialogRequest& request, const QByteArray& bytes,
                  MessageBoxes& messages) {
    const QString path = dialogs.chooseFileToSave(request);
    if (path.isEmpty())
        return false;
    rememberDocumentFolder(path);
    const QString error = writeFileAtomically(path, bytes);
    if (error.isEmpty())
        return true;
    messages.showMessage(error);
    return false;
}
