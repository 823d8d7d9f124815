// SPDX-License-Identifier: GPL-3.0-or-later
#include "RunRecord.h"

namespace velmar {

bool RunRecord::Open(const QString& path, QString* error) {
  m_file.setFileName(path);
  if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
    if (error) *error = m_file.errorString();
    return false;
  }
  // A device that takes nothing (a full disk, /dev/full) fails here, before any port opens.
  if (m_file.size() == 0 && !Write(QByteArray(kHeader) + '\n', error)) return false;
  return true;
}

bool RunRecord::Write(const QByteArray& bytes, QString* error) {
  if (m_file.write(bytes) == bytes.size() && m_file.flush()) return true;
  if (error) *error = m_file.errorString();
  m_file.close();
  return false;
}

bool RunRecord::Append(const RunRow& row, QString* error) {
  if (!m_file.isOpen()) return false;
  const QString line = QStringLiteral("%1,%2,%3,%4,%5,%6\n")
                           .arg(row.sinceStart.count())
                           .arg(row.throttle)
                           .arg(row.period)
                           .arg(row.poles)
                           .arg(row.rpm)
                           .arg(row.state);
  return Write(line.toUtf8(), error);
}

}  // namespace velmar
