// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtSerialPort.h"

#include <QLoggingCategory>
#include <QMetaObject>
#include <chrono>
#include <cstdio>

#include "Platform.h"

namespace velmar {
namespace {

constexpr std::chrono::milliseconds kReturnWatchInterval(1000);
// The wire trace: off unless QT_LOGGING_RULES="velmar.link.debug=true".
Q_LOGGING_CATEGORY(lcLink, "velmar.link", QtWarningMsg)

// CLOCK_MONOTONIC in microseconds, the time base of the simulator's log too.
long long MonotonicMicros() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

QtSerialPort::QtSerialPort(PortMap ports, QObject* parent)
    : SerialPort(parent), m_ports(std::move(ports)) {
  m_port.setBaudRate(QSerialPort::Baud38400);
  m_port.setDataBits(QSerialPort::Data8);
  m_port.setParity(QSerialPort::NoParity);
  m_port.setStopBits(QSerialPort::OneStop);
  m_port.setFlowControl(QSerialPort::NoFlowControl);
  connect(&m_port, &QSerialPort::readyRead, this, &QtSerialPort::OnReadyRead);
  connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialPort::OnError);
  m_watch.setInterval(kReturnWatchInterval);
  connect(&m_watch, &QTimer::timeout, this, &QtSerialPort::WatchForReturn);
}

void QtSerialPort::SetPortNumber(int number) {
  // Another port chosen: the lost one is no longer wanted back.
  if (number != m_number) m_watch.stop();
  m_number = number;
}

bool QtSerialPort::Open() {
  if (m_port.isOpen() || !m_ports.Has(m_number)) return m_port.isOpen();
  if (m_ending && m_ending()) return false;
  m_path = m_ports.Device(m_number).path;
  m_port.setPortName(m_path);
  m_failing = false;
  m_traced = 0;
  if (!m_port.open(QIODevice::ReadWrite)) {
    ReportOpenFailure();
    return false;
  }
  m_watch.stop();
  m_lastFailure.clear();
  ++m_session;
  RequestLowLatency(m_port);
  qCDebug(lcLink, "%lld open COM%d %s", MonotonicMicros(), m_number, qPrintable(m_port.portName()));
  ReportHandle();
  return true;
}

void QtSerialPort::ReportOpenFailure() {
  const OpenFailure failure = DiagnoseOpenFailure(m_path, m_port.error(), m_port.errorString());
  qCDebug(lcLink, "%lld open COM%d failed: %s", MonotonicMicros(), m_number,
          qPrintable(failure.reason));
  // A returning device that stays busy is tried once a second: say so once.
  if (failure.Line() == m_lastFailure) return;
  m_lastFailure = failure.Line();
  if (m_sayOpenFailures)
    std::fprintf(stderr, "velmar-esc-config: %s\n", qPrintable(failure.Line()));
  emit openFailed(failure.Line());
}

void QtSerialPort::Close() {
  if (!m_port.isOpen()) return;
  m_port.close();
  m_traced = 0;
  qCDebug(lcLink, "%lld close COM%d", MonotonicMicros(), m_number);
  ReportHandle();
}

void QtSerialPort::ReportHandle() {
  if (!m_reportHandle) return;
#ifdef Q_OS_UNIX
  m_reportHandle(m_port.isOpen() ? int(m_port.handle()) : -1);
#else
  m_reportHandle(-1);
#endif
}

void QtSerialPort::DiscardOutput() {
  if (m_port.isOpen()) m_port.clear(QSerialPort::Output);
}

void QtSerialPort::DiscardInput() {
  if (!m_port.isOpen()) return;
  TraceArrivals();
  m_port.clear(QSerialPort::Input);
  m_traced = 0;
}

int QtSerialPort::InBufferCount() const {
  return m_port.isOpen() ? int(m_port.bytesAvailable()) : 0;
}

int QtSerialPort::ReadByte() {
  char c = 0;
  if (!m_port.isOpen() || !m_port.getChar(&c)) return -1;
  if (m_traced > 0) --m_traced;
  return static_cast<unsigned char>(c);
}

bool QtSerialPort::Write(const QByteArray& bytes) {
  if (!m_port.isOpen() || m_failing) return false;
  if (m_port.write(bytes) != bytes.size()) {
    Fail();
    return false;
  }
  qCDebug(lcLink, "%lld tx %s", MonotonicMicros(), bytes.toHex(' ').toUpper().constData());
  // Hand the frame to the driver now rather than at the next turn of the event loop.
  m_port.flush();
  return true;
}

QString QtSerialPort::Describe(int number) const {
  if (!m_ports.Has(number)) return QString();
  const PortDevice device = m_ports.Device(number);
  return device.description.isEmpty()
             ? device.path
             : QStringLiteral("%1 (%2)").arg(device.path, device.description);
}

void QtSerialPort::TraceArrivals() {
  if (!lcLink().isDebugEnabled() || !m_port.isOpen()) return;
  const qint64 waiting = m_port.bytesAvailable();
  if (waiting <= m_traced) return;
  const QByteArray fresh = m_port.peek(waiting).mid(m_traced);
  m_traced = waiting;
  qCDebug(lcLink, "%lld rx %s", MonotonicMicros(), fresh.toHex(' ').toUpper().constData());
}

void QtSerialPort::OnReadyRead() {
  TraceArrivals();
  if (m_threshold > 0 && !m_failing) emit commEvent(comEvReceive);
}

void QtSerialPort::OnError(QSerialPort::SerialPortError error) {
  switch (error) {
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
    case QSerialPort::UnknownError:
      if (m_port.isOpen()) Fail();
      return;
    default:
      // Every open reports NoError, and open failures are answered by Open().
      return;
  }
}

void QtSerialPort::Fail() {
  // A vanished device can raise a flood of errors while the port still says it
  // is open: act on the first, and close outside the signal that reported it.
  if (m_failing) return;
  m_failing = true;
  const quint64 session = m_session;
  QMetaObject::invokeMethod(
      this,
      [this, session] {
        if (session != m_session || !m_port.isOpen()) return;
        m_port.close();
        ReportHandle();
        m_watch.start();
        emit lost();
      },
      Qt::QueuedConnection);
}

void QtSerialPort::WatchForReturn() {
  // Only the path is looked at: opening the device is left to whoever wants it
  // back, and a device that is there but refuses the open is reported again at
  // the next look.
  if (DeviceIsThere(m_path)) emit returned();
}

}  // namespace velmar
