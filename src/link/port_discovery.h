#pragma once

#include <QString>
#include <array>
#include <vector>

// Serial ports are chosen by COM number, COM1 to COM16, as on the radio's other
// tools. This computer's serial devices get their numbers the way other systems
// number them: a device keeps the number it was given before (section "COM Ports"
// of the settings), a device never numbered gets the lowest free number, and a
// device that is unplugged keeps its number for when it comes back. A built-in
// port /dev/ttySn is COM n+1 unless that number was given to another device.

inline constexpr int kComPorts = 16;

// A serial device present on this computer.
struct SerialDevice {
    QString location;    // "/dev/ttyUSB0"
    QString portName;    // "ttyUSB0"
    QString description; // "FT232R USB UART", or empty
};

struct PortList {
    // Entry n stands for COM n+1: "COM3", or the device's name ending in "(COM3)".
    std::array<QString, kComPorts> entries;
    // The "COM Ports" mapping with the devices numbered now added (store it only
    // when the user confirms the dialog).
    std::array<QString, kComPorts> devices;
};

// The sixteen entries for `present` devices, given the stored mapping.
PortList DiscoverSerialPorts(const std::vector<SerialDevice>& present,
                             const std::array<QString, kComPorts>& stored);

// The serial devices this computer has now.
std::vector<SerialDevice> PresentSerialDevices();
