// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace velmar {

// Why a serial device that exists could not be opened, in words a user can act on
// (DiagnoseOpenFailure in Platform.h finds it).
struct OpenFailure {
  enum Kind { NotFound, PermissionDenied, Busy, Other };
  Kind kind = Other;
  QString device;
  QString reason;  // "permission denied: ...", "busy: ...", or the system's words

  // One line for standard error: the device and what to do about it.
  QString Line() const { return device + QStringLiteral(": ") + reason; }
};

}  // namespace velmar
