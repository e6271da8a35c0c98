#include "core/settings.h"
#include "link/port_settings.h"

#include <QSerialPort>
#include <gtest/gtest.h>

TEST(PortSettings, DefaultsGiveCom1At57600) {
    Settings settings;
    settings.applyStartupConversions();
    const PortSettings port = PortSettings::fromSettings(settings);
    EXPECT_EQ(port.CommPort, 1);
    EXPECT_EQ(port.settingsString(), QStringLiteral("57600,n,8,1"));
}

TEST(PortSettings, StoredPortIsZeroBasedAndBaudIsTheTableRate) {
    Settings settings;
    settings.Port = 2;
    settings.Baud = 11;
    settings.applyStartupConversions();
    const PortSettings port = PortSettings::fromSettings(settings);
    EXPECT_EQ(port.CommPort, 3);
    EXPECT_EQ(port.settingsString(), QStringLiteral("115200,n,8,1"));
}

TEST(PortSettings, LineSettingsThatNoPortAcceptsAreRefused) {
    QSerialPort port;
    EXPECT_TRUE(PortSettings{}.applyTo(port));

    PortSettings noParityLetter; // a "Parity" other than 0 gives no letter
    noParityLetter.Parity.clear();
    EXPECT_FALSE(noParityLetter.applyTo(port));

    PortSettings noRate;
    noRate.Baud = 0;
    EXPECT_FALSE(noRate.applyTo(port));
}

TEST(ComPortDevicePath, MappedDeviceOrTheStandardSerialPort) {
    Settings settings;
    settings.ComPortDevices[2] = QStringLiteral("/dev/ttyUSB0");
    EXPECT_EQ(comPortDevicePath(settings, 3), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(comPortDevicePath(settings, 1), QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(comPortDevicePath(settings, 16), QStringLiteral("/dev/ttyS15"));
    EXPECT_EQ(comPortDevicePath(settings, 20), QStringLiteral("/dev/ttyS19"));
}
