#pragma once

#include <QString>

namespace velmar {

// Why a serial device that exists could not be opened, in words a user can act on.
struct OpenFailure {
  enum Kind { NotFound, PermissionDenied, Busy, Other };
  Kind kind = Other;
  QString device;
  QString reason;  // "permission denied: ...", "busy: ...", or the system's words

  // One line for standard error: the device and what to do about it.
  QString Line() const { return device + QStringLiteral(": ") + reason; }
};

// Looks at the device after QSerialPort failed to open it: the device node's
// permissions, the lock file QSerialPort takes, and the processes that hold the
// device open. `systemText` is the port's own error text, used when nothing
// better is known.
OpenFailure DiagnoseOpenFailure(const QString& device, const QString& systemText);

}  // namespace velmar
