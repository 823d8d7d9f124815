#include "RunRecord.h"

namespace velmar {

bool RunRecord::Open(const QString& path, QString* error) {
  m_file.setFileName(path);
  if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
    if (error) *error = m_file.errorString();
    return false;
  }
  if (m_file.size() == 0) {
    m_file.write(kHeader);
    m_file.write("\n");
    m_file.flush();
  }
  return true;
}

void RunRecord::Append(const RunRow& row) {
  if (!m_file.isOpen()) return;
  const QString line = QStringLiteral("%1,%2,%3,%4,%5,%6\n")
                           .arg(row.sinceStart.count())
                           .arg(row.throttle)
                           .arg(row.period)
                           .arg(row.poles)
                           .arg(row.rpm)
                           .arg(row.state);
  m_file.write(line.toUtf8());
  m_file.flush();
}

}  // namespace velmar
