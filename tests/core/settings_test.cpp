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
#include <algorithm>
#include <charconv>
#include <gtest/gtest.h>
#include <map>
#include <ostream>
#include <string_view>
#include <sys/stat.h>
#include <type_traits>
#include <utility>
#include <vector>

// Readable QString values in failure messages.
static void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

const QString kSettings = QStringLiteral("Settings");
const QString kComPorts = QStringLiteral("COM Ports");

// Entries "key=text", as they look in the file.
using Entries = std::vector<std::string>;
// Entries written as one text, separated by "|".
Entries entries(std::string_view list) {
    Entries out;
    for (std::size_t at = 0; at <= list.size();) {
        const std::size_t end = std::min(list.find('|', at), list.size());
        out.emplace_back(list.substr(at, end - at));
        at = end + 1;
    }
    return out;
}
std::pair<QString, QString> split(const std::string& entry) {
    const QString text = QString::fromStdString(entry);
    const qsizetype at = text.indexOf(u'=');
    return {text.left(at), text.mid(at + 1)};
}
using Fields = std::map<QString, QString>;

QString sectionOf(const QString& key) {
    return key.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) ? kComPorts : kSettings;
}

QString text(const QString& value) {
    return value;
}
template <typename T> QString text(T value) {
    if constexpr (std::is_floating_point_v<T>) {
        char buffer[32];
        // Shortest text that reads back as the same float; -0 and 0 are the same value.
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, value + T{0}).ptr;
        return QString::fromLatin1(buffer, end - buffer);
    } else {
        return QString::number(value);
    }
}

Fields& operator<<(Fields& fields, std::pair<QString, QString> field) {
    fields.insert_or_assign(field.first, field.second);
    return fields;
}

// Everything the store holds (not the values derived at start-up), by key name.
Fields fields(const Settings& s) {
#define FIELD(key, member) std::pair{QStringLiteral(key), text(s.member)}
    Fields out;
    out << FIELD("Port", Port) << FIELD("Baud", Baud) << FIELD("Parity", Parity)
        << FIELD("Port1 USB", ConnectionType) << FIELD("Background Color", BackgroundColor)
        << FIELD("Graph Color", GraphColor) << FIELD("Message Color", MessageColor)
        << FIELD("Grid Color", GridColor) << FIELD("Label Color", LabelColor)
        << FIELD("Marker1 Color", Marker1Color) << FIELD("Marker2 Color", Marker2Color)
        << FIELD("Center Frequency", CenterFrequency) << FIELD("Span", Span)
        << FIELD("Amplitude", Amplitude) << FIELD("Attenuator", Attenuator)
        << FIELD("SpecAn Top", SpecAnTop) << FIELD("SpecAn Bottom", SpecAnBottom)
        << FIELD("SpecAn Left", SpecAnLeft) << FIELD("SpecAn Right", SpecAnRight)
        << FIELD("Graph Top", GraphTop) << FIELD("Graph Left", GraphLeft)
        << FIELD("Bins Top", BinsTop) << FIELD("Bins Bottom", BinsBottom)
        << FIELD("Bins Left", BinsLeft) << FIELD("Bins Right", BinsRight)
        << FIELD("Stop Light Top", StopLightTop) << FIELD("Stop Light Bottom", StopLightBottom)
        << FIELD("Stop Light Left", StopLightLeft) << FIELD("Stop Light Right", StopLightRight)
        << FIELD("Marginal Stop Light 00", MarginalThreshold[0][0])
        << FIELD("Bad Stop Light 00", BadThreshold[0][0])
        << FIELD("Marginal Stop Light 01", MarginalThreshold[0][1])
        << FIELD("Bad Stop Light 01", BadThreshold[0][1])
        << FIELD("Marginal Stop Light 10", MarginalThreshold[1][0])
        << FIELD("Bad Stop Light 10", BadThreshold[1][0])
        << FIELD("Marginal Stop Light 11", MarginalThreshold[1][1])
        << FIELD("Bad Stop Light 11", BadThreshold[1][1])
        << FIELD("Number of Gradiants", NumberOfGradiants)
        << FIELD("Number of Points", NumberOfPoints) << FIELD("TXTestSize", TXTestSize)
        << FIELD("Retries", Retries) << FIELD("Network Query", NetworkQuery)
        << FIELD("Real Time Check", RealTimeCheck) << FIELD("Peak Check", PeakCheck)
        << FIELD("Average Check", AverageCheck) << FIELD("Meter Type0", MeterType[0])
        << FIELD("Meter Type1", MeterType[1]) << FIELD("Meter Test", MeterTest)
        << FIELD("TCP Address", TcpAddress) << FIELD("TCP Port", TcpPort);
#undef FIELD
    for (std::size_t i = 0; i < s.ComPortDevices.size(); ++i)
        out[QStringLiteral("COM%1").arg(i + 1)] = s.ComPortDevices[i];
    return out;
}

void expectFields(const Fields& actual, const Fields& expected) {
    for (const auto& [key, value] : expected)
        EXPECT_EQ(actual.at(key), value) << key.toStdString();
}
void expectSame(const Settings& actual, const Settings& expected) {
    expectFields(fields(actual), fields(expected));
}

// Every key with a valid text that differs from its default, in its canonical form.
const Entries kEveryKey =
    entries("Port=4|Baud=11|Parity=1|Port1 USB=1|Background Color=16777215|"
            "Graph Color=255|Message Color=16711680|Grid Color=4294967295|"
            "Label Color=8421504|Marker1 Color=4294967294|Marker2 Color=2147483648|"
            "Center Frequency=902.5|Span=10.5|Amplitude=-60|Attenuator=1|"
            "SpecAn Top=101|SpecAn Bottom=102|SpecAn Left=103|SpecAn Right=104|"
            "Graph Top=105|Graph Left=106|Bins Top=107|Bins Bottom=108|"
            "Bins Left=109|Bins Right=110|Stop Light Top=111|Stop Light Bottom=112|"
            "Stop Light Left=113|Stop Light Right=114|Marginal Stop Light 00=-81|"
            "Bad Stop Light 00=-96|Marginal Stop Light 01=86|Bad Stop Light 01=71|"
            "Marginal Stop Light 10=-84|Bad Stop Light 10=-76|"
            "Marginal Stop Light 11=87|Bad Stop Light 11=72|Number of Gradiants=12|"
            "Number of Points=100|TXTestSize=128|Retries=255|Network Query=0|"
            "Real Time Check=0|Peak Check=0|Average Check=0|Meter Type0=1|"
            "Meter Type1=1|Meter Test=1|TCP Address=10.1.2.3|TCP Port=4001|"
            "COM1=/dev/pts/3|COM16=/dev/ttyUSB1");

bool isNumeric(const QString& key) {
    return key != QLatin1String("TCP Address") && sectionOf(key) == kSettings;
}

// What a file looks like on disk, to prove that it was not touched.
struct FileState {
    QByteArray bytes;
    ino_t inode = 0;
    std::int64_t mtimeNs = 0;
    QStringList directory;

    static FileState of(const QString& path) {
        FileState state;
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            state.bytes = file.readAll();
        struct stat info {};
        if (::stat(QFile::encodeName(path).constData(), &info) == 0) {
            state.inode = info.st_ino;
            state.mtimeNs = std::int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec;
        }
        state.directory =
            QFileInfo(path).dir().entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        return state;
    }
    bool operator==(const FileState&) const = default;
};

// Sets an environment variable for the length of a test.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
        qputenv(name, value);
    }
    ~ScopedEnv() { had_ ? void(qputenv(name_, old_)) : void(qunsetenv(name_)); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        path_ = dir_.filePath(QStringLiteral("Veltrane Diagnostics.exe.ini"));
    }

    Settings load() const {
        SettingsStore store(path_);
        Settings settings;
        LoadSettings(settings, store);
        return settings;
    }

    // A fresh store holding only these keys (each in the section its name implies).
    void writeKeys(const Entries& entries) const {
        QFile::remove(path_);
        SettingsStore store(path_);
        for (const std::string& entry : entries) {
            const auto [key, value] = split(entry);
            store.write(sectionOf(key), key, value);
        }
        EXPECT_TRUE(store.sync());
    }
    Settings loadWith(const Entries& entries) const {
        writeKeys(entries);
        return load();
    }

    void writeFile(const QByteArray& bytes) const {
        QFile file(path_);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    // Back-dates the file so that any rewrite shows in its modification time.
    void backdate() const {
        QFile file(path_);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6)),
                                     QFileDevice::FileModificationTime));
    }

    // Loading the file as it stands gives `expected` and leaves the file exactly as it was.
    void expectLoadLeavesFileAlone(const Settings& expected = Settings{}) const {
        backdate();
        const FileState before = FileState::of(path_);
        expectSame(load(), expected);
        EXPECT_EQ(FileState::of(path_), before);
    }

    // The keys of one section as QSettings sees them in the file, sorted.
    QStringList keysIn(const QString& section) const {
        QSettings raw(path_, QSettings::IniFormat);
        raw.beginGroup(section);
        QStringList keys = raw.childKeys();
        keys.sort();
        return keys;
    }

    QTemporaryDir dir_;
    QString path_;
};

TEST_F(SettingsStoreTest, FirstRunGivesEveryDefaultAndCreatesNothing) {
    SettingsStore store(dir_.filePath(QStringLiteral("not/there/store.ini")));
    Settings settings;
    LoadSettings(settings, store);
    EXPECT_EQ(ReadDescription(store, QStringLiteral("1A2B3C")), QString());
    expectSame(settings, Settings{});
    settings.applyStartupConversions();
    EXPECT_EQ(settings.BaudText, QStringLiteral("57600"));
    EXPECT_EQ(settings.ParityLetter, QStringLiteral("n"));
    EXPECT_EQ(settings.Port, 0);           // COM1
    EXPECT_EQ(settings.ConnectionType, 0); // serial
    EXPECT_EQ(settings.TXTestSize, 64);
    EXPECT_TRUE(settings.NetworkQuery);
    EXPECT_EQ(settings.TcpAddress, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(settings.TcpPort, 5000);
    EXPECT_FALSE(QFileInfo::exists(dir_.filePath(QStringLiteral("not"))));
}

TEST_F(SettingsStoreTest, LoadResetsMembersThatTheStoreDoesNotHold) {
    Settings settings;
    settings.Port = 9;
    settings.CenterFrequency = 1.0f;
    settings.ComPortDevices[3] = QStringLiteral("/dev/pts/9");
    settings.ProgramDirectory = QStringLiteral("/data/");
    SettingsStore store(path_);
    LoadSettings(settings, store);
    expectSame(settings, Settings{});
    EXPECT_EQ(settings.ProgramDirectory, QStringLiteral("/data/")); // not a stored value
}

TEST_F(SettingsStoreTest, EveryKeyIsReadFromItsOwnName) {
    Fields expected = fields(Settings{});
    for (const std::string& entry : kEveryKey)
        expected.insert_or_assign(split(entry).first, split(entry).second);
    expectFields(fields(loadWith(kEveryKey)), expected);
}

TEST_F(SettingsStoreTest, StartupConversionsOfBaudAndParity) {
    Settings loaded = loadWith({"Baud=12"});
    loaded.applyStartupConversions();
    EXPECT_EQ(loaded.BaudText, QStringLiteral("12"));

    const std::pair<std::int16_t, const char*> bauds[] = {
        {0, "110"}, {5, "9600"}, {10, "57600"}, {11, "115200"}, {-1, "-1"}, {300, "300"}};
    for (const auto& [baud, expected] : bauds) {
        Settings settings;
        settings.Baud = baud;
        settings.applyStartupConversions();
        EXPECT_EQ(settings.BaudText, QLatin1String(expected)) << baud;
    }
    const std::pair<std::int32_t, const char*> parities[] = {{0, "n"}, {1, ""}, {2, ""}};
    for (const auto& [parity, expected] : parities) {
        Settings settings;
        settings.Parity = parity;
        settings.applyStartupConversions();
        EXPECT_EQ(settings.ParityLetter, QLatin1String(expected)) << parity;
    }
}

TEST_F(SettingsStoreTest, SaveSettingsWritesExactlyItsKeysAsShortestTexts) {
    const Entries keys =
        entries("Port=3|Center Frequency=902.5|Span=0.1|Amplitude=-40|Attenuator=2|"
                "Retries=7|Real Time Check=0|Peak Check=0|Average Check=1|"
                "Meter Type0=1|Meter Type1=0|Meter Test=1");
    Settings settings = loadWith(keys);
    settings.GraphColor = 0x123456; // not written by SaveSettings
    settings.NumberOfPoints = 77;
    QFile::remove(path_);
    {
        SettingsStore store(path_);
        SaveSettings(settings, store);
    }
    QStringList names;
    const SettingsStore store(path_);
    for (const std::string& entry : keys) {
        const auto [key, value] = split(entry);
        names << key;
        EXPECT_EQ(store.read(kSettings, key), value) << entry;
    }
    names.sort();
    EXPECT_EQ(keysIn(kSettings), names);
    QFile file(path_);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("Center%20Frequency=902.5\n")); // a plain text on disk

    settings.GraphColor = Settings{}.GraphColor;
    settings.NumberOfPoints = Settings{}.NumberOfPoints;
    expectSame(load(), settings);
}

TEST_F(SettingsStoreTest, DialogSaveHelpersWriteTheirOwnKeysAndRoundTrip) {
    const struct {
        void (*save)(const Settings&, SettingsStore&);
        Entries keys;
    } helpers[] = {
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
    Entries all;
    for (const auto& helper : helpers)
        all.insert(all.end(), helper.keys.begin(), helper.keys.end());
    Settings settings = loadWith(all);

    QFile::remove(path_);
    for (const auto& helper : helpers) {
        const QString section = sectionOf(split(helper.keys.front()).first);
        const QStringList before = keysIn(section);
        {
            SettingsStore store(path_);
            helper.save(settings, store);
        }
        QStringList expected = before;
        const SettingsStore store(path_);
        for (const std::string& entry : helper.keys) {
            const auto [key, value] = split(entry);
            expected << key;
            EXPECT_EQ(store.read(section, key), value) << entry;
        }
        expected.sort();
        EXPECT_EQ(keysIn(section), expected);
    }
    expectSame(load(), settings);

    // Clearing a device removes its key.
    settings.ComPortDevices[0].clear();
    {
        SettingsStore store(path_);
        SaveComPortDevices(settings, store);
    }
    EXPECT_EQ(keysIn(kComPorts), QStringList{QStringLiteral("COM16")});
}

TEST_F(SettingsStoreTest, GarbageTextsGiveTheDefaultAndLeaveTheFileAlone) {
    const char* garbage[] = {"abc",         "1,5",           "",     "nan", "inf", "-inf", "1e999",
                             "0x10",        "\"7\"",         "'7'",  "7 7", "1e",  "--1",  "١",
                             "@Variant(x)", "@ByteArray(x)", "\x01", "7\n8"};
    for (const char* value : garbage) {
        SCOPED_TRACE(value);
        Entries entries;
        for (const std::string& entry : kEveryKey)
            if (isNumeric(split(entry).first))
                entries.push_back(split(entry).first.toStdString() + "=" + value);
        writeKeys(entries);
        expectLoadLeavesFileAlone();
    }
}

TEST_F(SettingsStoreTest, EachTextIsAcceptedOnlyWithinItsKeysTypeAndRange) {
    // Lenient but valid texts, with the value they give.
    const std::pair<const char*, const char*> accepted[] = {
        {"Attenuator=  7 ", "7"},
        {"Attenuator=+7", "7"},
        {"Attenuator=-32768", "-32768"},
        {"Retries=1", "1"},
        {"Center Frequency=\t902.5 ", "902.5"},
        {"Span=1e+20", "1e+20"},
        {"Amplitude=-0", "0"},
        {"TCP Port=65535", "65535"},
        {"TCP Port=0", "0"},
        {"Grid Color=-1", "4294967295"},
        {"Marker2 Color=-2147483648", "2147483648"},
        {"Network Query=True", "1"},
        {"Network Query=TRUE", "1"},
        {"Network Query=true", "1"},
        {"Network Query=False", "0"},
        {"Network Query=fAlSe", "0"},
        {"Network Query= false ", "0"},
        {"Network Query=0", "0"},
        {"Network Query=-1", "1"},
        {"Network Query=2", "1"},
        {"TCP Address=  10.0.0.5  ", "10.0.0.5"},
        {"TCP Address=radio-server.local", "radio-server.local"},
        {"COM3=/dev/pts/4", "/dev/pts/4"},
        {"COM16= /dev/ttyUSB0 ", "/dev/ttyUSB0"},
        {"Port=15", "15"},
        {"Number of Points=2", "2"},
        {"Number of Points=256", "256"},
        {"Average Check=0", "0"},
    };
    for (const auto& [entry, want] : accepted) {
        SCOPED_TRACE(entry);
        Fields expected = fields(Settings{});
        expected.insert_or_assign(split(entry).first, QString::fromUtf8(want));
        expectFields(fields(loadWith({entry})), expected);
    }

    // Outside the key's type or range, addresses and devices that are empty or hold control
    // characters, device paths that are not absolute, and keys that are not ours: all defaults.
    const Entries refused =
        entries("Port=99999999999|Port=2147483648|Baud=32768|Attenuator=-32769|"
                "Number of Points=1.5|Number of Points=1e3|TXTestSize=2147483648|"
                "Retries=0|Retries=256|Meter Test=2|Meter Type0=-1|Meter Type1=5|"
                "TCP Port=65536|TCP Port=-1|Grid Color=4294967296|"
                "Grid Color=-2147483649|Center Frequency=3.5e38|Span=-1e39|"
                "Network Query=yes|Network Query=1.0|TCP Address=|TCP Address=   |"
                "TCP Address=a\tb|TCP Address=10.0.0.1\nx|TCP Address=x\x7f|"
                "COM3=dev/pts/4|COM3=COM3|COM3=|COM3=/dev/pts/\n4|COM3=/dev/\x01|"
                "COM17=/dev/x|com1=/dev/x|"
                // COM1 to COM16 only; the radio's point index is one byte; buttons
                // are pressed (1) or released (0).
                "Port=16|Port=65536|Port=-1|Number of Points=1|Number of Points=257|"
                "Number of Points=-5|Real Time Check=2|Peak Check=-1|Average Check=65537");
    for (const std::string& entry : refused) {
        SCOPED_TRACE(entry);
        expectSame(loadWith({entry}), Settings{});
    }
}

// What the suite does with hand-edited values outside the usable range: the port it
// opens and names, and the line settings it opens with.
TEST_F(SettingsStoreTest, OutOfRangePortAndParityGiveAPortThatOpensAndIsNamedAsOpened) {
    Settings settings = loadWith(entries("Port=65536|Parity=1"));
    settings.applyStartupConversions();
    const PortSettings port = PortSettings::fromSettings(settings);
    EXPECT_EQ(port.CommPort, 1);
    EXPECT_TRUE(LinkStatusDisplay::communicationFailureText(settings).contains(
        QStringLiteral("Hardware is COM1 and")));
    // The stored parity has no letter: the line has no parity rather than none at all.
    EXPECT_EQ(port.settingsString(), QStringLiteral("57600,n,8,1"));
}

TEST_F(SettingsStoreTest, HandEditedValuesOfOtherTypesGiveDefaults) {
    // Values that QSettings itself decodes into lists, byte arrays and other types.
    writeFile("[Settings]\n"
              "Port=1,5\n"
              "Baud=@Variant(\\0\\0\\0\\t\\0\\x7f\\xff\\xff\\xf0)\n"
              "Parity=@ByteArray(abc)\n"
              "Port1%20USB=@Invalid()\n"
              "Background%20Color=@Rect(1 2 3 4)\n"
              "Span=@Variant(garbage)\n"
              "Retries=@Variant(\\0\\0\\0\\n\\0\\xff\\xff\\xff\\xfe)\n"
              "TCP%20Address=a,b\n"
              "Network%20Query=@Variant(\\0\\0\\0\\x1\\0\\0)\n"
              "Attenuator=  7  \n"
              "Amplitude=\"-50\"\n"
              "[COM%20Ports]\n"
              "COM1=/dev/ttyUSB0, /dev/ttyUSB1\n"
              "COM2=  /dev/pts/3  \n"
              "[MAC%20Addresses]\n"
              "A1B2C3=roof, north\n"
              "D4E5F6=\"roof, south\"\n");
    Settings expected;
    expected.Attenuator = 7;
    expected.Amplitude = -50.0f;
    expected.ComPortDevices[1] = QStringLiteral("/dev/pts/3");
    expectLoadLeavesFileAlone(expected);

    const FileState before = FileState::of(path_);
    const SettingsStore store(path_);
    EXPECT_EQ(store.read(kSettings, QStringLiteral("Port")), QString());
    EXPECT_EQ(store.read(kSettings, QStringLiteral("Missing")), std::nullopt);
    EXPECT_EQ(ReadDescription(store, QStringLiteral("A1B2C3")), QString());
    EXPECT_EQ(ReadDescription(store, QStringLiteral("D4E5F6")), QStringLiteral("roof, south"));
    EXPECT_EQ(FileState::of(path_), before);
}

TEST_F(SettingsStoreTest, EmptyBinaryAndUnreadableFilesGiveDefaults) {
    writeFile(QByteArray());
    expectLoadLeavesFileAlone();

    QRandomGenerator random(77);
    for (int round = 0; round < 20; ++round) {
        QByteArray bytes(4096, '\0');
        for (char& byte : bytes)
            byte = static_cast<char>(random.bounded(256));
        bytes[10] = '\0';
        writeFile(bytes);
        expectLoadLeavesFileAlone();
    }

    // Saving replaces a garbled file.
    Settings settings;
    settings.CenterFrequency = 902.5f;
    {
        SettingsStore store(path_);
        SaveSettings(settings, store);
    }
    EXPECT_EQ(load().CenterFrequency, 902.5f);

    // A folder where the file should be.
    QFile::remove(path_);
    ASSERT_TRUE(QDir().mkdir(path_));
    expectSame(load(), Settings{});
    EXPECT_TRUE(QFileInfo(path_).isDir());
}

TEST_F(SettingsStoreTest, ReadingAFullStoreNeverRewritesIt) {
    Settings settings = loadWith(kEveryKey);
    {
        SettingsStore store(path_);
        SaveSettings(settings, store);
        WriteDescription(store, QStringLiteral("0A0B0C"), QStringLiteral("Mast"));
    }
    backdate();
    const FileState before = FileState::of(path_);
    {
        SettingsStore store(path_);
        Settings loaded;
        LoadSettings(loaded, store);
        expectSame(loaded, settings);
        EXPECT_EQ(ReadDescription(store, QStringLiteral("0A0B0C")), QStringLiteral("Mast"));
        EXPECT_EQ(ReadDescription(store, QStringLiteral("FFFFFF")), QString());
    }
    EXPECT_EQ(FileState::of(path_), before);
}

TEST_F(SettingsStoreTest, DescriptionsRoundTripUnchanged) {
    const QString texts[] = {
        QStringLiteral("Roof antenna, north side"),
        QString(),
        QStringLiteral(" leading and trailing "),
        QStringLiteral("x = y; [section] # not a comment"),
        QStringLiteral("\"quoted\" and 'single'"),
        QStringLiteral("line one\nline two\r\nline three"),
        QStringLiteral("tab\there\\back\\slash"),
        QStringLiteral("@Variant(\\0\\0)"),
        QStringLiteral("@@"),
        QStringLiteral("%20%41"),
        QStringLiteral("Größe – 東京 – 🙂"),
        QStringLiteral("\x01\x7f"),
        QStringLiteral(";starts like a comment"),
        QString(2000, QLatin1Char('z')),
    };
    const auto address = [](int n) { return QStringLiteral("0000%1").arg(n, 2, 10, QChar('0')); };
    {
        SettingsStore store(path_);
        for (int n = 0; n < int(std::size(texts)); ++n)
            WriteDescription(store, address(n), texts[n]);
        // A second write replaces the first.
        WriteDescription(store, QStringLiteral("A1B2C3"), QStringLiteral("old"));
        WriteDescription(store, QStringLiteral("A1B2C3"), QStringLiteral("new"));
    }
    const SettingsStore store(path_);
    for (int n = 0; n < int(std::size(texts)); ++n)
        EXPECT_EQ(ReadDescription(store, address(n)), texts[n]) << n;
    EXPECT_EQ(ReadDescription(store, QStringLiteral("A1B2C3")), QStringLiteral("new"));
    EXPECT_EQ(ReadDescription(store, QStringLiteral("a1b2c3")), QString());
    EXPECT_EQ(ReadDescription(store, QString()), QString());
    // The descriptions live in their own section and do not disturb the settings.
    EXPECT_TRUE(keysIn(kSettings).isEmpty());
    expectSame(load(), Settings{});
}

TEST_F(SettingsStoreTest, DefaultPathFollowsXdgConfigHome) {
    const QString config = dir_.filePath(QStringLiteral("config"));
    ScopedEnv env("XDG_CONFIG_HOME", QFile::encodeName(config));
    EXPECT_EQ(SettingsStore::defaultPath(),
              config + QStringLiteral("/Veltrane/Veltrane Diagnostics.exe.ini"));
}

TEST_F(SettingsStoreTest, ProgramDirectoryIsCreatedAndEndsInASlash) {
    const QString data = dir_.filePath(QStringLiteral("data"));
    {
        ScopedEnv env("XDG_DATA_HOME", QFile::encodeName(data));
        const QString directory = FindProgramDirectory();
        EXPECT_EQ(directory, data + QStringLiteral("/veltrane-diagnostics/"));
        EXPECT_TRUE(QFileInfo(directory).isDir());
        EXPECT_EQ(FindProgramDirectory(), directory); // an existing folder is fine
    }
    // A plain file in the way: the folder cannot be made.
    const QString blocker = dir_.filePath(QStringLiteral("blocker"));
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    ScopedEnv env("XDG_DATA_HOME", QFile::encodeName(blocker + QStringLiteral("/data")));
    EXPECT_EQ(FindProgramDirectory(), QString());
}

} // namespace
