// SPDX-License-Identifier: GPL-3.0-or-later
#include "Adapter.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

namespace velmar {
namespace {

QString Hex(quint16 id) {
  return QStringLiteral("%1").arg(id, 4, 16, QLatin1Char('0'));
}

}  // namespace

AdapterInfo DescribeAdapter(const QString& device) {
  AdapterInfo adapter;
  const QString target = QFileInfo(device).canonicalFilePath();
  if (target.isEmpty()) return adapter;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    if (QFileInfo(info.systemLocation()).canonicalFilePath() != target) continue;
    if (info.hasVendorIdentifier()) adapter.vendor = Hex(info.vendorIdentifier());
    if (info.hasProductIdentifier()) adapter.product = Hex(info.productIdentifier());
    adapter.manufacturer = info.manufacturer();
    adapter.description = info.description();
    adapter.serial = info.serialNumber();
  }
  // udev's stable names, on the systems that keep them.
  const QDir byId(QStringLiteral("/dev/serial/by-id"));
  for (const QFileInfo& link : byId.entryInfoList(QDir::System | QDir::Files))
    if (link.canonicalFilePath() == target) adapter.byId = link.absoluteFilePath();
  return adapter;
}

}  // namespace velmar
