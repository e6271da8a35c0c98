#include "network/query_file_commands.h"

#include "recording/document_folder.h"
#include "network/network_query.h"
#include "network/query_file.h"
#include "ui/file_dialogs.h"
#include "ui/message_boxes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString kQueryFilters = QStringLiteral("Query Files (*.csv);;All Files (*)");

FileDialogRequest queryDialog(const QString& title) {
    FileDialogRequest request;
    request.title = title;
    request.directory = documentFolder();
    request.nameFilters = kQueryFilters;
    request.defaultSuffix = QStringLiteral("csv");
    return request;
}

QString cannotLoad(const QString& path, const QString& why) {
    return QStringLiteral("Could not load \"%1\": %2.\n\nThe results on the grid are unchanged.")
        .arg(QDir::toNativeSeparators(path), why);
}

// The bytes of the file, at most one more than a query file may have (enough to
// tell that it is too large without reading a huge file into memory).
std::optional<QByteArray> readAtMostLimit(const QString& path, QString& why) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        why = file.errorString();
        return std::nullopt;
    }
    return file.read(kQueryFileSizeLimit + 1);
}

} // namespace

QString pastQueryText(const QDateTime& ranAt, const QString& path) {
    return QStringLiteral("Past query of %1, from %2")
        .arg(ranAt.toString(QStringLiteral("yyyy-MM-dd HH:mm")), QFileInfo(path).fileName());
}

void SaveQuery(const NetworkQuery& query, FileDialogs& dialogs, MessageBoxes& messages) {
    if (!query.RanAt.isValid()) {
        messages.showMessage(QStringLiteral("There is no query to save: press Run Query first, "
                                            "or load a saved query."));
        return;
    }
    // Taken now: a running query may list more radios behind the dialog.
    const QByteArray bytes = queryFileBytes(query.resultsAsFile());
    FileDialogRequest request = queryDialog(QStringLiteral("Save Query"));
    request.selectedFile =
        QStringLiteral("query-%1.csv").arg(query.RanAt.toString(QStringLiteral("yyyy-MM-dd-HHmm")));
    saveDocument(dialogs, request, bytes, messages);
}

std::optional<QString> LoadQuery(NetworkQuery& query, FileDialogs& dialogs,
                                 MessageBoxes& messages) {
    const auto refusedWhileRunning = [&] {
        if (!query.running())
            return false;
        messages.showMessage(QStringLiteral("A query is running: press Stop Query before you "
                                            "load a saved one."));
        return true;
    };
    if (refusedWhileRunning())
        return std::nullopt;
    const QString path = dialogs.chooseFileToOpen(queryDialog(QStringLiteral("Load Query")));
    if (path.isEmpty())
        return std::nullopt;
    rememberDocumentFolder(path);
    QString why;
    const std::optional<QByteArray> bytes = readAtMostLimit(path, why);
    if (!bytes) {
        messages.showMessage(cannotLoad(path, why));
        return std::nullopt;
    }
    const QueryFileRead read = readQueryFile(*bytes);
    if (!read.error.isEmpty()) {
        messages.showMessage(cannotLoad(path, read.error));
        return std::nullopt;
    }
    // The user may have pressed Run Query while the dialog was open.
    if (refusedWhileRunning())
        return std::nullopt;
    query.showPastQuery(read.query);
    return pastQueryText(read.query.ranAt, path);
}
