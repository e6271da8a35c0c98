#pragma once

#include <QString>

// What a file dialog starts with.
struct FileDialogRequest {
    QString directory;     // the folder it opens in
    QString nameFilters;   // Qt filter list, the first one selected
    QString defaultSuffix; // added to a name typed without one
    QString selectedFile;  // a file name to start with, or empty
    QString title;         // the dialog's caption; empty: the recording dialogs' own
};

// The file dialogs of the transport buttons and of the documents of a site visit. The main window
// implements them with QFileDialog; tests answer them from a script. An empty path means cancelled.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // Asks before replacing an existing file.
    virtual QString chooseFileToSave(const FileDialogRequest& request) = 0;
    virtual QString chooseFileToOpen(const FileDialogRequest& request) = 0;
};
