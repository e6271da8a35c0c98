// Any bytes as the settings file: loading must give valid values (defaults for
// whatever is not a number of its key's type), never crash, and never rewrite the
// file.

#include "core/settings.h"
#include "core/settings_store.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_settings_file";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static QTemporaryDir dir;

    const QString path = dir.filePath(QStringLiteral("settings.ini"));
    const QByteArray content(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(content);
    }

    Settings settings;
    {
        SettingsStore store(path);
        LoadSettings(settings, store);
    }
    settings.applyStartupConversions();

    if (!std::isfinite(settings.CenterFrequency) || !std::isfinite(settings.Span) ||
        !std::isfinite(settings.Amplitude))
        std::abort();
    if (settings.Retries < 1 || settings.Retries > 255)
        std::abort();

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.readAll() != content)
        std::abort(); // reading must never rewrite the store
    return 0;
}
