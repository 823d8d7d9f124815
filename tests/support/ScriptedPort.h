// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QSet>
#include <deque>
#include <functional>

#include "link/SerialPort.h"

namespace velmar::testing {

// A serial port under the test's control: it records every write, delivers
// bytes when told, fails the opens of ports not usable, and vanishes on demand.
class ScriptedPort final : public SerialPort {
 public:
  QSet<int> usable;               // port numbers that open
  QList<QByteArray> writes;       // every frame written, in order
  QList<int> opened;              // every port number opened, in order
  QMap<int, QString> refusals;    // what the ports that do not open say, where they say it
  std::function<void()> closing;  // told before the open port closes, when set

  void SetPortNumber(int number) override { m_number = number; }
  int PortNumber() const override { return m_number; }
  bool Open() override {
    if (!m_open && !usable.contains(m_number) && refusals.contains(m_number))
      emit openFailed(refusals[m_number]);
    if (m_open || !usable.contains(m_number)) return m_open;
    m_open = true;
    opened.append(m_number);
    return true;
  }
  void Close() override {
    if (m_open && closing) closing();
    m_open = false;
  }
  bool IsOpen() const override { return m_open; }
  void DiscardOutput() override {}
  void DiscardInput() override { m_input.clear(); }
  int InBufferCount() const override { return int(m_input.size()); }
  int ReadByte() override {
    if (m_input.empty()) return -1;
    const int b = m_input.front();
    m_input.pop_front();
    return b;
  }
  bool Write(const QByteArray& bytes) override {
    if (!m_open) return false;
    writes.append(bytes);
    return true;
  }
  void SetReceiveThreshold(int threshold) override { m_threshold = threshold; }
  int ReceiveThreshold() const override { return m_threshold; }
  QString Describe(int number) const override { return QStringLiteral("/dev/test%1").arg(number); }

  // Bytes arriving on the line: one receive notification, if the threshold allows.
  void Deliver(const QByteArray& bytes) {
    for (char c : bytes) m_input.push_back(static_cast<unsigned char>(c));
    if (m_threshold > 0 && !bytes.isEmpty()) emit commEvent(comEvReceive);
  }
  // The device disappears under the open port.
  void Vanish() {
    m_open = false;
    emit lost();
  }
  // The vanished device is there again.
  void Reappear() { emit returned(); }

 private:
  int m_number = 1;
  bool m_open = false;
  int m_threshold = 0;
  std::deque<int> m_input;
};

}  // namespace velmar::testing
