#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

// A folder nothing can be written to. Permissions stop an ordinary user; the
// superuser ignores them, so for root the folder becomes a read-only tmpfs. Empty
// when neither works (the test is then skipped).
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& path) : path_(path) {
        QDir().mkpath(path_);
        QFile::setPermissions(path_, QFile::ReadOwner | QFile::ExeOwner);
        if (!writable())
            return;
        if (::mount("tmpfs", path_.toLocal8Bit().constData(), "tmpfs", MS_RDONLY, "size=16k") == 0)
            mounted_ = true;
        if (writable())
            path_.clear();
    }
    ~ReadOnlyFolder() {
        if (mounted_)
            ::umount(QFile::encodeName(path_).constData());
        QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    // Empty when no read-only folder could be made.
    QString path() const { return path_; }

private:
    bool writable() const {
        QFile probe(path_ + QStringLiteral("/probe"));
        const bool ok = probe.open(QIODevice::WriteOnly);
        if (ok)
            probe.remove();
        return ok;
    }
    QString path_;
    bool mounted_ = false;
};

// A disk that fills after `bytes`, as seen by this process: the file size limit
// makes the kernel refuse writes beyond it (the suite ignores SIGXFSZ), as a full
// disk does. Lifted again when it goes out of scope.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &before_);
        rlimit limited = before_;
        limited.rlim_cur = bytes;
        active_ = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &before_); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool active() const { return active_; }

private:
    rlimit before_{};
    bool active_ = false;
};
