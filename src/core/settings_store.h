#pragma once

#include "core/settings.h"

#include <QSettings>
#include <QString>
#include <memory>
#include <optional>

// The per-user key/value store behind Settings: an INI file with the sections
// "Settings", "MAC Addresses" and "COM Ports", every value kept as text.
// A missing, unreadable or garbled file reads as "every key absent"; reading
// never rewrites the file.
class SettingsStore {
public:
    // The store at an explicit path (the --settings option, tests).
    explicit SettingsStore(const QString& iniPath);

    // ~/.config/Veltrane/Veltrane Diagnostics.exe.ini (XDG_CONFIG_HOME honoured).
    static QString defaultPath();

    QString path() const;

    // The stored text of a key, or nullopt when the key is absent. A value that is
    // not a plain text in the file (an unquoted "1,5" list, "@Variant(...)",
    // "@ByteArray(...)" and the like) reads as the empty text, which no key accepts
    // as valid, so such a key gets its default.
    std::optional<QString> read(const QString& section, const QString& key) const;
    // Stores the text as it is (QSettings quotes and escapes as needed, so any text
    // reads back unchanged). An empty key is ignored.
    void write(const QString& section, const QString& key, const QString& text);
    // Deletes one key; an absent or empty key is ignored.
    void remove(const QString& section, const QString& key);

    // Flushes pending writes to disk; false when the file could not be written.
    bool sync();

private:
    std::unique_ptr<QSettings> store_;
};

// Reads every key into its variable (an absent key or a value that is not a number of
// the key's type gives the key's default), then applies nothing else: the start-up
// conversions are Settings::applyStartupConversions. Besides the type's range,
// "Retries" must lie in 1..255, "Port" in 0..15 (COM1 to COM16), "Number of Points"
// in 2..256, "Meter Test", "Meter Type0", "Meter Type1" in 0..1 (they index the
// threshold tables) and "Real Time Check", "Peak Check", "Average Check" in 0..1; "TCP Address" is
// trimmed and must be non-empty without control characters; a "COM Ports" device must be an
// absolute path without control characters (else it reads as empty, not mapped). Colours accept
// 0..4294967295 and, as the registry kept them, negative 32-bit numbers (taken as the same bit
// pattern). "Network Query" accepts True/False in any case and integers (0 = False).
void LoadSettings(Settings& settings, const SettingsStore& store);

// Writes the run-time keys the main window saves when it closes, in this order:
// "Port", "Center Frequency", "Span", "Amplitude", "Attenuator", "Retries",
// "Real Time Check", "Peak Check", "Average Check", "Meter Type0", "Meter Type1",
// "Meter Test".
void SaveSettings(const Settings& settings, SettingsStore& store);

// The keys the dialogs write when their OK is pressed. Each writes its keys as texts
// and flushes the file.
// Connection dialog: "Port", "Baud" (the list index), "Port1 USB", "TCP Address",
// "TCP Port".
void SaveConnectionSettings(const Settings& settings, SettingsStore& store);
// Connection dialog: the eight "Marginal Stop Light ij" / "Bad Stop Light ij" keys.
void SaveThresholds(const Settings& settings, SettingsStore& store);
// Colour dialog: the seven colour keys, as unsigned decimal numbers.
void SaveColours(const Settings& settings, SettingsStore& store);
// Section "COM Ports": "COM1" ... "COM16"; an empty device removes its key.
void SaveComPortDevices(const Settings& settings, SettingsStore& store);

// The user's description of a remote radio, section "MAC Addresses", keyed by the
// radio's address text. An absent key reads as the empty text; any text round-trips.
QString ReadDescription(const SettingsStore& store, const QString& address);
void WriteDescription(SettingsStore& store, const QString& address, const QString& text);

// The suite's writable per-user data directory (recordings live below it), with a
// trailing "/". Created when missing; empty when it cannot be created.
QString FindProgramDirectory();
