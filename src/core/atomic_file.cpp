#include "core/atomic_file.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <csignal>
#include <mutex>

namespace {

// A file size limit (ulimit -f) would end the program with SIGXFSZ; ignored, the
// write fails with an error like a full disk.
void ignoreFileSizeSignal() {
    static std::once_flag once;
    std::call_once(once, [] { std::signal(SIGXFSZ, SIG_IGN); });
}

QString failure(const QString& path, const QString& reason) {
    return QStringLiteral("Could not save \"%1\": %2.\n\nNothing was written; choose another "
                          "folder or free some space, then save again.")
        .arg(QDir::toNativeSeparators(path), reason);
}

} // namespace

QString writeFileAtomically(const QString& path, const QByteArray& bytes) {
    ignoreFileSizeSignal();
    const QFileInfo target(path);
    const QFileInfo folder(target.absolutePath());
    if (!folder.exists() || !folder.isDir())
        return failure(path, QStringLiteral("the folder does not exist"));
    if (target.isDir())
        return failure(path, QStringLiteral("a folder has that name"));

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        const QString reason =
            folder.isWritable() ? file.errorString() : QStringLiteral("the folder is read-only");
        return failure(path, reason.isEmpty() ? QStringLiteral("it cannot be created") : reason);
    }
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting(); // the temporary file is removed, the target untouched
        return failure(
            path, QStringLiteral("the disk is full or the file is too large (%1)").arg(reason));
    }
    if (!file.commit()) // flush, sync, rename; on failure the temporary file is removed
        return failure(path, QStringLiteral("the disk is full or the file could not be "
                                            "completed (%1)")
                                 .arg(file.errorString()));
    return QString();
}
