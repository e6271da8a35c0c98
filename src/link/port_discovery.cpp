#include "link/port_discovery.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSerialPortInfo>

namespace {
// The built-in port number of /dev/ttySn (n + 1), or 0.
int builtInComNumber(const QString& location) {
    static const QRegularExpression builtIn(QStringLiteral("^/dev/ttyS(\\d+)$"));
    const QRegularExpressionMatch match = builtIn.match(location);
    if (!match.hasMatch())
        return 0;
    const int number = match.captured(1).toInt() + 1;
    return number <= kComPorts ? number : 0;
}

// What section "COM Ports" keeps for a device: the name that follows it.
QString storedName(const SerialDevice& device) {
    return device.byId.isEmpty() ? device.location : device.byId;
}

QString entryText(const SerialDevice& device, int number) {
    const QString name = device.description.isEmpty()
                             ? QStringLiteral("Serial Port ") + device.portName
                             : device.description + QLatin1Char(' ') + device.portName;
    return name + QStringLiteral(" (COM") + QString::number(number) + QLatin1Char(')');
}
} // namespace

PortList DiscoverSerialPorts(const std::vector<SerialDevice>& present,
                             const std::array<QString, kComPorts>& stored) {
    PortList list;
    list.devices = stored;
    for (int n = 0; n < kComPorts; ++n)
        list.entries[static_cast<std::size_t>(n)] = QStringLiteral("COM") + QString::number(n + 1);

    const auto taken = [&list](int number) {
        return !list.devices[static_cast<std::size_t>(number - 1)].isEmpty();
    };
    const auto numberOf = [&list](const QString& name) {
        if (name.isEmpty())
            return 0;
        for (int n = 0; n < kComPorts; ++n)
            if (list.devices[static_cast<std::size_t>(n)] == name)
                return n + 1;
        return 0;
    };

    // Devices with a number of their own first (stored for their by-id name, or for
    // their kernel name before they were known by id), then the built-in ports on
    // their natural numbers, then the new devices on the lowest free numbers.
    std::vector<const SerialDevice*> unnumbered;
    std::vector<std::pair<const SerialDevice*, int>> numbered;
    for (const SerialDevice& device : present) {
        if (const int number = numberOf(device.byId)) {
            numbered.emplace_back(&device, number);
        } else if (const int old = numberOf(device.location)) {
            if (!device.byId.isEmpty())
                list.devices[static_cast<std::size_t>(old - 1)] = device.byId;
            numbered.emplace_back(&device, old);
        } else {
            unnumbered.push_back(&device);
        }
    }
    std::vector<const SerialDevice*> newDevices;
    for (const SerialDevice* device : unnumbered) {
        const int natural = builtInComNumber(device->location);
        if (natural != 0 && !taken(natural))
            numbered.emplace_back(device, natural); // implicit: nothing to store
        else
            newDevices.push_back(device);
    }
    // Numbers that built-in ports hold implicitly are not free for new devices.
    const auto free = [&](int number) {
        if (taken(number))
            return false;
        for (const auto& [device, held] : numbered)
            if (held == number)
                return false;
        return true;
    };
    for (const SerialDevice* device : newDevices) {
        for (int number = 1; number <= kComPorts; ++number) {
            if (free(number)) {
                list.devices[static_cast<std::size_t>(number - 1)] = storedName(*device);
                numbered.emplace_back(device, number);
                break;
            }
        }
        // No number left: the device is not offered (COM1 to COM16 only).
    }
    for (const auto& [device, number] : numbered)
        list.entries[static_cast<std::size_t>(number - 1)] = entryText(*device, number);
    return list;
}

std::vector<SerialDevice> PresentSerialDevices() {
    std::vector<SerialDevice> devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        devices.push_back({info.systemLocation(), info.portName(), info.description(), {}});
    AddByIdNames(devices, QString::fromLatin1(kSerialByIdFolder));
    return devices;
}

void AddByIdNames(std::vector<SerialDevice>& devices, const QString& byIdFolder) {
    // Qt does not report these names: each link is followed to its device.
    const QDir folder(byIdFolder);
    QHash<QString, QString> byTarget;
    for (const QFileInfo& link : folder.entryInfoList(QDir::Files | QDir::System, QDir::Name)) {
        const QString target = link.canonicalFilePath();
        if (link.isSymLink() && !target.isEmpty() && !byTarget.contains(target))
            byTarget.insert(target, link.absoluteFilePath());
    }
    for (SerialDevice& device : devices) {
        const QString real = QFileInfo(device.location).canonicalFilePath();
        device.byId = real.isEmpty() ? QString() : byTarget.value(real);
    }
}
