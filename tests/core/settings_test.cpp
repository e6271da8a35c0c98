// The settings file: every key read from its own name, each text accepted only within
// its key's type and range, exactly the keys each save writes, descriptions that
// round-trip, and a file that reading never rewrites.

#include "core/number_text.h"
#include "core/settings_store.h"
#include "link/link_status_display.h"
#include "link/port_settings.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// "key=text|key=text" as it looks in the file.
QStringList entries(const char* list) {
    return QString::fromUtf8(list).split(u'|');
}

template <typename T> QString text(const T& value) {
    if constexpr (std::is_floating_point_v<T>)
        return shortestText(value);
    else if constexpr (std::is_integral_v<T>)
        return QString::number(value);
    else
        return value;
}

using Fields = std::map<QString, QString>;

// Everything the store holds, by key name, as the canonical text of its value.
Fields fields(const Settings& s) {
    Fields out;
#define F(key, member) out[QStringLiteral(key)] = text(s.member)
// Thresholds [test][meter], the key ending in the two digits.
#define T(i, j)                                                                                    \
    F("Marginal Stop Light " #i #j, MarginalThreshold[i][j]),                                      \
        F("Bad Stop Light " #i #j, BadThreshold[i][j])
    F("Port", Port), F("Baud", Baud), F("Parity", Parity), F("Port1 USB", ConnectionType),
        F("Background Color", BackgroundColor), F("Graph Color", GraphColor),
        F("Message Color", MessageColor), F("Grid Color", GridColor), F("Label Color", LabelColor),
        F("Marker1 Color", Marker1Color), F("Marker2 Color", Marker2Color),
        F("Center Frequency", CenterFrequency), F("Span", Span), F("Amplitude", Amplitude),
        F("Attenuator", Attenuator), F("SpecAn Top", SpecAnTop), F("SpecAn Bottom", SpecAnBottom),
        F("SpecAn Left", SpecAnLeft), F("SpecAn Right", SpecAnRight), F("Graph Top", GraphTop),
        F("Graph Left", GraphLeft), F("Bins Top", BinsTop), F("Bins Bottom", BinsBottom),
        F("Bins Left", BinsLeft), F("Bins Right", BinsRight), F("Stop Light Top", StopLightTop),
        F("Stop Light Bottom", StopLightBottom), F("Stop Light Left", StopLightLeft),
        F("Stop Light Right", StopLightRight), F("Number of Gradiants", NumberOfGradiants),
        F("Number of Points", NumberOfPoints), F("TXTestSize", TXTestSize), F("Retries", Retries),
        F("Network Query", NetworkQuery), F("Real Time Check", RealTimeCheck),
        F("Peak Check", PeakCheck), F("Average Check", AverageCheck),
        F("Meter Type0", MeterType[0]), F("Meter Type1", MeterType[1]), F("Meter Test", MeterTest),
        F("TCP Address", TcpAddress), F("TCP Port", TcpPort), T(0, 0), T(0, 1), T(1, 0), T(1, 1);
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
            "Marker1 Color=4294967294|Marker2 Color=2147483648|Center Frequency=902.5|Span=0.1|"
            "Amplitude=-60|Attenuator=1|SpecAn Top=101|SpecAn Bottom=102|SpecAn Left=103|"
            "SpecAn Right=104|Graph Top=105|Graph Left=106|Bins Top=107|Bins Bottom=108|"
            "Bins Left=109|Bins Right=110|Stop Light Top=111|Stop Light Bottom=112|"
            "Stop Light Left=113|Stop Light Right=114|Marginal Stop Light 00=-81.5|"
            "Bad Stop Light 00=-96|Marginal Stop Light 01=86|Bad Stop Light 01=71|"
            "Marginal Stop Light 10=-84|Bad Stop Light 10=-76|Marginal Stop Light 11=87|"
            "Bad Stop Light 11=72|Number of Gradiants=12|Number of Points=100|TXTestSize=128|"
            "Retries=255|Network Query=0|Real Time Check=0|Peak Check=0|Average Check=0|"
            "Meter Type0=1|Meter Type1=1|Meter Test=1|TCP Address=10.1.2.3|TCP Port=4001|"
            "COM1=/dev/pts/3|COM16=/dev/ttyUSB1");

class SettingsStoreTest : public ::testing::Test {
protected:
    static QString keyOf(const QString& entry) { return entry.section(u'=', 0, 0); }
    static QString valueOf(const QString& entry) { return entry.section(u'=', 1); }
    static QString sectionOf(const QString& key) {
        return key.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) ? "COM Ports" : "Settings";
    }
    Settings load() const {
        Settings s;
        LoadSettings(s, SettingsStore(path_));
        return s;
    }
    // A fresh store holding only these keys, loaded.
    Settings loadWith(const QStringList& keys) const {
        QFile::remove(path_);
        SettingsStore store(path_);
        for (const QString& entry : keys)
            store.write(sectionOf(keyOf(entry)), keyOf(entry), valueOf(entry));
        store.sync();
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
    // Writes the file, loads it, and sees it left byte for byte and date for date.
    void expectLoadLeavesFileAlone(const QByteArray& bytes, const QStringList& expected = {}) {
        QFile file(path_);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_TRUE(file.write(bytes) == bytes.size() && file.flush());
        ASSERT_TRUE(file.setFileTime(kOld, QFileDevice::FileModificationTime)); // nothing after
        expectValues(load(), expected);
        EXPECT_EQ(QFileInfo(path_).lastModified(), kOld);
        EXPECT_EQ(fileBytes(), bytes);
    }
    QByteArray fileBytes() const {
        QFile f(path_);
        return f.open(QFile::ReadOnly) ? f.readAll() : "";
    }
    QStringList keysIn(const QString& section) const {
        QSettings raw(path_, QSettings::IniFormat);
        raw.beginGroup(section);
        return raw.childKeys(); // sorted
    }

    const QDateTime kOld{QDate(2001, 2, 3), QTime(4, 5, 6)};
    QTemporaryDir dir_;
    QString path_ = dir_.filePath(QStringLiteral("Veltrane Diagnostics.exe.ini"));
};

TEST_F(SettingsStoreTest, AFirstRunGivesTheDefaultsAndCreatesNothing) {
    SettingsStore store(dir_.filePath(QStringLiteral("not/there/store.ini")));
    Settings settings;
    settings.ComPortDevices[0] = QStringLiteral("/dev/pts/9"); // what a load does not hold goes
    LoadSettings(settings, store);
    expectValues(settings, kDefaults);
    EXPECT_FALSE(QFileInfo::exists(dir_.filePath(QStringLiteral("not"))));
    // Baud index to rate text (out of the table: the number), parity letter.
    settings.applyStartupConversions();
    EXPECT_EQ(settings.BaudText + settings.ParityLetter, QStringLiteral("57600n"));
    for (const QString& entry : entries("0=110|5=9600|11=115200|-1=-1|300=300")) {
        settings.Baud = std::int16_t(keyOf(entry).toInt()), settings.Parity = 1;
        settings.applyStartupConversions();
        EXPECT_EQ(settings.BaudText + settings.ParityLetter, valueOf(entry));
    }
}

TEST_F(SettingsStoreTest, EveryKeyIsReadFromItsOwnNameAndReadingNeverRewritesTheFile) {
    expectValues(loadWith(kEveryKey), kEveryKey);
    expectLoadLeavesFileAlone(fileBytes(), kEveryKey);
}

TEST_F(SettingsStoreTest, EachTextIsAcceptedOnlyWithinItsKeysTypeAndRange) {
    // Key, text, value loaded. Outside the key's type or range, control characters,
    // device paths that are not absolute, keys that are not ours: no value, the default.
    const QStringList texts = entries(
        "Attenuator=  7 =7|Attenuator=-32768=-32768|Center Frequency=\t902.5 =902.5|"
        "Span=1e+20=1e+20|Amplitude=-0=0|TCP Port=65535=65535|TCP Port=0=0|"
        "Grid Color=-1=4294967295|Marker2 Color=-2147483648=2147483648|Network Query=TRUE=1|"
        "Network Query=fAlSe=0|Network Query= false =0|Network Query=-1=1|"
        "TCP Address=  10.0.0.5  =10.0.0.5|COM16= /dev/ttyUSB0 =/dev/ttyUSB0|Port=15=15|"
        "Number of Points=2=2|Number of Points=256=256|Retries=1=1|"
        "Baud=32768|Attenuator=-32769|Number of Points=1.5|TXTestSize=2147483648|Retries=0|"
        "Retries=256|Meter Test=2|Meter Type0=-1|TCP Port=65536|TCP Port=-1|Grid Color=4294967296|"
        "Grid Color=-2147483649|Center Frequency=3.5e38|Network Query=yes|Network Query=1.0|"
        "TCP Address=   |TCP Address=a\tb|TCP Address=x\x7f|COM3=dev/pts/4|COM3=/dev/\x01|"
        "COM17=/dev/x|com1=/dev/x|Port=16|Port=-1|Number of Points=1|Number of Points=257|"
        "Real Time Check=2|Peak Check=-1|Average Check=65537|Span=nan|Span=1,5|Span=@Variant(x)");
    for (const QString& entry : texts) {
        SCOPED_TRACE(entry.toStdString());
        const QString key = keyOf(entry), loaded = entry.section(u'=', 2);
        expectValues(loadWith({key + u'=' + entry.section(u'=', 1, 1)}),
                     entry.count(u'=') == 2 ? QStringList{key + u'=' + loaded} : QStringList{});
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

// Each save, from one load of every key, writes exactly its own keys (sorted here) as
// the shortest texts of their values.
TEST_F(SettingsStoreTest, EachSaveWritesExactlyItsOwnKeysAsShortestTexts) {
    const Settings settings = loadWith(kEveryKey + entries("Meter Type1=0|Peak Check=1"));
    const Fields values = fields(settings);
    const std::pair<void (*)(const Settings&, SettingsStore&), const char*> saves[] = {
        {SaveSettings, "Amplitude|Attenuator|Average Check|Center Frequency|Meter Test|"
                       "Meter Type0|Meter Type1|Peak Check|Port|Real Time Check|Retries|Span"},
        {SaveConnectionSettings, "Baud|Port|Port1 USB|TCP Address|TCP Port"},
        {SaveThresholds, "Bad Stop Light 00|Bad Stop Light 01|Bad Stop Light 10|Bad Stop Light 11|"
                         "Marginal Stop Light 00|Marginal Stop Light 01|Marginal Stop Light 10|"
                         "Marginal Stop Light 11"},
        {SaveColours, "Background Color|Graph Color|Grid Color|Label Color|Marker1 Color|"
                      "Marker2 Color|Message Color"},
        {SaveComPortDevices, "COM1|COM16"}};
    for (const auto& [save, keys] : saves) {
        QFile::remove(path_);
        SettingsStore saved(path_);
        save(settings, saved); // each save syncs
        const QStringList names = QString::fromLatin1(keys).split(u'|');
        EXPECT_EQ(keysIn(sectionOf(names.front())), names);
        const SettingsStore store(path_);
        for (const QString& key : names)
            EXPECT_EQ(store.read(sectionOf(key), key), values.at(key)) << key.toStdString();
    }
    EXPECT_EQ(fileBytes(), "[COM%20Ports]\nCOM1=/dev/pts/3\nCOM16=/dev/ttyUSB1\n");
}

TEST_F(SettingsStoreTest, GarbledAndForeignFilesGiveDefaultsAndAreLeftAlone) {
    expectLoadLeavesFileAlone(
        "[Settings]\nPort=1,5\nBaud=@Variant(\\0\\0\\0\\t\\0\\x7f\\xff\\xff\\xf0)\n"
        "Parity=@ByteArray(abc)\nBackground%20Color=@Rect(1 2 3 4)\nAttenuator=  7  \n"
        "Amplitude=\"-50\"\n[COM%20Ports]\nCOM1=/dev/ttyUSB0, /dev/ttyUSB1\n"
        "[MAC%20Addresses]\nA1B2C3=roof, north\nD4E5F6=\"roof, south\"\n",
        entries("Attenuator=7|Amplitude=-50"));
    const SettingsStore store(path_);
    EXPECT_EQ(ReadDescription(store, QStringLiteral("A1B2C3")), QString());
    EXPECT_EQ(ReadDescription(store, QStringLiteral("D4E5F6")), QStringLiteral("roof, south"));

    QRandomGenerator random(77);
    for (int round = 0; round < 20; ++round) {
        QByteArray bytes(4096, '\0');
        random.fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
        expectLoadLeavesFileAlone(bytes);
    }
    QFile::remove(path_);
    ASSERT_TRUE(QDir().mkdir(path_)); // a folder where the file should be
    expectValues(load(), {});
}

TEST_F(SettingsStoreTest, DescriptionsRoundTripUnchangedInTheirOwnSection) {
    const QStringList texts =
        QString::fromUtf8(
            "Roof antenna, north side x = y; [section] # not|| padded \"quoted\" 'single' |"
            "line one\nline two\r\ntab\there\\back\\slash %20%41|"
            "@Variant(\\0\\0) Größe 東京 🙂|;like a comment")
            .split(u'|')
        << QString(2000, QLatin1Char('z'));
    SettingsStore written(path_); // each write syncs
    for (int n = 0; n < texts.size(); ++n)
        WriteDescription(written, "00000" + QString::number(n), texts[n]);
    WriteDescription(written, QStringLiteral("A1B2C3"), QStringLiteral("old"));
    WriteDescription(written, QStringLiteral("A1B2C3"), QStringLiteral("new"));
    const SettingsStore store(path_);
    for (int n = 0; n < texts.size(); ++n)
        EXPECT_EQ(ReadDescription(store, "00000" + QString::number(n)), texts[n]) << n;
    EXPECT_EQ(ReadDescription(store, QStringLiteral("A1B2C3")), QStringLiteral("new"));
    EXPECT_EQ(ReadDescription(store, QStringLiteral("a1b2c3")), QString());
    EXPECT_TRUE(keysIn(QStringLiteral("Settings")).isEmpty());
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
