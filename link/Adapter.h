// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace velmar {

// What the system says of the USB adapter behind a serial device; every field is empty where it
// says nothing (a pseudo-terminal, a plain UART, a path that is no device).
struct AdapterInfo {
  QString vendor, product;            // the USB identifiers, four hex digits each
  QString manufacturer, description;  // the adapter's own words
  QString serial;                     // its serial number
  QString byId;                       // the /dev/serial/by-id/ name that leads to it

  bool IsUsb() const { return !vendor.isEmpty(); }
};

AdapterInfo DescribeAdapter(const QString& device);

}  // namespace velmar
