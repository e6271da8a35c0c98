#pragma once

#include <QString>

// Where the dialogs that save or open documents of a site visit (query files,
// statistics) start: the folder of the file saved or opened last in this run, else
// the user's documents folder, else the home folder. Ends in "/".
QString documentFolder();
// Remembers the folder of `path` for the next dialog.
void rememberDocumentFolder(const QString& path);
