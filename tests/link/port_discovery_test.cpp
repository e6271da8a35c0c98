// COM numbers for this computer's serial devices: kept across runs, the lowest free
// number for a new device, built-in ports on their natural numbers, sixteen at most.

#include "link/port_discovery.h"

#include <gtest/gtest.h>

namespace {
SerialDevice usb(int n, const char* description = "FT232R USB UART") {
    const QString name = QStringLiteral("ttyUSB%1").arg(n);
    return {QStringLiteral("/dev/") + name, name, QString::fromLatin1(description)};
}
SerialDevice builtIn(int n) {
    const QString name = QStringLiteral("ttyS%1").arg(n);
    return {QStringLiteral("/dev/") + name, name, QString()};
}
} // namespace

TEST(PortDiscovery, NoDevicesLeavesSixteenPlainEntries) {
    const PortList list = DiscoverSerialPorts({}, {});
    EXPECT_EQ(list.entries[0], QStringLiteral("COM1"));
    EXPECT_EQ(list.entries[15], QStringLiteral("COM16"));
    for (const QString& device : list.devices)
        EXPECT_TRUE(device.isEmpty());
}

TEST(PortDiscovery, NewDevicesTakeTheLowestFreeNumbersAndKeepThem) {
    std::array<QString, kComPorts> stored{};
    stored[0] = QStringLiteral("/dev/ttyACM0"); // COM1, unplugged now
    const PortList first = DiscoverSerialPorts({builtIn(1), usb(0)}, stored);
    // ttyS1 is COM2 by nature; the adapter gets COM3, the lowest number nobody holds.
    EXPECT_EQ(first.entries[1], QStringLiteral("Serial Port ttyS1 (COM2)"));
    EXPECT_EQ(first.entries[2], QStringLiteral("FT232R USB UART ttyUSB0 (COM3)"));
    EXPECT_EQ(first.entries[0], QStringLiteral("COM1")); // kept for the unplugged device
    EXPECT_EQ(first.devices[2], QStringLiteral("/dev/ttyUSB0"));
    EXPECT_TRUE(first.devices[1].isEmpty()); // a built-in port needs no entry

    // Next run, another adapter plugged in before it: the first keeps COM3.
    const PortList second = DiscoverSerialPorts({usb(1), usb(0), builtIn(1)}, first.devices);
    EXPECT_EQ(second.entries[2], QStringLiteral("FT232R USB UART ttyUSB0 (COM3)"));
    EXPECT_EQ(second.entries[3], QStringLiteral("FT232R USB UART ttyUSB1 (COM4)"));
    EXPECT_EQ(second.devices[3], QStringLiteral("/dev/ttyUSB1"));
}

TEST(PortDiscovery, DevicesBeyondSixteenAreNotOffered) {
    std::vector<SerialDevice> many;
    for (int n = 0; n < 20; ++n)
        many.push_back(usb(n));
    const PortList list = DiscoverSerialPorts(many, {});
    EXPECT_EQ(list.entries[15], QStringLiteral("FT232R USB UART ttyUSB15 (COM16)"));
    for (const QString& entry : list.entries)
        EXPECT_FALSE(entry.contains(QStringLiteral("ttyUSB16")));

    // A built-in port whose number another device holds is numbered like a new one.
    std::array<QString, kComPorts> stored{};
    stored[0] = QStringLiteral("/dev/ttyUSB0");
    const PortList moved = DiscoverSerialPorts({builtIn(0), usb(0)}, stored);
    EXPECT_EQ(moved.entries[0], QStringLiteral("FT232R USB UART ttyUSB0 (COM1)"));
    EXPECT_EQ(moved.entries[1], QStringLiteral("Serial Port ttyS0 (COM2)"));
    EXPECT_EQ(moved.devices[1], QStringLiteral("/dev/ttyS0"));
}
