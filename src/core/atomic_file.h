#pragma once

#include <QByteArray>
#include <QString>

// Writes a whole file or nothing: the bytes go to a temporary file beside the
// target, which replaces the target only once everything is on the disk. A full
// disk, a read-only folder or a file size limit leave the folder as it was: no
// partial file, and an existing file of that name unchanged.
// Returns an empty text on success, otherwise a message for the user that names
// the file and the reason.
QString writeFileAtomically(const QString& path, const QByteArray& bytes);
