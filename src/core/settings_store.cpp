#include "core/settings_store.h"

#include "core/number_text.h"

#include <QDir>
#include <QFileInfo>
#include <QMetaType>
#include <QStandardPaths>
#include <QVariant>
#include <exception>
#include <limits>

namespace {

const QString kSettingsSection = QStringLiteral("Settings");
const QString kMacAddressesSection = QStringLiteral("MAC Addresses");
const QString kComPortsSection = QStringLiteral("COM Ports");

QString keyPath(const QString& section, const QString& key) {
    return section + QLatin1Char('/') + key;
}

bool hasControlCharacter(const QString& text) {
    for (QChar c : text)
        if (c.category() == QChar::Other_Control)
            return true;
    return false;
}

QString thresholdKey(const char* prefix, int test, int meter) {
    return QLatin1String(prefix) + QString::number(test) + QString::number(meter);
}

QString comPortKey(std::size_t index) {
    return QStringLiteral("COM") + QString::number(index + 1);
}

// Reads the keys of one section: each key's text is checked for its type and the
// member takes either the stored value or the default.
class SectionReader {
public:
    SectionReader(const SettingsStore& store, const QString& section)
        : store_(store), section_(section) {}

    template <typename Integer>
    void integer(const char* key, Integer& member, Integer fallback,
                 std::int64_t min = std::numeric_limits<Integer>::min(),
                 std::int64_t max = std::numeric_limits<Integer>::max()) {
        member = fallback;
        if (const auto text = stored(key))
            if (const auto value = parseInteger(*text, min, max))
                member = static_cast<Integer>(*value);
    }

    void number(const char* key, float& member, float fallback) {
        member = fallback;
        if (const auto text = stored(key))
            if (const auto value = parseFloat(*text))
                member = *value;
    }

    // Stored as decimal numbers: 0..4294967295, or a negative 32-bit number that
    // stands for the same bit pattern.
    void colour(const char* key, Colour& member, Colour fallback) {
        member = fallback;
        if (const auto text = stored(key))
            if (const auto value = parseInteger(*text, std::numeric_limits<std::int32_t>::min(),
                                                std::numeric_limits<std::uint32_t>::max()))
                member = static_cast<Colour>(static_cast<std::uint32_t>(*value & 0xFFFFFFFF));
    }

    // True/False in any letter case, or an integer (0 = False, anything else True).
    void boolean(const char* key, bool& member, bool fallback) {
        member = fallback;
        const auto text = stored(key);
        if (!text)
            return;
        const QString word = text->trimmed();
        if (word.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
            member = true;
        else if (word.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
            member = false;
        else if (const auto value = parseInteger(word, std::numeric_limits<std::int64_t>::min(),
                                                 std::numeric_limits<std::int64_t>::max()))
            member = *value != 0;
    }

    // A non-empty text without control characters, surrounding white space removed.
    void text(const char* key, QString& member, const QString& fallback) {
        member = fallback;
        if (const auto value = stored(key)) {
            const QString trimmed = value->trimmed();
            if (!trimmed.isEmpty() && !hasControlCharacter(trimmed))
                member = trimmed;
        }
    }

    // An absolute device path; anything else leaves the port unmapped (empty).
    void devicePath(const QString& key, QString& member) {
        member.clear();
        if (const auto value = store_.read(section_, key)) {
            const QString trimmed = value->trimmed();
            if (trimmed.startsWith(QLatin1Char('/')) && !hasControlCharacter(trimmed))
                member = trimmed;
        }
    }

private:
    std::optional<QString> stored(const char* key) const {
        return store_.read(section_, QLatin1String(key));
    }

    const SettingsStore& store_;
    const QString section_;
};

} // namespace

SettingsStore::SettingsStore(const QString& iniPath)
    : store_(std::make_unique<QSettings>(iniPath, QSettings::IniFormat)) {}

QString SettingsStore::defaultPath() {
    // The file QSettings(IniFormat, UserScope, "Veltrane", "Veltrane Diagnostics.exe")
    // uses. QSettings caches its default folder for the life of the process; asking
    // QStandardPaths directly follows XDG_CONFIG_HOME as it is now.
    // QSettings also makes a relative XDG_CONFIG_HOME absolute.
    return QFileInfo(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                     QStringLiteral("/Veltrane/Veltrane Diagnostics.exe.ini"))
        .absoluteFilePath();
}

QString SettingsStore::path() const {
    return store_->fileName();
}

std::optional<QString> SettingsStore::read(const QString& section, const QString& key) const {
    if (key.isEmpty())
        return std::nullopt;
    const QString path = keyPath(section, key);
    try {
        if (!store_->contains(path))
            return std::nullopt;
        // Only a plain text is a value of ours: QSettings turns "1,5" into a list and
        // "@..." forms into other types; those read as an invalid (empty) text.
        const QVariant value = store_->value(path);
        if (value.metaType().id() == QMetaType::QString)
            return value.toString();
    } catch (const std::exception&) {
        // A garbled value that could not be decoded counts as an invalid text.
    }
    return QString();
}

void SettingsStore::write(const QString& section, const QString& key, const QString& text) {
    if (key.isEmpty())
        return;
    store_->setValue(keyPath(section, key), text);
}

void SettingsStore::remove(const QString& section, const QString& key) {
    if (key.isEmpty())
        return; // an empty key would remove the whole section
    store_->remove(keyPath(section, key));
}

bool SettingsStore::sync() {
    store_->sync();
    // A FormatError from reading a garbled file stays set after a successful write,
    // so only AccessError means the file could not be written.
    return store_->status() != QSettings::AccessError;
}

void LoadSettings(Settings& settings, const SettingsStore& store) {
    const Settings defaults;
    Settings& s = settings;
    const Settings& d = defaults;
    SectionReader r(store, kSettingsSection);

    // COM1 to COM16: the ports the connection dialog offers and "COM Ports" maps.
    r.integer("Port", s.Port, d.Port, 0, static_cast<std::int64_t>(s.ComPortDevices.size()) - 1);
    r.integer("Baud", s.Baud, d.Baud);
    r.integer("Parity", s.Parity, d.Parity);
    r.integer("Port1 USB", s.ConnectionType, d.ConnectionType);

    r.colour("Background Color", s.BackgroundColor, d.BackgroundColor);
    r.colour("Graph Color", s.GraphColor, d.GraphColor);
    r.colour("Message Color", s.MessageColor, d.MessageColor);
    r.colour("Grid Color", s.GridColor, d.GridColor);
    r.colour("Label Color", s.LabelColor, d.LabelColor);
    r.colour("Marker1 Color", s.Marker1Color, d.Marker1Color);
    r.colour("Marker2 Color", s.Marker2Color, d.Marker2Color);

    r.number("Center Frequency", s.CenterFrequency, d.CenterFrequency);
    r.number("Span", s.Span, d.Span);
    r.number("Amplitude", s.Amplitude, d.Amplitude);
    r.integer("Attenuator", s.Attenuator, d.Attenuator);

    r.integer("SpecAn Top", s.SpecAnTop, d.SpecAnTop);
    r.integer("SpecAn Bottom", s.SpecAnBottom, d.SpecAnBottom);
    r.integer("SpecAn Left", s.SpecAnLeft, d.SpecAnLeft);
    r.integer("SpecAn Right", s.SpecAnRight, d.SpecAnRight);
    r.integer("Graph Top", s.GraphTop, d.GraphTop);
    r.integer("Graph Left", s.GraphLeft, d.GraphLeft);
    r.integer("Bins Top", s.BinsTop, d.BinsTop);
    r.integer("Bins Bottom", s.BinsBottom, d.BinsBottom);
    r.integer("Bins Left", s.BinsLeft, d.BinsLeft);
    r.integer("Bins Right", s.BinsRight, d.BinsRight);
    r.integer("Stop Light Top", s.StopLightTop, d.StopLightTop);
    r.integer("Stop Light Bottom", s.StopLightBottom, d.StopLightBottom);
    r.integer("Stop Light Left", s.StopLightLeft, d.StopLightLeft);
    r.integer("Stop Light Right", s.StopLightRight, d.StopLightRight);

    for (int test = 0; test < 2; ++test) {
        for (int meter = 0; meter < 2; ++meter) {
            const QByteArray marginal =
                thresholdKey("Marginal Stop Light ", test, meter).toLatin1();
            const QByteArray bad = thresholdKey("Bad Stop Light ", test, meter).toLatin1();
            r.number(marginal.constData(), s.MarginalThreshold[test][meter],
                     d.MarginalThreshold[test][meter]);
            r.number(bad.constData(), s.BadThreshold[test][meter], d.BadThreshold[test][meter]);
        }
    }

    r.integer("Number of Gradiants", s.NumberOfGradiants, d.NumberOfGradiants);
    // A trace needs two points; the radio's point index is one byte.
    r.integer("Number of Points", s.NumberOfPoints, d.NumberOfPoints, 2, 256);
    r.integer("TXTestSize", s.TXTestSize, d.TXTestSize);
    r.integer("Retries", s.Retries, d.Retries, 1, 255);
    r.boolean("Network Query", s.NetworkQuery, d.NetworkQuery);
    // Button states: 1 pressed, 0 released.
    r.integer("Real Time Check", s.RealTimeCheck, d.RealTimeCheck, 0, 1);
    r.integer("Peak Check", s.PeakCheck, d.PeakCheck, 0, 1);
    r.integer("Average Check", s.AverageCheck, d.AverageCheck, 0, 1);
    // These index the two threshold tables: only 0 and 1 are usable.
    r.integer("Meter Type0", s.MeterType[0], d.MeterType[0], 0, 1);
    r.integer("Meter Type1", s.MeterType[1], d.MeterType[1], 0, 1);
    r.integer("Meter Test", s.MeterTest, d.MeterTest, 0, 1);

    r.text("TCP Address", s.TcpAddress, d.TcpAddress);
    r.integer("TCP Port", s.TcpPort, d.TcpPort, 0, 65535);

    SectionReader ports(store, kComPortsSection);
    for (std::size_t i = 0; i < s.ComPortDevices.size(); ++i)
        ports.devicePath(comPortKey(i), s.ComPortDevices[i]);
}

void SaveSettings(const Settings& settings, SettingsStore& store) {
    const Settings& s = settings;
    auto put = [&store](const char* key, const QString& text) {
        store.write(kSettingsSection, QLatin1String(key), text);
    };
    put("Port", shortestText(s.Port));
    put("Center Frequency", shortestText(s.CenterFrequency));
    put("Span", shortestText(s.Span));
    put("Amplitude", shortestText(s.Amplitude));
    put("Attenuator", shortestText(s.Attenuator));
    put("Retries", shortestText(s.Retries));
    put("Real Time Check", shortestText(s.RealTimeCheck));
    put("Peak Check", shortestText(s.PeakCheck));
    put("Average Check", shortestText(s.AverageCheck));
    put("Meter Type0", shortestText(s.MeterType[0]));
    put("Meter Type1", shortestText(s.MeterType[1]));
    put("Meter Test", shortestText(s.MeterTest));
    store.sync();
}

void SaveConnectionSettings(const Settings& settings, SettingsStore& store) {
    store.write(kSettingsSection, QStringLiteral("Port"), shortestText(settings.Port));
    store.write(kSettingsSection, QStringLiteral("Baud"), shortestText(settings.Baud));
    store.write(kSettingsSection, QStringLiteral("Port1 USB"),
                shortestText(settings.ConnectionType));
    store.write(kSettingsSection, QStringLiteral("TCP Address"), settings.TcpAddress);
    store.write(kSettingsSection, QStringLiteral("TCP Port"), shortestText(settings.TcpPort));
    store.sync();
}

void SaveThresholds(const Settings& settings, SettingsStore& store) {
    for (int test = 0; test < 2; ++test) {
        for (int meter = 0; meter < 2; ++meter) {
            store.write(kSettingsSection, thresholdKey("Marginal Stop Light ", test, meter),
                        shortestText(settings.MarginalThreshold[test][meter]));
            store.write(kSettingsSection, thresholdKey("Bad Stop Light ", test, meter),
                        shortestText(settings.BadThreshold[test][meter]));
        }
    }
    store.sync();
}

void SaveColours(const Settings& settings, SettingsStore& store) {
    const Settings& s = settings;
    auto put = [&store](const char* key, Colour colour) {
        store.write(kSettingsSection, QLatin1String(key),
                    shortestText(static_cast<std::int64_t>(colour)));
    };
    put("Background Color", s.BackgroundColor);
    put("Graph Color", s.GraphColor);
    put("Message Color", s.MessageColor);
    put("Grid Color", s.GridColor);
    put("Label Color", s.LabelColor);
    put("Marker1 Color", s.Marker1Color);
    put("Marker2 Color", s.Marker2Color);
    store.sync();
}

void SaveComPortDevices(const Settings& settings, SettingsStore& store) {
    for (std::size_t i = 0; i < settings.ComPortDevices.size(); ++i) {
        const QString& device = settings.ComPortDevices[i];
        if (device.isEmpty())
            store.remove(kComPortsSection, comPortKey(i));
        else
            store.write(kComPortsSection, comPortKey(i), device);
    }
    store.sync();
}

QString ReadDescription(const SettingsStore& store, const QString& address) {
    return store.read(kMacAddressesSection, address).value_or(QString());
}

void WriteDescription(SettingsStore& store, const QString& address, const QString& text) {
    store.write(kMacAddressesSection, address, text);
    store.sync();
}

QString FindProgramDirectory() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        return QString();
    const QString directory =
        QDir::cleanPath(QDir(base).absolutePath()) + QStringLiteral("/veltrane-diagnostics/");
    if (!QDir().mkpath(directory))
        return QString();
    return directory;
}
