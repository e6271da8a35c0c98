#pragma once

// Shared by the fuzz targets: the invariant check, the Qt application some of them
// need (timers, file engines), and a per-process file for targets that read files.

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>
#include <cstdlib>
#include <unistd.h>

// A broken invariant is a finding: abort so that libFuzzer keeps the input.
inline void check(bool condition) {
    if (!condition)
        std::abort();
}

// One QCoreApplication for the whole fuzzing process.
inline void ensureApplication() {
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

// `bytes` as the content of this process's file named after `tag` and `suffix`
// ("recording", ".ban"); returns its path.
inline QString writeFuzzFile(const char* tag, const char* suffix, const char* bytes, qint64 size) {
    const QString path = QDir::tempPath() + QStringLiteral("/veltrane-fuzz-%1-%2%3")
                                                .arg(QLatin1String(tag))
                                                .arg(getpid())
                                                .arg(QLatin1String(suffix));
    QFile file(path);
    check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    check(file.write(bytes, size) == size);
    return path;
}
