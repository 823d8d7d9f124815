// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSerialPort>
#include <QTimer>
#include <functional>

#include "PortMap.h"
#include "SerialPort.h"

namespace velmar {

// The serial port service on QSerialPort.
class QtSerialPort final : public SerialPort {
  Q_OBJECT

 public:
  explicit QtSerialPort(PortMap ports, QObject* parent = nullptr);

  void SetPortNumber(int number) override;
  int PortNumber() const override { return m_number; }
  bool Open() override;
  void Close() override;
  bool IsOpen() const override { return m_port.isOpen(); }
  void DiscardOutput() override;
  void DiscardInput() override;
  int InBufferCount() const override;
  int ReadByte() override;
  bool Write(const QByteArray& bytes) override;
  void SetReceiveThreshold(int threshold) override { m_threshold = threshold; }
  int ReceiveThreshold() const override { return m_threshold; }
  QString Describe(int number) const override;

  // From the moment `ending` answers true no port opens any more: a program
  // told to quit during its start-up must not take a device on the way out.
  void RefuseOpensWhen(std::function<bool()> ending) { m_ending = std::move(ending); }
  // Told the open port's file descriptor after each open and -1 after each close (POSIX; -1
  // always elsewhere), for what must reach the ESC even when the program is killed.
  void ReportHandleTo(std::function<void(int fd)> report) { m_reportHandle = std::move(report); }
  // Whether an open failure is also said on standard error, as the window and bench have it; the
  // configuring commands say it themselves.
  void SayOpenFailures(bool say) { m_sayOpenFailures = say; }

 private:
  void OnReadyRead();
  void OnError(QSerialPort::SerialPortError error);
  void Fail();
  void WatchForReturn();
  void ReportOpenFailure();
  void TraceArrivals();
  void ReportHandle();

  PortMap m_ports;
  QSerialPort m_port{this};  // a child, so that a test can watch its errors
  int m_number = 1;
  int m_threshold = 0;
  // Counts opens, so that a close queued for a failed device never closes a
  // port opened after it.
  quint64 m_session = 0;
  bool m_failing = false;
  // Looks for a lost device's path once a second, so the window never waits on it.
  QTimer m_watch;
  QString m_path;         // the device last opened
  QString m_lastFailure;  // the open failure last reported
  std::function<bool()> m_ending;
  std::function<void(int)> m_reportHandle;
  bool m_sayOpenFailures = true;
  // Bytes waiting in the port's buffer that the wire trace has already shown.
  qint64 m_traced = 0;
};

}  // namespace velmar
