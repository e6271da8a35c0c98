// COM numbers for this computer's serial devices: kept across runs, the lowest free
// number for a new device, built-in ports on their natural numbers, sixteen at most.

#include "core/settings.h"
#include "link/port_discovery.h"
#include "link/port_settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {
SerialDevice usb(int n, const char* description = "FT232R USB UART") {
    const QString name = u"ttyUSB%1"_s.arg(n);
    return {u"/dev/"_s + name, name, QString::fromLatin1(description), {}};
}
SerialDevice builtIn(int n) {
    const QString name = u"ttyS%1"_s.arg(n);
    return {u"/dev/"_s + name, name, QString(), {}};
}
} // namespace

TEST(PortDiscovery, NewDevicesTakeTheLowestFreeNumbersAndKeepThem) {
    std::array<QString, kComPorts> stored{};
    stored[0] = u"/dev/ttyACM0"_s; // COM1, unplugged now
    const PortList first = DiscoverSerialPorts({builtIn(1), usb(0)}, stored);
    // ttyS1 is COM2 by nature; the adapter gets COM3, the lowest number nobody holds.
    // COM1 is kept for the unplugged device.
    EXPECT_EQ(QStringList(first.entries.begin(), first.entries.begin() + 3),
              (QStringList{"COM1", "Serial Port ttyS1 (COM2)", "FT232R USB UART ttyUSB0 (COM3)"}));
    EXPECT_EQ(first.devices[2], u"/dev/ttyUSB0"_s);
    EXPECT_TRUE(first.devices[1].isEmpty()); // a built-in port needs no entry

    // Next run, another adapter plugged in before it: the first keeps COM3.
    const PortList second = DiscoverSerialPorts({usb(1), usb(0), builtIn(1)}, first.devices);
    EXPECT_EQ(QStringList(second.entries.begin() + 2, second.entries.begin() + 4),
              (QStringList{"FT232R USB UART ttyUSB0 (COM3)", "FT232R USB UART ttyUSB1 (COM4)"}));
    EXPECT_EQ(second.devices[3], u"/dev/ttyUSB1"_s);
    EXPECT_EQ(second.entries[15], u"COM16"_s); // no device: the plain number
    EXPECT_TRUE(second.devices[15].isEmpty());
}

TEST(PortDiscovery, DevicesBeyondSixteenAreNotOffered) {
    std::vector<SerialDevice> many;
    for (int n = 0; n < 20; ++n)
        many.push_back(usb(n));
    const PortList list = DiscoverSerialPorts(many, {});
    EXPECT_EQ(list.entries[15], u"FT232R USB UART ttyUSB15 (COM16)"_s);
    for (const QString& entry : list.entries)
        EXPECT_FALSE(entry.contains(u"ttyUSB16"_s));

    // A built-in port whose number another device holds is numbered like a new one.
    std::array<QString, kComPorts> stored{};
    stored[0] = u"/dev/ttyUSB0"_s;
    const PortList moved = DiscoverSerialPorts({builtIn(0), usb(0)}, stored);
    EXPECT_EQ(QStringList(moved.entries.begin(), moved.entries.begin() + 2),
              (QStringList{"FT232R USB UART ttyUSB0 (COM1)", "Serial Port ttyS0 (COM2)"}));
    EXPECT_EQ(moved.devices[1], u"/dev/ttyS0"_s);
}

// Two USB adapters, known by the links the system names after each adapter, in a
// folder of this test's own: the system may give their /dev/ttyUSBn names in
// either order.
class AdaptersById : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDir(root.path()).mkpath(u"dev"_s));
        ASSERT_TRUE(QDir(root.path()).mkpath(u"by-id"_s));
        for (const char* name : {"ttyUSB0", "ttyUSB1"}) {
            QFile device(devicePath(name));
            ASSERT_TRUE(device.open(QIODevice::WriteOnly));
        }
    }

    QString devicePath(const char* name) const {
        return root.filePath(u"dev/"_s + QLatin1String(name));
    }
    QString byIdFolder() const { return root.filePath(u"by-id"_s); }
    QString idOf(const char* adapter) const {
        return byIdFolder() + u"/usb-FTDI_FT232R_USB_UART_"_s + QLatin1String(adapter) +
               u"-if00-port0"_s;
    }

    // The system has found adapter A at `a` and B at `b` (its links say so); the
    // devices come in the order the system lists them.
    std::vector<SerialDevice> plugged(const char* a, const char* b) const {
        QFile::remove(idOf("A"));
        QFile::remove(idOf("B"));
        EXPECT_TRUE(QFile::link(devicePath(a), idOf("A")));
        EXPECT_TRUE(QFile::link(devicePath(b), idOf("B")));
        std::vector<SerialDevice> devices;
        for (const char* name : {"ttyUSB0", "ttyUSB1"})
            devices.push_back({devicePath(name), QLatin1String(name), u"FT232R USB UART"_s, {}});
        AddByIdNames(devices, byIdFolder());
        return devices;
    }

    QTemporaryDir root;
};

TEST_F(AdaptersById, EachAdapterKeepsItsNumberWhicheverTheSystemFindsFirst) {
    const PortList first = DiscoverSerialPorts(plugged("ttyUSB0", "ttyUSB1"), {});
    EXPECT_EQ(first.devices[0], idOf("A"));
    EXPECT_EQ(first.devices[1], idOf("B"));
    EXPECT_EQ(first.entries[0], u"FT232R USB UART ttyUSB0 (COM1)"_s);

    // Next day B is found first and gets ttyUSB0: the numbers stay with the adapters.
    const PortList swapped = DiscoverSerialPorts(plugged("ttyUSB1", "ttyUSB0"), first.devices);
    EXPECT_EQ(swapped.devices, first.devices);
    EXPECT_EQ(QStringList(swapped.entries.begin(), swapped.entries.begin() + 2),
              (QStringList{"FT232R USB UART ttyUSB1 (COM1)", "FT232R USB UART ttyUSB0 (COM2)"}));

    // COM1 opens adapter A where the system has put it now.
    Settings settings;
    settings.ComPortDevices = swapped.devices;
    EXPECT_EQ(comPortDevicePath(settings, 1), QFileInfo(devicePath("ttyUSB1")).canonicalFilePath());
    EXPECT_EQ(comPortDevicePath(settings, 2), QFileInfo(devicePath("ttyUSB0")).canonicalFilePath());
    // Unplugged, its link is gone: the stored name is tried as it is (and fails to open).
    QFile::remove(idOf("A"));
    EXPECT_EQ(comPortDevicePath(settings, 1), idOf("A"));

    // COM5 stored before adapters were known by id follows adapter B from now on.
    std::array<QString, kComPorts> stored{};
    stored[4] = devicePath("ttyUSB1"); // COM5, stored before adapters were known by id
    const PortList list = DiscoverSerialPorts(plugged("ttyUSB0", "ttyUSB1"), stored);
    EXPECT_EQ(list.entries[4], u"FT232R USB UART ttyUSB1 (COM5)"_s);
    EXPECT_EQ(list.devices[4], idOf("B")); // from now on COM5 follows adapter B
    EXPECT_EQ(list.devices[0], idOf("A"));

    // A device without a link (a built-in port, a pseudo-terminal) keeps its path.
    std::vector<SerialDevice> noLinks = plugged("ttyUSB0", "ttyUSB1");
    AddByIdNames(noLinks, root.filePath(u"no-such-folder"_s));
    EXPECT_TRUE(noLinks[0].byId.isEmpty());
    EXPECT_EQ(DiscoverSerialPorts(noLinks, {}).devices[0], devicePath("ttyUSB0"));
}

// The stored "Port" counts from 0 and "Baud" indexes the rate table; line settings
// that no port takes are refused rather than half applied.
TEST(PortSettings, StoredPortAndRateAndSettingsNoPortAccepts) {
    Settings settings;
    settings.Port = 2;
    settings.Baud = 11;
    settings.applyStartupConversions();
    const PortSettings stored = PortSettings::fromSettings(settings);
    EXPECT_EQ(stored.CommPort, 3);
    EXPECT_EQ(stored.settingsString(), u"115200,n,8,1"_s);

    QSerialPort port;
    EXPECT_TRUE(stored.applyTo(port));
    PortSettings noParityLetter, noRate; // a "Parity" other than 0 gives no letter
    noParityLetter.Parity.clear();
    noRate.Baud = 0;
    EXPECT_FALSE(noParityLetter.applyTo(port) || noRate.applyTo(port));

    settings.ComPortDevices[2] = u"/dev/ttyUSB0"_s;
    EXPECT_EQ(comPortDevicePath(settings, 3), u"/dev/ttyUSB0"_s);
    EXPECT_EQ(comPortDevicePath(settings, 1), u"/dev/ttyS0"_s);
    EXPECT_EQ(comPortDevicePath(settings, 20), u"/dev/ttyS19"_s);
}
