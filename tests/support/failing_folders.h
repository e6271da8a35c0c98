#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <sys/mount.h>
#include <sys/resource.h>

// A folder nothing can be written to. Permissions stop an ordinary user; the
// superuser ignores them, so for root the folder becomes a read-only tmpfs. Its
// path is empty when neither works (the caller then skips the check).
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& path) : path_(path) {
        QDir().mkpath(path_);
        QFile::setPermissions(path_, QFile::ReadOwner | QFile::ExeOwner);
        if (writable())
            mounted_ = ::mount("tmpfs", QFile::encodeName(path_).constData(), "tmpfs", MS_RDONLY,
                               "size=16k") == 0;
        if (writable())
            path_.clear();
    }
    ~ReadOnlyFolder() {
        if (mounted_)
            ::umount(QFile::encodeName(path_).constData());
        QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    QString path() const { return path_; }

private:
    bool writable() const {
        QFile probe(path_ + QStringLiteral("/probe"));
        return probe.open(QIODevice::WriteOnly) && probe.remove();
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
    bool active() const { return active_; }

private:
    rlimit before_{};
    bool active_ = false;
};
