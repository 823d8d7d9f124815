// SPDX-License-Identifier: GPL-3.0-or-later
#include <QSerialPort>

#include "link/LinePort.h"
#include "link/Platform.h"

namespace velmar {
namespace {

class QtLinePort final : public LinePort {
 public:
  QtLinePort(const QString& path, int baud) : m_path(path), m_baud(baud) {
    connect(&m_port, &QSerialPort::readyRead, this, &LinePort::readyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
      // A vanished device may raise a flood of errors while the port still says it is
      // open: act on the first, and close outside the signal that reported it.
      if (e == QSerialPort::NoError || e == QSerialPort::OpenError || !m_port.isOpen() || m_failing)
        return;
      m_failing = true;
      QMetaObject::invokeMethod(
          this,
          [this] {
            m_port.close();
            emit lost();
          },
          Qt::QueuedConnection);
    });
  }

  bool Open(QString* why) override {
    m_port.setPortName(m_path);
    m_failing = false;
    if (m_port.open(QIODevice::ReadOnly) && m_port.setBaudRate(m_baud) &&
        m_port.setDataBits(QSerialPort::Data8) && m_port.setParity(QSerialPort::NoParity) &&
        m_port.setStopBits(QSerialPort::OneStop) &&
        m_port.setFlowControl(QSerialPort::NoFlowControl)) {
      m_port.clear(QSerialPort::Input);  // what waited from before is stale: its stamps would lie
      return true;
    }
    const bool opened = m_port.isOpen();
    *why = opened ? QStringLiteral("%1: cannot be set to %2 baud (%3)")
                        .arg(m_path)
                        .arg(m_baud)
                        .arg(m_port.errorString())
                  : DiagnoseOpenFailure(m_path, m_port.error(), m_port.errorString()).Line();
    m_port.close();
    return false;
  }
  void Close() override { m_port.close(); }
  QByteArray Read(qint64 limit) override {
    return m_port.isOpen() ? m_port.read(limit) : QByteArray();
  }
  qint64 BytesWaiting() const override { return m_port.isOpen() ? m_port.bytesAvailable() : 0; }

 private:
  QString m_path;
  int m_baud;
  QSerialPort m_port;
  bool m_failing = false;
};

}  // namespace

std::unique_ptr<LinePort> MakeQtLinePort(const QString& path, int baud) {
  return std::make_unique<QtLinePort>(path, baud);
}

}  // namespace velmar
