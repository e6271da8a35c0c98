#pragma once

#include <QByteArray>
#include <QString>

class FileDialogs;
class MessageBoxes;
struct FileDialogRequest;

// Where the dialogs that save or open documents of a site visit (query files,
// statistics) start: the folder of the file saved or opened last in this run, else
// the user's documents folder, else the home folder. Ends in "/".
QString documentFolder();
// Remembers the folder of `path` for the next dialog.
void rememberDocumentFolder(const QString& path);

// Asks where to save `bytes` (starting in documentFolder()) and writes them whole or
// not at all; a failure is shown. False when cancelled or failed.
bool saveDocument(FileDialogs& dialogs, const FileDialogRequest& request, const QByteArray& bytes,
                  MessageBoxes& messages);
