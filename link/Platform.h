// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QSerialPort>
#include <QString>

#include "OpenFailure.h"
#include "PortMap.h"

// What the serial link asks of the system beneath Qt. Platform_linux.cpp answers with what
// Linux can tell and tune; Platform_portable.cpp answers with Qt alone, for Windows, macOS
// and any build configured with VELMAR_PORTABLE.
namespace velmar {

// The machine's serial devices, before PortMap::Number gives them their numbers.
QList<PortDevice> MachineSerialDevices();

// Looks at a device after QSerialPort failed to open it, with the port's own error and
// text, and says why in words a user can act on.
OpenFailure DiagnoseOpenFailure(const QString& device, QSerialPort::SerialPortError error,
                                const QString& systemText);

// Whether a device that went away is back: its path exists, or the system lists it.
bool DeviceIsThere(const QString& device);

// Asks the driver of an open port to hand received bytes on at once. Ports without such a
// setting refuse it, which is fine.
void RequestLowLatency(QSerialPort& port);

// Asks that this thread's timers wake as close to their time as the system allows.
void TightenTimerSlack();

}  // namespace velmar
