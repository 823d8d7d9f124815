// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

namespace velmar {

// The serial port as the link uses it: ports addressed by number (1..16), a
// fixed line (38400 baud, 8N1, no flow control), one raw byte per read, and a
// receive notification that only fires while the threshold is above 0.
// Nothing here throws; a failed operation reports false or does nothing.
class SerialPort : public QObject {
  Q_OBJECT

 public:
  enum CommEvent { comEvReceive = 2 };

  using QObject::QObject;

  virtual void SetPortNumber(int number) = 0;
  virtual int PortNumber() const = 0;
  virtual bool Open() = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  virtual void DiscardOutput() = 0;
  virtual void DiscardInput() = 0;
  virtual int InBufferCount() const = 0;
  // One received byte, or -1 when none waits.
  virtual int ReadByte() = 0;
  virtual bool Write(const QByteArray& bytes) = 0;
  virtual void SetReceiveThreshold(int threshold) = 0;
  virtual int ReceiveThreshold() const = 0;
  // What the user sees for a port number: its device, and the adapter's name
  // where the system knows it.
  virtual QString Describe(int number) const = 0;

 signals:
  void commEvent(int event);
  // The device failed under an open port (unplugged, hung up, a write that did
  // not go out). The port has been closed by the time this arrives.
  void lost();
  // The device of a lost port is there again and may be opened. Reported about
  // once a second until it is opened or another port number is chosen.
  void returned();
  // A device that exists could not be opened; `why` names it and says why.
  void openFailed(const QString& why);
};

}  // namespace velmar
