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
// A USB adapter's /dev/ttyUSBn name goes to whichever adapter the system finds
// first, so a device is known by its /dev/serial/by-id name where it has one (the
// adapter's maker, model and serial number); a number stored for its /dev/ttyUSBn
// name before still holds, and moves to the by-id name.

inline constexpr int kComPorts = 16;

// A serial device present on this computer.
struct SerialDevice {
    QString location;    // "/dev/ttyUSB0"
    QString portName;    // "ttyUSB0"
    QString description; // "FT232R USB UART", or empty
    QString byId;        // "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2-if00-port0", or empty
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

// The serial devices this computer has now, with their by-id names.
std::vector<SerialDevice> PresentSerialDevices();

// Where the system keeps a link per serial device, named after the device itself.
inline constexpr const char* kSerialByIdFolder = "/dev/serial/by-id";

// Gives each device the name of the link in `byIdFolder` that leads to it (the
// first in name order when several do); devices without one keep an empty byId.
void AddByIdNames(std::vector<SerialDevice>& devices, const QString& byIdFolder);
