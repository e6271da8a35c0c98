#include "ui/qt_file_dialogs.h"

#include <QDir>
#include <QFileDialog>

QString QtFileDialogs::chooseFileToSave(const FileDialogRequest& request) {
    return run(request, true);
}

QString QtFileDialogs::chooseFileToOpen(const FileDialogRequest& request) {
    return run(request, false);
}

QString QtFileDialogs::run(const FileDialogRequest& request, bool save) {
    const QString title = !request.title.isEmpty() ? request.title
                          : save                   ? QStringLiteral("Save Recording As")
                                                   : QStringLiteral("Open Recording");
    QFileDialog dialog(parent_, title, request.directory, request.nameFilters);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // A name typed without a dot gets the suffix only when saving: when opening, it
    // would turn the name of an existing file without one into a file that is not there.
    if (save)
        dialog.setDefaultSuffix(request.defaultSuffix);
    const QStringList filters = request.nameFilters.split(QStringLiteral(";;"));
    dialog.selectNameFilter(filters.value(0));
    if (!request.selectedFile.isEmpty())
        dialog.selectFile(request.selectedFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return QDir::cleanPath(dialog.selectedFiles().constFirst());
}
