// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>

namespace velmar {

// A second serial device that streams text lines, a bench sensor: a device path and
// its own baud rate, 8N1, read only. One implementation on QSerialPort; tests feed bytes.
class LinePort : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

  // False, with *why naming the device and the reason, when it cannot be opened.
  virtual bool Open(QString* why) = 0;
  virtual void Close() = 0;
  // What has arrived, at most `limit` bytes; the rest waits for the next call.
  virtual QByteArray Read(qint64 limit) = 0;
  virtual qint64 BytesWaiting() const = 0;

 signals:
  void readyRead();
  // The device failed under the open port (unplugged, hung up); it has been closed.
  void lost();
};

inline constexpr int kSensorBaud = 115200;

// A LinePort on QSerialPort.
std::unique_ptr<LinePort> MakeQtLinePort(const QString& path, int baud);

}  // namespace velmar
