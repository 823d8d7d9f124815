#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace velmar::testing {

// velmar-esc-sim in a child process, with its device linked at a fixed path
// and its log read back as frames.
class SimProcess {
 public:
  explicit SimProcess(QStringList args) {
    m_link = m_dir.filePath(QStringLiteral("esc"));
    m_log = m_dir.filePath(QStringLiteral("sim.log"));
    args << QStringLiteral("--link") << m_link << QStringLiteral("--log") << m_log;
    m_process.start(QStringLiteral(VELMAR_SIM_BINARY), args);
    // The first line names the device; it is there once the device is.
    if (m_process.waitForStarted(5000))
      while (!m_process.canReadLine() && m_process.waitForReadyRead(5000)) {
      }
    m_device = QString::fromUtf8(m_process.readLine()).trimmed();
  }
  ~SimProcess() {
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) m_process.kill();
  }

  bool Running() const { return !m_device.isEmpty(); }
  QString Link() const { return m_link; }
  void Command(const QByteArray& line) { m_process.write(line + '\n'); }

  // Frames the simulator received ("rx") or replies it sent ("tx"), in order.
  QList<QByteArray> Log(const char* direction) const {
    QList<QByteArray> out;
    QFile file(m_log);
    if (!file.open(QIODevice::ReadOnly)) return out;
    while (!file.atEnd()) {
      const QList<QByteArray> fields = file.readLine().trimmed().split(' ');
      if (fields.size() < 2 || fields[1] != direction) continue;
      QByteArray bytes;
      for (qsizetype i = 2; i < fields.size(); ++i)
        bytes.append(char(fields[i].toInt(nullptr, 16)));
      out.append(bytes);
    }
    return out;
  }
  QList<QByteArray> Received() const { return Log("rx"); }

 private:
  QTemporaryDir m_dir;
  QString m_link;
  QString m_log;
  QString m_device;
  QProcess m_process;
};

}  // namespace velmar::testing
