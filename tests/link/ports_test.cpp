// COM numbers for this computer's serial devices: kept across runs, the lowest free
// number for a new device, sixteen at most, a USB adapter followed by its by-id name;
// the port number and rate stored in the settings.

#include "core/settings.h"
#include "link/port_discovery.h"
#include "link/port_settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {
SerialDevice usb(int n, const QString& path = {}) {
    const QString name = u"ttyUSB%1"_s.arg(n);
    return {path.isEmpty() ? u"/dev/"_s + name : path, name, u"FT232R USB UART"_s, {}};
}
} // namespace

TEST(PortDiscovery, NewDevicesTakeTheLowestFreeNumbersUpToSixteenAndThePortsRate) {
    std::array<QString, kComPorts> stored{};
    stored[0] = u"/dev/ttyACM0"_s; // COM1, unplugged now
    const PortList first =
        DiscoverSerialPorts({{u"/dev/ttyS1"_s, u"ttyS1"_s, {}, {}}, usb(0)}, stored);
    // ttyS1 is COM2 by nature; the adapter gets COM3, the lowest number nobody holds.
    EXPECT_EQ(QStringList(first.entries.begin(), first.entries.begin() + 3),
              (QStringList{"COM1", "Serial Port ttyS1 (COM2)", "FT232R USB UART ttyUSB0 (COM3)"}));
    EXPECT_EQ(first.devices[2], u"/dev/ttyUSB0"_s);
    EXPECT_TRUE(first.devices[1].isEmpty()); // a built-in port needs no entry

    std::vector<SerialDevice> many;
    for (int n = 0; n < 20; ++n)
        many.push_back(usb(n));
    const PortList list = DiscoverSerialPorts(many, first.devices);
    EXPECT_EQ(list.entries[2], u"FT232R USB UART ttyUSB0 (COM3)"_s); // kept
    EXPECT_EQ(list.entries[1], u"FT232R USB UART ttyUSB1 (COM2)"_s);
    EXPECT_EQ(list.entries[15], u"FT232R USB UART ttyUSB14 (COM16)"_s);
    for (const QString& entry : list.entries)
        EXPECT_FALSE(entry.contains(u"ttyUSB15"_s)); // sixteen at most

    Settings settings; // the stored "Port" counts from 0 and "Baud" indexes the rate table
    settings.Port = 2;
    settings.Baud = 11;
    settings.applyStartupConversions();
    const PortSettings port = PortSettings::fromSettings(settings);
    EXPECT_EQ(port.CommPort, 3);
    EXPECT_EQ(port.settingsString(), u"115200,n,8,1"_s);
}

// Two USB adapters known by the links the system names after each one: whichever
// the system finds first, each keeps its number, and COM1 opens adapter A.
TEST(PortDiscovery, EachAdapterKeepsItsNumberByItsByIdName) {
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath(u"by-id"_s));
    const auto device = [&](int n) { return root.filePath(u"ttyUSB%1"_s.arg(n)); };
    const auto idOf = [&](char adapter) {
        return root.filePath(u"by-id/usb-FTDI_FT232R_USB_UART_%1-if00-port0"_s.arg(adapter));
    };
    for (int n : {0, 1})
        ASSERT_TRUE(QFile(device(n)).open(QIODevice::WriteOnly));
    const auto plugged = [&](int a, int b) {
        QFile::remove(idOf('A'));
        QFile::remove(idOf('B'));
        EXPECT_TRUE(QFile::link(device(a), idOf('A')) && QFile::link(device(b), idOf('B')));
        std::vector<SerialDevice> devices{usb(0, device(0)), usb(1, device(1))};
        AddByIdNames(devices, root.filePath(u"by-id"_s));
        return devices;
    };
    const PortList first = DiscoverSerialPorts(plugged(0, 1), {});
    EXPECT_EQ(first.devices[0], idOf('A'));
    EXPECT_EQ(first.devices[1], idOf('B'));
    const PortList swapped = DiscoverSerialPorts(plugged(1, 0), first.devices);
    EXPECT_EQ(swapped.devices, first.devices);
    EXPECT_EQ(swapped.entries[0], u"FT232R USB UART ttyUSB1 (COM1)"_s);

    Settings settings;
    settings.ComPortDevices = swapped.devices;
    EXPECT_EQ(comPortDevicePath(settings, 1), QFileInfo(device(1)).canonicalFilePath());
    EXPECT_EQ(comPortDevicePath(settings, 3), u"/dev/ttyS2"_s); // no device stored
}
