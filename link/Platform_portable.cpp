// SPDX-License-Identifier: GPL-3.0-or-later
// The platform layer with Qt alone: what Windows and macOS builds use, and Linux builds
// configured with VELMAR_PORTABLE. No low-latency request, no timer slack, and an open
// failure told in the serial port's own words.
#include <QFileInfo>
#include <QSerialPortInfo>
#include <algorithm>

#include "Platform.h"

namespace velmar {

QList<PortDevice> MachineSerialDevices() {
  const QList<QSerialPortInfo> available = QSerialPortInfo::availablePorts();
  QList<PortDevice> devices;
#ifdef Q_OS_WIN
  // Port n is COMn, as the machine's users know it, whether or not the device is there now.
  for (int n = PortMap::kFirstPort; n <= PortMap::kLastPort; ++n) {
    PortDevice device{QStringLiteral("COM%1").arg(n), QString()};
    for (const QSerialPortInfo& info : available)
      if (info.portName() == device.path) device.description = info.description();
    devices.append(device);
  }
#else
  const auto listed = [&](const QString& name) {
    return std::any_of(available.begin(), available.end(),
                       [&](const QSerialPortInfo& info) { return info.portName() == name; });
  };
  for (const QSerialPortInfo& info : available) {
    // macOS lists each device twice: tty.X waits for a carrier before it opens, cu.X does not.
    const QString name = info.portName();
    if (name.startsWith(QLatin1String("tty.")) && listed(QStringLiteral("cu.") + name.mid(4)))
      continue;
    devices.append(PortDevice{info.systemLocation(), info.description()});
  }
#endif
  return devices;
}

OpenFailure DiagnoseOpenFailure(const QString& device, QSerialPort::SerialPortError error,
                                const QString& systemText) {
  switch (error) {
    case QSerialPort::DeviceNotFoundError:
      return OpenFailure{OpenFailure::NotFound, device, QStringLiteral("no such device")};
    case QSerialPort::PermissionError:
      // Qt reports a device another program holds this way too: the system's words tell which.
      return OpenFailure{OpenFailure::PermissionDenied, device,
                         QStringLiteral("permission denied or busy: ") + systemText};
    case QSerialPort::UnsupportedOperationError:
      return OpenFailure{OpenFailure::Other, device, QStringLiteral("not a serial device")};
    default:
      return OpenFailure{OpenFailure::Other, device, systemText};
  }
}

bool DeviceIsThere(const QString& device) {
  // A Windows port name is no file; the system's list of ports knows it.
  return QFileInfo::exists(device) || !QSerialPortInfo(device).isNull();
}

void RequestLowLatency(QSerialPort&) {}

void TightenTimerSlack() {}

}  // namespace velmar
