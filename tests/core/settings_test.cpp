// The settings file: every key read from its own name, each text accepted only within
// its key's type and range, exactly the keys each save writes, descriptions that
// round-trip, and a file that reading never rewrites.

#include "core/settings.h"
#include "core/settings_store.h"
#include "link/link_status_display.h"
#include "link/port_settings.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <charconv>
#include <gtest/gtest.h>
#include <map>
#include <type_traits>

namespace {

const QString kSettings = QStringLiteral("Settings");
const QString kComPorts = QStringLiteral("COM Ports");

// "key=text|key=text" as it looks in the file.
QStringList entries(const char* list) {
    return QString::fromUtf8(list).split(u'|');
}
QString keyOf(const QString& entry) {
    return entry.section(u'=', 0, 0);
}
QString valueOf(const QString& entry) {
    return entry.section(u'=', 1);
}
QString sectionOf(const QString& key) {
    return key.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) ? kComPorts : kSettings;
}

template <typename T> QString text(const T& value) {
    if constexpr (std::is_same_v<T, QString>) {
        return value;
    } else if constexpr (std::is_floating_point_v<T>) {
        char buffer[32];
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, value + T{0}).ptr;
        return QString::fromLatin1(buffer, end - buffer);
    } else {
        return QString::number(value);
    }
}

using Fields = std::map<QString, QString>;

// Everything the store holds, by key name, as the canonical text of its value.
Fields fields(const Settings& s) {
    Fields out;
#define F(key, member) out[QStringLiteral(key)] = text(s.member)
    F("Port", Port), F("Baud", Baud), F("Parity", Parity), F("Port1 USB", ConnectionType);
    F("Background Color", BackgroundColor), F("Graph Color", GraphColor);
    F("Message Color", MessageColor), F("Grid Color", GridColor), F("Label Color", LabelColor);
    F("Marker1 Color", Marker1Color), F("Marker2 Color", Marker2Color);
    F("Center Frequency", CenterFrequency), F("Span", Span), F("Amplitude", Amplitude);
    F("Attenuator", Attenuator), F("SpecAn Top", SpecAnTop), F("SpecAn Bottom", SpecAnBottom);
    F("SpecAn Left", SpecAnLeft), F("SpecAn Right", SpecAnRight), F("Graph Top", GraphTop);
    F("Graph Left", GraphLeft), F("Bins Top", BinsTop), F("Bins Bottom", BinsBottom);
    F("Bins Left", BinsLeft), F("Bins Right", BinsRight), F("Stop Light Top", StopLightTop);
    F("Stop Light Bottom", StopLightBottom), F("Stop Light Left", StopLightLeft);
    F("Stop Light Right", StopLightRight);
    F("Marginal Stop Light 00", MarginalThreshold[0][0]),
        F("Bad Stop Light 00", BadThreshold[0][0]);
    F("Marginal Stop Light 01", MarginalThreshold[0][1]),
        F("Bad Stop Light 01", BadThreshold[0][1]);
    F("Marginal Stop Light 10", MarginalThreshold[1][0]),
        F("Bad Stop Light 10", BadThreshold[1][0]);
    F("Marginal Stop Light 11", MarginalThreshold[1][1]),
        F("Bad Stop Light 11", BadThreshold[1][1]);
    F("Number of Gradiants", NumberOfGradiants), F("Number of Points", NumberOfPoints);
    F("TXTestSize", TXTestSize), F("Retries", Retries), F("Network Query", NetworkQuery);
    F("Real Time Check", RealTimeCheck), F("Peak Check", PeakCheck);
    F("Average Check", AverageCheck), F("Meter Type0", MeterType[0]);
    F("Meter Type1", MeterType[1]), F("Meter Test", MeterTest), F("TCP Address", TcpAddress);
    F("TCP Port", TcpPort);
#undef F
    for (std::size_t i = 0; i < s.ComPortDevices.size(); ++i)
        out[QStringLiteral("COM%1").arg(i + 1)] = s.ComPortDevices[i];
    return out;
}

// The defaults of a first run, as the values themselves.
const QStringList kDefaults =
    entries("Port=0|Baud=10|Parity=0|Port1 USB=0|Center Frequency=915|Span=26|Amplitude=-40|"
            "Attenuator=0|Number of Points=50|TXTestSize=64|Retries=1|Network Query=1|"
            "Real Time Check=1|Peak Check=1|Average Check=1|Meter Test=0|Meter Type0=0|"
            "TCP Address=127.0.0.1|TCP Port=5000|COM1=");

// Every key with a valid text that differs from its default, in its canonical form.
const QStringList kEveryKey =
    entries("Port=4|Baud=11|Parity=1|Port1 USB=1|Background Color=16777215|Graph Color=255|"
            "Message Color=16711680|Grid Color=4294967295|Label Color=8421504|"
            "Marker1 Color=4294967294|Marker2 Color=2147483648|Center Frequency=902.5|Span=10.5|"
            "Amplitude=-60|Attenuator=1|SpecAn Top=101|SpecAn Bottom=102|SpecAn Left=103|"
            "SpecAn Right=104|Graph Top=105|Graph Left=106|Bins Top=107|Bins Bottom=108|"
            "Bins Left=109|Bins Right=110|Stop Light Top=111|Stop Light Bottom=112|"
            "Stop Light Left=113|Stop Light Right=114|Marginal Stop Light 00=-81|"
            "Bad Stop Light 00=-96|Marginal Stop Light 01=86|Bad Stop Light 01=71|"
            "Marginal Stop Light 10=-84|Bad Stop Light 10=-76|Marginal Stop Light 11=87|"
            "Bad Stop Light 11=72|Number of Gradiants=12|Number of Points=100|TXTestSize=128|"
            "Retries=255|Network Query=0|Real Time Check=0|Peak Check=0|Average Check=0|"
            "Meter Type0=1|Meter Type1=1|Meter Test=1|TCP Address=10.1.2.3|TCP Port=4001|"
            "COM1=/dev/pts/3|COM16=/dev/ttyUSB1");

class SettingsStoreTest : public ::testing::Test {
protected:
    Settings load() const {
        SettingsStore store(path_);
        Settings settings;
        LoadSettings(settings, store);
        return settings;
    }
    // A fresh store holding only these keys, loaded.
    Settings loadWith(const QStringList& keys) const {
        QFile::remove(path_);
        {
            SettingsStore store(path_);
            for (const QString& entry : keys)
                store.write(sectionOf(keyOf(entry)), keyOf(entry), valueOf(entry));
        }
        return load();
    }
    void expectValues(const Settings& loaded, const QStringList& keys) const {
        Fields expected = fields(Settings{});
        for (const QString& entry : keys)
            expected[keyOf(entry)] = valueOf(entry);
        const Fields actual = fields(loaded);
        for (const auto& [key, value] : expected)
            EXPECT_EQ(actual.at(key).toStdString(), value.toStdString()) << key.toStdString();
    }
    // Loading leaves the file byte for byte and date for date as it was.
    void expectLoadLeavesFileAlone(const QStringList& expected = {}) const {
        QFile file(path_);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6)),
                                     QFileDevice::FileModificationTime));
        const QByteArray bytes = file.readAll();
        file.close();
        expectValues(load(), expected);
        EXPECT_EQ(QFileInfo(path_).lastModified(), QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6)));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), bytes);
    }
    QStringList keysIn(const QString& section) const {
        QSettings raw(path_, QSettings::IniFormat);
        raw.beginGroup(section);
        QStringList keys = raw.childKeys();
        keys.sort();
        return keys;
    }

    QTemporaryDir dir_;
    QString path_ = dir_.filePath(QStringLiteral("Veltrane Diagnostics.exe.ini"));
};

TEST_F(SettingsStoreTest, AFirstRunGivesTheDefaultsAndCreatesNothing) {
    SettingsStore store(dir_.filePath(QStringLiteral("not/there/store.ini")));
    Settings settings;
    settings.ComPortDevices[0] = QStringLiteral("/dev/pts/9"); // what a load does not hold goes
    LoadSettings(settings, store);
    expectValues(settings, kDefaults);
    settings.applyStartupConversions();
    EXPECT_EQ(settings.BaudText, QStringLiteral("57600"));
    EXPECT_EQ(settings.ParityLetter, QStringLiteral("n"));
    EXPECT_FALSE(QFileInfo::exists(dir_.filePath(QStringLiteral("not"))));

    const std::pair<std::int16_t, const char*> bauds[] = {
        {0, "110"}, {5, "9600"}, {11, "115200"}, {-1, "-1"}, {300, "300"}};
    for (const auto& [baud, expected] : bauds) {
        settings.Baud = baud;
        settings.Parity = 1;
        settings.applyStartupConversions();
        EXPECT_EQ(settings.BaudText.toStdString(), expected);
        EXPECT_EQ(settings.ParityLetter, QString());
    }
}

TEST_F(SettingsStoreTest, EveryKeyIsReadFromItsOwnNameAndReadingNeverRewritesTheFile) {
    expectValues(loadWith(kEveryKey), kEveryKey);
    expectLoadLeavesFileAlone(kEveryKey);
}

TEST_F(SettingsStoreTest, EachTextIsAcceptedOnlyWithinItsKeysTypeAndRange) {
    const QStringList accepted = entries(
        "Attenuator=  7 =7|Attenuator=+7=7|Attenuator=-32768=-32768|"
        "Center Frequency=\t902.5 =902.5|Span=1e+20=1e+20|Amplitude=-0=0|TCP Port=65535=65535|"
        "TCP Port=0=0|"
        "Grid Color=-1=4294967295|Marker2 Color=-2147483648=2147483648|Network Query=TRUE=1|"
        "Network Query=fAlSe=0|Network Query= false =0|Network Query=-1=1|Network Query=2=1|"
        "TCP Address=  10.0.0.5  =10.0.0.5|COM16= /dev/ttyUSB0 =/dev/ttyUSB0|Port=15=15|"
        "Number of Points=2=2|Number of Points=256=256|Retries=1=1");
    for (const QString& entry : accepted) {
        SCOPED_TRACE(entry.toStdString());
        const QString key = keyOf(entry), given = entry.section(u'=', 1, 1);
        expectValues(loadWith({key + u'=' + given}), {key + u'=' + entry.section(u'=', 2)});
    }
    // Outside the key's type or range, control characters, device paths that are not
    // absolute, keys that are not ours: all give the default.
    const QStringList refused = entries(
        "Port=2147483648|Baud=32768|Attenuator=-32769|Number of Points=1.5|TXTestSize=2147483648|"
        "Retries=0|Retries=256|Meter Test=2|Meter Type0=-1|TCP Port=65536|TCP Port=-1|"
        "Grid Color=4294967296|Grid Color=-2147483649|Center Frequency=3.5e38|Span=-1e39|"
        "Network Query=yes|Network Query=1.0|TCP Address=   |TCP Address=a\tb|"
        "TCP Address=x\x7f|COM3=dev/pts/4|COM3=/dev/\x01|COM17=/dev/x|com1=/dev/x|Port=16|"
        "Port=-1|Number of Points=1|Number of Points=257|Real Time Check=2|Peak Check=-1|"
        "Average Check=65537|Span=nan|Span=inf|Span=0x10|Span=1,5|Span=@Variant(x)|Span=7 7");
    for (const QString& entry : refused) {
        SCOPED_TRACE(entry.toStdString());
        expectValues(loadWith({entry}), {});
    }
}

// A hand-edited port the dialog does not offer opens as COM1 and is named so; a stored
// parity other than none opens the line without parity.
TEST_F(SettingsStoreTest, OutOfRangePortAndParityGiveAPortThatOpensAndIsNamedAsOpened) {
    Settings settings = loadWith(entries("Port=65536|Parity=1"));
    settings.applyStartupConversions();
    EXPECT_EQ(PortSettings::fromSettings(settings).settingsString(), QStringLiteral("57600,n,8,1"));
    EXPECT_TRUE(LinkStatusDisplay::communicationFailureText(settings).contains(
        QStringLiteral("Hardware is COM1 and")));
}

TEST_F(SettingsStoreTest, EachSaveWritesExactlyItsOwnKeysAsShortestTexts) {
    const struct {
        void (*save)(const Settings&, SettingsStore&);
        QStringList keys;
    } saves[] = {
        {SaveSettings, entries("Port=3|Center Frequency=902.5|Span=0.1|Amplitude=-40|Attenuator=2|"
                               "Retries=7|Real Time Check=0|Peak Check=0|Average Check=1|"
                               "Meter Type0=1|Meter Type1=0|Meter Test=1")},
        {SaveConnectionSettings,
         entries("Port=2|Baud=11|Port1 USB=1|TCP Address=192.168.1.20|TCP Port=4001")},
        {SaveThresholds, entries("Marginal Stop Light 00=-81.5|Bad Stop Light 00=-96.25|"
                                 "Marginal Stop Light 01=86|Bad Stop Light 01=71|"
                                 "Marginal Stop Light 10=-86.5|Bad Stop Light 10=-74|"
                                 "Marginal Stop Light 11=90.5|Bad Stop Light 11=60")},
        {SaveColours, entries("Background Color=4294967295|Graph Color=2147483648|"
                              "Message Color=1193046|Grid Color=0|Label Color=16777215|"
                              "Marker1 Color=1|Marker2 Color=16711680")},
        {SaveComPortDevices, entries("COM1=/dev/pts/7|COM16=/dev/ttyUSB0")},
    };
    for (const auto& save : saves) {
        const Settings settings = loadWith(save.keys + entries("Graph Top=5|Number of Points=77"));
        QFile::remove(path_);
        {
            SettingsStore store(path_);
            save.save(settings, store);
        }
        QStringList names;
        for (const QString& entry : save.keys)
            names << keyOf(entry);
        names.sort();
        const QString section = sectionOf(names.front());
        EXPECT_EQ(keysIn(section), names);
        const SettingsStore store(path_);
        for (const QString& entry : save.keys)
            EXPECT_EQ(store.read(section, keyOf(entry)), valueOf(entry));
    }
    QFile file(path_);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("[COM%20Ports]\nCOM1=/dev/pts/7\nCOM16=/dev/ttyUSB0\n"));
}

TEST_F(SettingsStoreTest, GarbledAndForeignFilesGiveDefaultsAndAreLeftAlone) {
    QFile file(path_);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Settings]\nPort=1,5\nBaud=@Variant(\\0\\0\\0\\t\\0\\x7f\\xff\\xff\\xf0)\n"
               "Parity=@ByteArray(abc)\nBackground%20Color=@Rect(1 2 3 4)\nAttenuator=  7  \n"
               "Amplitude=\"-50\"\n[COM%20Ports]\nCOM1=/dev/ttyUSB0, /dev/ttyUSB1\n"
               "[MAC%20Addresses]\nA1B2C3=roof, north\nD4E5F6=\"roof, south\"\n");
    file.close();
    expectLoadLeavesFileAlone(entries("Attenuator=7|Amplitude=-50"));
    const SettingsStore store(path_);
    EXPECT_EQ(ReadDescription(store, QStringLiteral("A1B2C3")), QString());
    EXPECT_EQ(ReadDescription(store, QStringLiteral("D4E5F6")), QStringLiteral("roof, south"));

    QRandomGenerator random(77);
    for (int round = 0; round < 20; ++round) {
        QByteArray bytes(4096, '\0');
        for (char& byte : bytes)
            byte = static_cast<char>(random.bounded(256));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        expectLoadLeavesFileAlone();
    }
    QFile::remove(path_);
    ASSERT_TRUE(QDir().mkdir(path_)); // a folder where the file should be
    expectValues(load(), {});
}

TEST_F(SettingsStoreTest, DescriptionsRoundTripUnchangedInTheirOwnSection) {
    const QString texts[] = {QStringLiteral("Roof antenna, north side"),
                             QString(),
                             QStringLiteral(" padded "),
                             QStringLiteral("x = y; [section] # not a comment"),
                             QStringLiteral("\"quoted\" 'single'"),
                             QStringLiteral("line one\nline two\r\n"),
                             QStringLiteral("tab\there\\back\\slash"),
                             QStringLiteral("@Variant(\\0\\0)"),
                             QStringLiteral("%20%41"),
                             QStringLiteral("Größe 東京 🙂"),
                             QStringLiteral(";like a comment"),
                             QString(2000, QLatin1Char('z'))};
    const auto address = [](int n) { return QStringLiteral("0000%1").arg(n, 2, 10, QChar('0')); };
    {
        SettingsStore store(path_);
        for (int n = 0; n < int(std::size(texts)); ++n)
            WriteDescription(store, address(n), texts[n]);
        WriteDescription(store, QStringLiteral("A1B2C3"), QStringLiteral("old"));
        WriteDescription(store, QStringLiteral("A1B2C3"), QStringLiteral("new"));
    }
    const SettingsStore store(path_);
    for (int n = 0; n < int(std::size(texts)); ++n)
        EXPECT_EQ(ReadDescription(store, address(n)), texts[n]) << n;
    EXPECT_EQ(ReadDescription(store, QStringLiteral("A1B2C3")), QStringLiteral("new"));
    EXPECT_EQ(ReadDescription(store, QStringLiteral("a1b2c3")), QString());
    EXPECT_TRUE(keysIn(kSettings).isEmpty());
}

TEST_F(SettingsStoreTest, TheFilesFollowTheXdgFolders) {
    const QByteArray config = qgetenv("XDG_CONFIG_HOME"), data = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir_.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir_.filePath(QStringLiteral("data"))));
    EXPECT_EQ(SettingsStore::defaultPath(),
              dir_.filePath(QStringLiteral("config/Veltrane/Veltrane Diagnostics.exe.ini")));
    const QString folder = FindProgramDirectory();
    EXPECT_EQ(folder, dir_.filePath(QStringLiteral("data/veltrane-diagnostics/")));
    EXPECT_TRUE(QFileInfo(folder).isDir());
    qputenv("XDG_DATA_HOME", QFile::encodeName(path_ + QStringLiteral("/x"))); // a file in the way
    QFile(path_).open(QIODevice::WriteOnly);
    EXPECT_EQ(FindProgramDirectory(), QString());
    qputenv("XDG_CONFIG_HOME", config);
    qputenv("XDG_DATA_HOME", data);
}

} // namespace
