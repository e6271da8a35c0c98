#include "app/settings.h"
#include "app/settings_store.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <ostream>
#include <sys/stat.h>
#include <utility>
#include <vector>

// Readable QString values in failure messages.
static void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

const QString kSettings = QStringLiteral("Settings");
const QString kComPorts = QStringLiteral("COM Ports");

// Every key of section "Settings" that holds a number or a Boolean.
const char* const kNumericKeys[] = {
    "Port",
    "Baud",
    "Parity",
    "Port1 USB",
    "Background Color",
    "Graph Color",
    "Message Color",
    "Grid Color",
    "Label Color",
    "Marker1 Color",
    "Marker2 Color",
    "Center Frequency",
    "Span",
    "Amplitude",
    "Attenuator",
    "SpecAn Top",
    "SpecAn Bottom",
    "SpecAn Left",
    "SpecAn Right",
    "Graph Top",
    "Graph Left",
    "Bins Top",
    "Bins Bottom",
    "Bins Left",
    "Bins Right",
    "Stop Light Top",
    "Stop Light Bottom",
    "Stop Light Left",
    "Stop Light Right",
    "Marginal Stop Light 00",
    "Bad Stop Light 00",
    "Marginal Stop Light 01",
    "Bad Stop Light 01",
    "Marginal Stop Light 10",
    "Bad Stop Light 10",
    "Marginal Stop Light 11",
    "Bad Stop Light 11",
    "Number of Gradiants",
    "Number of Points",
    "TXTestSize",
    "Retries",
    "Network Query",
    "Real Time Check",
    "Peak Check",
    "Average Check",
    "Meter Type0",
    "Meter Type1",
    "Meter Test",
    "TCP Port",
};

// Compares everything that the store holds (not the values derived at start-up).
void expectSameStoredSettings(const Settings& actual, const Settings& expected) {
#define EXPECT_SAME(member) EXPECT_EQ(actual.member, expected.member) << #member
    EXPECT_SAME(Port);
    EXPECT_SAME(Baud);
    EXPECT_SAME(Parity);
    EXPECT_SAME(ConnectionType);
    EXPECT_SAME(BackgroundColor);
    EXPECT_SAME(GraphColor);
    EXPECT_SAME(MessageColor);
    EXPECT_SAME(GridColor);
    EXPECT_SAME(LabelColor);
    EXPECT_SAME(Marker1Color);
    EXPECT_SAME(Marker2Color);
    EXPECT_SAME(CenterFrequency);
    EXPECT_SAME(Span);
    EXPECT_SAME(Amplitude);
    EXPECT_SAME(Attenuator);
    EXPECT_SAME(SpecAnTop);
    EXPECT_SAME(SpecAnBottom);
    EXPECT_SAME(SpecAnLeft);
    EXPECT_SAME(SpecAnRight);
    EXPECT_SAME(GraphTop);
    EXPECT_SAME(GraphLeft);
    EXPECT_SAME(BinsTop);
    EXPECT_SAME(BinsBottom);
    EXPECT_SAME(BinsLeft);
    EXPECT_SAME(BinsRight);
    EXPECT_SAME(StopLightTop);
    EXPECT_SAME(StopLightBottom);
    EXPECT_SAME(StopLightLeft);
    EXPECT_SAME(StopLightRight);
    for (int test = 0; test < 2; ++test) {
        for (int meter = 0; meter < 2; ++meter) {
            EXPECT_SAME(MarginalThreshold[test][meter]) << " " << test << meter;
            EXPECT_SAME(BadThreshold[test][meter]) << " " << test << meter;
        }
    }
    EXPECT_SAME(NumberOfGradiants);
    EXPECT_SAME(NumberOfPoints);
    EXPECT_SAME(TXTestSize);
    EXPECT_SAME(Retries);
    EXPECT_SAME(NetworkQuery);
    EXPECT_SAME(RealTimeCheck);
    EXPECT_SAME(PeakCheck);
    EXPECT_SAME(AverageCheck);
    EXPECT_SAME(MeterType[0]);
    EXPECT_SAME(MeterType[1]);
    EXPECT_SAME(MeterTest);
    EXPECT_SAME(TcpAddress);
    EXPECT_SAME(TcpPort);
    for (std::size_t i = 0; i < expected.ComPortDevices.size(); ++i)
        EXPECT_SAME(ComPortDevices[i]) << " COM" << i + 1;
#undef EXPECT_SAME
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
    ~ScopedEnv() {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }
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

    // A fresh store holding only this one key.
    Settings loadWith(const QString& section, const QString& key, const QString& text) const {
        QFile::remove(path_);
        {
            SettingsStore store(path_);
            store.write(section, key, text);
            EXPECT_TRUE(store.sync());
        }
        return load();
    }
    Settings loadWith(const char* key, const QString& text) const {
        return loadWith(kSettings, QLatin1String(key), text);
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

    // The keys of one section as QSettings sees them in the file.
    QStringList keysIn(const QString& section) const {
        QSettings raw(path_, QSettings::IniFormat);
        raw.beginGroup(section);
        QStringList keys = raw.childKeys();
        keys.sort();
        return keys;
    }

    static QStringList sorted(QStringList keys) {
        keys.sort();
        return keys;
    }

    QTemporaryDir dir_;
    QString path_;
};

TEST_F(SettingsStoreTest, FirstRunGivesEveryDefault) {
    Settings settings = load();
    expectSameStoredSettings(settings, Settings{});
    settings.applyStartupConversions();
    EXPECT_EQ(settings.BaudText, QStringLiteral("57600"));
    EXPECT_EQ(settings.ParityLetter, QStringLiteral("n"));
    EXPECT_EQ(settings.Port, 0);           // COM1
    EXPECT_EQ(settings.ConnectionType, 0); // serial
    EXPECT_EQ(settings.TXTestSize, 64);
    EXPECT_TRUE(settings.NetworkQuery);
    EXPECT_EQ(settings.TcpAddress, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(settings.TcpPort, 5000);
    // Reading a missing store creates nothing.
    EXPECT_FALSE(QFileInfo::exists(path_));
}

TEST_F(SettingsStoreTest, MissingFolderIsNotCreatedByReading) {
    const QString folder = dir_.filePath(QStringLiteral("not/there"));
    SettingsStore store(folder + QStringLiteral("/store.ini"));
    Settings settings;
    LoadSettings(settings, store);
    EXPECT_EQ(ReadDescription(store, QStringLiteral("1A2B3C")), QString());
    expectSameStoredSettings(settings, Settings{});
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
    expectSameStoredSettings(settings, Settings{});
    EXPECT_EQ(settings.ProgramDirectory, QStringLiteral("/data/")); // not a stored value
}

TEST_F(SettingsStoreTest, EveryKeyIsReadFromItsOwnName) {
    const std::vector<std::pair<const char*, const char*>> texts = {
        {"Port", "4"},
        {"Baud", "11"},
        {"Parity", "1"},
        {"Port1 USB", "1"},
        {"Background Color", "16777215"},
        {"Graph Color", "255"},
        {"Message Color", "16711680"},
        {"Grid Color", "-1"},
        {"Label Color", "8421504"},
        {"Marker1 Color", "4294967294"},
        {"Marker2 Color", "-2147483648"},
        {"Center Frequency", "902.5"},
        {"Span", "10.5"},
        {"Amplitude", "-60"},
        {"Attenuator", "1"},
        {"SpecAn Top", "101"},
        {"SpecAn Bottom", "102"},
        {"SpecAn Left", "103"},
        {"SpecAn Right", "104"},
        {"Graph Top", "105"},
        {"Graph Left", "106"},
        {"Bins Top", "107"},
        {"Bins Bottom", "108"},
        {"Bins Left", "109"},
        {"Bins Right", "110"},
        {"Stop Light Top", "111"},
        {"Stop Light Bottom", "112"},
        {"Stop Light Left", "113"},
        {"Stop Light Right", "114"},
        {"Marginal Stop Light 00", "-81"},
        {"Bad Stop Light 00", "-96"},
        {"Marginal Stop Light 01", "86"},
        {"Bad Stop Light 01", "71"},
        {"Marginal Stop Light 10", "-84"},
        {"Bad Stop Light 10", "-76"},
        {"Marginal Stop Light 11", "87"},
        {"Bad Stop Light 11", "72"},
        {"Number of Gradiants", "12"},
        {"Number of Points", "100"},
        {"TXTestSize", "128"},
        {"Retries", "255"},
        {"Network Query", "False"},
        {"Real Time Check", "0"},
        {"Peak Check", "0"},
        {"Average Check", "0"},
        {"Meter Type0", "1"},
        {"Meter Type1", "1"},
        {"Meter Test", "1"},
        {"TCP Address", "10.1.2.3"},
        {"TCP Port", "4001"},
    };
    {
        SettingsStore store(path_);
        for (const auto& [key, text] : texts)
            store.write(kSettings, QLatin1String(key), QLatin1String(text));
        store.write(kComPorts, QStringLiteral("COM1"), QStringLiteral("/dev/pts/3"));
        store.write(kComPorts, QStringLiteral("COM16"), QStringLiteral("/dev/ttyUSB1"));
        ASSERT_TRUE(store.sync());
    }

    Settings expected;
    expected.Port = 4;
    expected.Baud = 11;
    expected.Parity = 1;
    expected.ConnectionType = 1;
    expected.BackgroundColor = 0xFFFFFF;
    expected.GraphColor = 0x0000FF;
    expected.MessageColor = 0xFF0000;
    expected.GridColor = 0xFFFFFFFF;
    expected.LabelColor = 0x808080;
    expected.Marker1Color = 0xFFFFFFFE;
    expected.Marker2Color = 0x80000000;
    expected.CenterFrequency = 902.5f;
    expected.Span = 10.5f;
    expected.Amplitude = -60.0f;
    expected.Attenuator = 1;
    expected.SpecAnTop = 101;
    expected.SpecAnBottom = 102;
    expected.SpecAnLeft = 103;
    expected.SpecAnRight = 104;
    expected.GraphTop = 105;
    expected.GraphLeft = 106;
    expected.BinsTop = 107;
    expected.BinsBottom = 108;
    expected.BinsLeft = 109;
    expected.BinsRight = 110;
    expected.StopLightTop = 111;
    expected.StopLightBottom = 112;
    expected.StopLightLeft = 113;
    expected.StopLightRight = 114;
    expected.MarginalThreshold[0][0] = -81.0f;
    expected.BadThreshold[0][0] = -96.0f;
    expected.MarginalThreshold[0][1] = 86.0f;
    expected.BadThreshold[0][1] = 71.0f;
    expected.MarginalThreshold[1][0] = -84.0f;
    expected.BadThreshold[1][0] = -76.0f;
    expected.MarginalThreshold[1][1] = 87.0f;
    expected.BadThreshold[1][1] = 72.0f;
    expected.NumberOfGradiants = 12;
    expected.NumberOfPoints = 100;
    expected.TXTestSize = 128;
    expected.Retries = 255;
    expected.NetworkQuery = false;
    expected.RealTimeCheck = 0;
    expected.PeakCheck = 0;
    expected.AverageCheck = 0;
    expected.MeterType[0] = 1;
    expected.MeterType[1] = 1;
    expected.MeterTest = 1;
    expected.TcpAddress = QStringLiteral("10.1.2.3");
    expected.TcpPort = 4001;
    expected.ComPortDevices[0] = QStringLiteral("/dev/pts/3");
    expected.ComPortDevices[15] = QStringLiteral("/dev/ttyUSB1");

    Settings settings = load();
    expectSameStoredSettings(settings, expected);
    settings.applyStartupConversions();
    EXPECT_EQ(settings.BaudText, QStringLiteral("115200"));
    EXPECT_EQ(settings.ParityLetter, QString()); // no letter for a parity other than 0
}

TEST_F(SettingsStoreTest, StartupConversionsOfBaudAndParity) {
    Settings settings = loadWith("Baud", QStringLiteral("12"));
    EXPECT_EQ(settings.Baud, 12);
    settings.applyStartupConversions();
    EXPECT_EQ(settings.BaudText, QStringLiteral("12"));

    const std::pair<std::int16_t, const char*> cases[] = {
        {0, "110"}, {5, "9600"}, {10, "57600"}, {11, "115200"}, {-1, "-1"}, {300, "300"}};
    for (const auto& [baud, text] : cases) {
        Settings s;
        s.Baud = baud;
        s.applyStartupConversions();
        EXPECT_EQ(s.BaudText, QLatin1String(text)) << baud;
    }
    Settings s;
    s.Parity = 2;
    s.applyStartupConversions();
    EXPECT_EQ(s.ParityLetter, QString());
}

TEST_F(SettingsStoreTest, RealTimeCheckStoredAsZeroStartsReleased) {
    EXPECT_EQ(loadWith("Real Time Check", QStringLiteral("0")).RealTimeCheck, 0);
}

TEST_F(SettingsStoreTest, SaveSettingsWritesTheRunTimeKeysAsShortestTexts) {
    Settings settings;
    settings.Port = 3;
    settings.CenterFrequency = 902.5f;
    settings.Span = 0.1f;
    settings.Amplitude = -40.0f;
    settings.Attenuator = 2;
    settings.Retries = 7;
    settings.RealTimeCheck = 0;
    settings.PeakCheck = 0;
    settings.AverageCheck = 1;
    settings.MeterType[0] = 1;
    settings.MeterType[1] = 0;
    settings.MeterTest = 1;
    // Not written by SaveSettings.
    settings.GraphColor = 0x123456;
    settings.NumberOfPoints = 77;
    {
        SettingsStore store(path_);
        SaveSettings(settings, store);
    }

    EXPECT_EQ(keysIn(kSettings),
              sorted({"Port", "Center Frequency", "Span", "Amplitude", "Attenuator", "Retries",
                      "Real Time Check", "Peak Check", "Average Check", "Meter Type0",
                      "Meter Type1", "Meter Test"}));
    const SettingsStore store(path_);
    const std::pair<const char*, const char*> texts[] = {
        {"Port", "3"},
        {"Center Frequency", "902.5"},
        {"Span", "0.1"},
        {"Amplitude", "-40"},
        {"Attenuator", "2"},
        {"Retries", "7"},
        {"Real Time Check", "0"},
        {"Peak Check", "0"},
        {"Average Check", "1"},
        {"Meter Type0", "1"},
        {"Meter Type1", "0"},
        {"Meter Test", "1"},
    };
    for (const auto& [key, text] : texts)
        EXPECT_EQ(store.read(kSettings, QLatin1String(key)), QLatin1String(text)) << key;

    // On disk the values are plain texts.
    QFile file(path_);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("Center%20Frequency=902.5\n"));

    Settings expected = settings;
    expected.GraphColor = Settings{}.GraphColor;
    expected.NumberOfPoints = Settings{}.NumberOfPoints;
    expectSameStoredSettings(load(), expected);
}

TEST_F(SettingsStoreTest, DialogKeysRoundTrip) {
    Settings settings;
    settings.Port = 2;
    settings.Baud = 11;
    settings.ConnectionType = 1;
    settings.TcpAddress = QStringLiteral("192.168.1.20");
    settings.TcpPort = 4001;
    settings.MarginalThreshold[0][0] = -81.5f;
    settings.BadThreshold[0][0] = -96.25f;
    settings.MarginalThreshold[0][1] = 86.0f;
    settings.BadThreshold[0][1] = 71.0f;
    settings.MarginalThreshold[1][0] = -86.5f;
    settings.BadThreshold[1][0] = -74.0f;
    settings.MarginalThreshold[1][1] = 90.5f;
    settings.BadThreshold[1][1] = 60.0f;
    settings.BackgroundColor = 0xFFFFFFFF;
    settings.GraphColor = 0x80000000;
    settings.MessageColor = 0x00123456;
    settings.GridColor = 0;
    settings.LabelColor = 0x00FFFFFF;
    settings.Marker1Color = 1;
    settings.Marker2Color = 0x00FF0000;
    settings.ComPortDevices[0] = QStringLiteral("/dev/pts/7");
    settings.ComPortDevices[15] = QStringLiteral("/dev/ttyUSB0");
    {
        SettingsStore store(path_);
        SaveConnectionSettings(settings, store);
        EXPECT_EQ(keysIn(kSettings),
                  sorted({"Port", "Baud", "Port1 USB", "TCP Address", "TCP Port"}));
        SaveThresholds(settings, store);
        SaveColours(settings, store);
        SaveComPortDevices(settings, store);
    }
    EXPECT_EQ(keysIn(kComPorts), sorted({"COM1", "COM16"}));

    const SettingsStore store(path_);
    EXPECT_EQ(store.read(kSettings, QStringLiteral("Baud")), QStringLiteral("11"));
    EXPECT_EQ(store.read(kSettings, QStringLiteral("Marginal Stop Light 10")),
              QStringLiteral("-86.5"));
    EXPECT_EQ(store.read(kSettings, QStringLiteral("Bad Stop Light 00")), QStringLiteral("-96.25"));
    EXPECT_EQ(store.read(kSettings, QStringLiteral("Background Color")),
              QStringLiteral("4294967295"));
    EXPECT_EQ(store.read(kSettings, QStringLiteral("Message Color")), QStringLiteral("1193046"));
    EXPECT_EQ(keysIn(kSettings).size(), 5 + 8 + 7);

    Settings loaded = load();
    expectSameStoredSettings(loaded, settings);
    loaded.applyStartupConversions();
    EXPECT_EQ(loaded.BaudText, QStringLiteral("115200"));

    // Clearing a device removes its key.
    settings.ComPortDevices[0].clear();
    {
        SettingsStore writer(path_);
        SaveComPortDevices(settings, writer);
    }
    EXPECT_EQ(keysIn(kComPorts), QStringList{QStringLiteral("COM16")});
}

TEST_F(SettingsStoreTest, GarbageTextsGiveTheDefaultAndLeaveTheFileAlone) {
    // Not a value for any of the numeric or Boolean keys.
    const char* garbage[] = {"abc",         "1,5",           "",     "nan", "inf", "-inf", "1e999",
                             "0x10",        "\"7\"",         "'7'",  "7 7", "1e",  "--1",  "١",
                             "@Variant(x)", "@ByteArray(x)", "\x01", "7\n8"};
    for (const char* text : garbage) {
        QFile::remove(path_);
        {
            SettingsStore store(path_);
            for (const char* key : kNumericKeys)
                store.write(kSettings, QLatin1String(key), QString::fromUtf8(text));
            ASSERT_TRUE(store.sync());
        }
        backdate();
        const FileState before = FileState::of(path_);
        expectSameStoredSettings(load(), Settings{});
        EXPECT_EQ(FileState::of(path_), before) << text;
    }

    // Numbers outside the key's type or range.
    const std::pair<const char*, const char*> outOfRange[] = {
        {"Port", "99999999999"},
        {"Port", "2147483648"},
        {"Baud", "32768"},
        {"Attenuator", "-32769"},
        {"Number of Points", "1.5"},
        {"Number of Points", "1e3"},
        {"TXTestSize", "2147483648"},
        {"Retries", "0"},
        {"Retries", "256"},
        {"Meter Test", "2"},
        {"Meter Type0", "-1"},
        {"Meter Type1", "5"},
        {"TCP Port", "65536"},
        {"TCP Port", "-1"},
        {"Grid Color", "4294967296"},
        {"Grid Color", "-2147483649"},
        {"Center Frequency", "3.5e38"},
        {"Span", "-1e39"},
        {"Network Query", "yes"},
        {"Network Query", "1.0"},
    };
    for (const auto& [key, text] : outOfRange)
        expectSameStoredSettings(loadWith(key, QLatin1String(text)), Settings{});
}

TEST_F(SettingsStoreTest, LenientButValidTexts) {
    EXPECT_EQ(loadWith("Attenuator", QStringLiteral("  7 ")).Attenuator, 7);
    EXPECT_EQ(loadWith("Attenuator", QStringLiteral("+7")).Attenuator, 7);
    EXPECT_EQ(loadWith("Attenuator", QStringLiteral("-32768")).Attenuator, -32768);
    EXPECT_EQ(loadWith("Retries", QStringLiteral("1")).Retries, 1);
    EXPECT_EQ(loadWith("Center Frequency", QStringLiteral("\t902.5 ")).CenterFrequency, 902.5f);
    EXPECT_EQ(loadWith("Span", QStringLiteral("1e+20")).Span, 1e20f);
    EXPECT_EQ(loadWith("Amplitude", QStringLiteral("-0")).Amplitude, 0.0f);
    EXPECT_EQ(loadWith("TCP Port", QStringLiteral("65535")).TcpPort, 65535);
    EXPECT_EQ(loadWith("TCP Port", QStringLiteral("0")).TcpPort, 0);
    EXPECT_EQ(loadWith("Grid Color", QStringLiteral("-1")).GridColor, 0xFFFFFFFFu);
    EXPECT_EQ(loadWith("Grid Color", QStringLiteral("8404992")).GridColor, 0x804000u);

    const std::pair<const char*, bool> booleans[] = {
        {"True", true}, {"TRUE", true}, {"true", true}, {"False", false}, {"fAlSe", false},
        {"0", false},   {"-1", true},   {"1", true},    {"2", true},      {" false ", false},
    };
    for (const auto& [text, expected] : booleans)
        EXPECT_EQ(loadWith("Network Query", QLatin1String(text)).NetworkQuery, expected) << text;
}

TEST_F(SettingsStoreTest, TcpAddressAndComPortTexts) {
    EXPECT_EQ(loadWith("TCP Address", QStringLiteral("  10.0.0.5  ")).TcpAddress,
              QStringLiteral("10.0.0.5"));
    EXPECT_EQ(loadWith("TCP Address", QStringLiteral("radio-server.local")).TcpAddress,
              QStringLiteral("radio-server.local"));
    for (const QString& bad : {QString(), QStringLiteral("   "), QStringLiteral("a\tb"),
                               QStringLiteral("10.0.0.1\nx"), QStringLiteral("x\x7f")})
        EXPECT_EQ(loadWith("TCP Address", bad).TcpAddress, QStringLiteral("127.0.0.1"));

    EXPECT_EQ(
        loadWith(kComPorts, QStringLiteral("COM3"), QStringLiteral("/dev/pts/4")).ComPortDevices[2],
        QStringLiteral("/dev/pts/4"));
    EXPECT_EQ(loadWith(kComPorts, QStringLiteral("COM16"), QStringLiteral(" /dev/ttyUSB0 "))
                  .ComPortDevices[15],
              QStringLiteral("/dev/ttyUSB0"));
    for (const QString& bad : {QStringLiteral("dev/pts/4"), QStringLiteral("COM3"), QString(),
                               QStringLiteral("/dev/pts/\n4"), QStringLiteral("/dev/\x01")}) {
        const Settings settings = loadWith(kComPorts, QStringLiteral("COM3"), bad);
        EXPECT_EQ(settings.ComPortDevices[2], QString()) << bad.toStdString();
    }
    // Keys beyond COM16 and keys in another letter case are not ours.
    const Settings other = loadWith(kComPorts, QStringLiteral("COM17"), QStringLiteral("/dev/x"));
    expectSameStoredSettings(other, Settings{});
    const Settings lower = loadWith(kComPorts, QStringLiteral("com1"), QStringLiteral("/dev/x"));
    expectSameStoredSettings(lower, Settings{});
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
    backdate();
    const FileState before = FileState::of(path_);

    Settings expected;
    expected.Attenuator = 7;
    expected.Amplitude = -50.0f;
    expected.ComPortDevices[1] = QStringLiteral("/dev/pts/3");
    expectSameStoredSettings(load(), expected);

    const SettingsStore store(path_);
    EXPECT_EQ(store.read(kSettings, QStringLiteral("Port")), QString());
    EXPECT_EQ(store.read(kSettings, QStringLiteral("Missing")), std::nullopt);
    EXPECT_EQ(ReadDescription(store, QStringLiteral("A1B2C3")), QString());
    EXPECT_EQ(ReadDescription(store, QStringLiteral("D4E5F6")), QStringLiteral("roof, south"));
    EXPECT_EQ(FileState::of(path_), before);
}

TEST_F(SettingsStoreTest, EmptyBinaryAndUnreadableFilesGiveDefaults) {
    writeFile(QByteArray());
    backdate();
    FileState before = FileState::of(path_);
    expectSameStoredSettings(load(), Settings{});
    EXPECT_EQ(FileState::of(path_), before);

    QRandomGenerator random(77);
    for (int round = 0; round < 20; ++round) {
        QByteArray bytes(4096, '\0');
        for (char& byte : bytes)
            byte = static_cast<char>(random.bounded(256));
        bytes[10] = '\0';
        writeFile(bytes);
        backdate();
        before = FileState::of(path_);
        expectSameStoredSettings(load(), Settings{});
        EXPECT_EQ(FileState::of(path_), before);
    }

    // A folder where the file should be.
    QFile::remove(path_);
    ASSERT_TRUE(QDir().mkdir(path_));
    expectSameStoredSettings(load(), Settings{});
    EXPECT_TRUE(QFileInfo(path_).isDir());
}

TEST_F(SettingsStoreTest, SavingReplacesAGarbledFile) {
    QByteArray bytes(512, '\0');
    QRandomGenerator random(5);
    for (char& byte : bytes)
        byte = static_cast<char>(random.bounded(256));
    writeFile(bytes);
    Settings settings;
    settings.CenterFrequency = 902.5f;
    {
        SettingsStore store(path_);
        SaveSettings(settings, store);
    }
    EXPECT_EQ(load().CenterFrequency, 902.5f);
}

TEST_F(SettingsStoreTest, ReadingAFullStoreNeverRewritesIt) {
    Settings settings;
    settings.CenterFrequency = 902.5f;
    settings.ComPortDevices[4] = QStringLiteral("/dev/pts/2");
    {
        SettingsStore store(path_);
        SaveSettings(settings, store);
        SaveConnectionSettings(settings, store);
        SaveThresholds(settings, store);
        SaveColours(settings, store);
        SaveComPortDevices(settings, store);
        WriteDescription(store, QStringLiteral("0A0B0C"), QStringLiteral("Mast"));
    }
    backdate();
    const FileState before = FileState::of(path_);
    {
        SettingsStore store(path_);
        Settings loaded;
        LoadSettings(loaded, store);
        EXPECT_EQ(loaded.CenterFrequency, 902.5f);
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
    {
        SettingsStore store(path_);
        int n = 0;
        for (const QString& text : texts)
            WriteDescription(store, QStringLiteral("00000%1").arg(n++), text);
        // A second write replaces the first.
        WriteDescription(store, QStringLiteral("A1B2C3"), QStringLiteral("old"));
        WriteDescription(store, QStringLiteral("A1B2C3"), QStringLiteral("new"));
    }
    const SettingsStore store(path_);
    int n = 0;
    for (const QString& text : texts) {
        EXPECT_EQ(ReadDescription(store, QStringLiteral("00000%1").arg(n)), text) << n;
        ++n;
    }
    EXPECT_EQ(ReadDescription(store, QStringLiteral("A1B2C3")), QStringLiteral("new"));
    EXPECT_EQ(ReadDescription(store, QStringLiteral("a1b2c3")), QString());
    EXPECT_EQ(ReadDescription(store, QString()), QString());
    // The descriptions live in their own section and do not disturb the settings.
    EXPECT_TRUE(keysIn(kSettings).isEmpty());
    expectSameStoredSettings(load(), Settings{});
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
    {
        // A plain file in the way: the folder cannot be made.
        const QString blocker = dir_.filePath(QStringLiteral("blocker"));
        QFile file(blocker);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.close();
        ScopedEnv env("XDG_DATA_HOME", QFile::encodeName(blocker + QStringLiteral("/data")));
        EXPECT_EQ(FindProgramDirectory(), QString());
    }
}

} // namespace
