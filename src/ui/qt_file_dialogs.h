#pragma once

#include "ui/file_dialogs.h"

class QWidget;

// FileDialogs with QFileDialog, modal over `parent`.
class QtFileDialogs : public FileDialogs {
public:
    explicit QtFileDialogs(QWidget* parent) : parent_(parent) {}
    QString chooseFileToSave(const FileDialogRequest& request) override;
    QString chooseFileToOpen(const FileDialogRequest& request) override;

private:
    QString run(const FileDialogRequest& request, bool save);
    QWidget* parent_;
};
