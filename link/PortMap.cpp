// SPDX-License-Identifier: GPL-3.0-or-later
#include "PortMap.h"

#include <QFileInfo>
#include <QtGlobal>
#include <algorithm>
#include <cstdio>

#include "Platform.h"

namespace velmar {
namespace {

constexpr char kPortsVariable[] = "VELMAR_ESC_PORTS";

bool IsAdapter(const QString& path) {
  const QString name = QFileInfo(path).fileName();
  return name.startsWith(QLatin1String("ttyUSB")) || name.startsWith(QLatin1String("ttyACM"));
}

// "ttyS2" before "ttyS10": runs of digits compare as numbers.
bool NaturalLess(const QString& a, const QString& b) {
  qsizetype i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (a[i].isDigit() && b[j].isDigit()) {
      qsizetype ei = i, ej = j;
      while (ei < a.size() && a[ei].isDigit()) ++ei;
      while (ej < b.size() && b[ej].isDigit()) ++ej;
      const qulonglong x = a.mid(i, ei - i).toULongLong();
      const qulonglong y = b.mid(j, ej - j).toULongLong();
      if (x != y) return x < y;
      i = ei;
      j = ej;
      continue;
    }
    if (a[i] != b[j]) return a[i] < b[j];
    ++i;
    ++j;
  }
  return a.size() - i < b.size() - j;
}

}  // namespace

PortMap PortMap::Parse(const QString& text, QStringList* warnings, bool* withMachinePorts) {
  PortMap map;
  if (withMachinePorts) *withMachinePorts = false;
  const QStringList pairs = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
  for (const QString& raw : pairs) {
    const QString pair = raw.trimmed();
    if (pair == QLatin1String("*") && withMachinePorts) {
      *withMachinePorts = true;
      continue;
    }
    const qsizetype eq = pair.indexOf(QLatin1Char('='));
    bool ok = false;
    const int number = eq > 0 ? pair.left(eq).trimmed().toInt(&ok) : 0;
    const QString path = eq > 0 ? pair.mid(eq + 1).trimmed() : QString();
    if (!ok || number < kFirstPort || number > kLastPort || path.isEmpty()) {
      if (warnings)
        *warnings << QStringLiteral("ignoring \"%1\": expected N=PATH with N from 1 to 16, or *")
                         .arg(pair);
      continue;
    }
    map.m_ports.insert(number, PortDevice{path, QString()});
  }
  return map;
}

PortMap PortMap::Number(QList<PortDevice> devices) {
  std::stable_sort(devices.begin(), devices.end(), [&](const PortDevice& a, const PortDevice& b) {
    const bool aAdapter = IsAdapter(a.path);
    const bool bAdapter = IsAdapter(b.path);
    if (aAdapter != bAdapter) return aAdapter;
    return NaturalLess(a.path, b.path);
  });
  PortMap map;
  int number = kFirstPort;
  for (const PortDevice& device : devices) {
    if (number > kLastPort) break;
    map.m_ports.insert(number++, device);
  }
  return map;
}

void PortMap::Append(const PortMap& more) {
  int number = m_ports.isEmpty() ? kFirstPort : m_ports.lastKey() + 1;
  for (const PortDevice& device : more.m_ports) {
    if (number > kLastPort) return;
    const bool listed = std::any_of(m_ports.cbegin(), m_ports.cend(),
                                    [&](const PortDevice& d) { return d.path == device.path; });
    if (!listed) m_ports.insert(number++, device);
  }
}

PortMap PortMap::FromSystem() {
  if (!qEnvironmentVariableIsSet(kPortsVariable)) return MachinePorts();
  return FromText(qEnvironmentVariable(kPortsVariable));
}

PortMap PortMap::FromText(const QString& text) {
  QStringList warnings;
  bool withMachinePorts = false;
  PortMap map = Parse(text, &warnings, &withMachinePorts);
  for (const QString& warning : warnings)
    std::fprintf(stderr, "%s: %s\n", kPortsVariable, qPrintable(warning));
  if (withMachinePorts) map.Append(MachinePorts());
  return map;
}

PortMap PortMap::MachinePorts() {
  return Number(MachineSerialDevices());
}

}  // namespace velmar
