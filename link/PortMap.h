// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

namespace velmar {

// Which device stands behind each port number 1..16.
struct PortDevice {
  QString path;
  QString description;
};

class PortMap {
 public:
  static constexpr int kFirstPort = 1;
  static constexpr int kLastPort = 16;

  // The map the program runs with: VELMAR_ESC_PORTS when it is set, otherwise
  // the machine's serial devices (COMn on Windows).
  static PortMap FromSystem();
  // The map for a list in VELMAR_ESC_PORTS's form (from the command line).
  static PortMap FromText(const QString& text);

  // "1=/tmp/esc,3=/dev/ttyUSB0". An entry "*" asks for the machine's own
  // devices after the ones named (*withMachinePorts). A malformed entry is
  // skipped and described in *warnings.
  static PortMap Parse(const QString& text, QStringList* warnings,
                       bool* withMachinePorts = nullptr);

  // Adds the devices of `more` that this map lacks, numbered on from its
  // highest number, up to the last port.
  void Append(const PortMap& more);

  // Numbers devices from 1 in a stable order: USB and ACM adapters first, then
  // the rest, each group by name with numbers compared as numbers.
  static PortMap Number(QList<PortDevice> devices);

  bool Has(int number) const { return m_ports.contains(number); }
  PortDevice Device(int number) const { return m_ports.value(number); }
  const QMap<int, PortDevice>& Ports() const { return m_ports; }

 private:
  static PortMap MachinePorts();

  QMap<int, PortDevice> m_ports;
};

}  // namespace velmar
