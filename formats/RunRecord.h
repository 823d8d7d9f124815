// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFile>
#include <QString>
#include <chrono>
#include <cstdint>

namespace velmar {

// One speed reply as the run record keeps it.
struct RunRow {
  std::chrono::milliseconds sinceStart{0};
  int32_t throttle = 0;  // the throttle the ESC last acknowledged
  uint32_t period = 0;   // the raw commutation period of the reply
  int32_t poles = 0;
  int32_t rpm = 0;  // the speed shown in r/min
  QString state;    // "Connected" or "Unconnected"
};

// The --record file: CSV, appended to, one row per speed reply, each row
// flushed to the file at once so that a killed program loses nothing.
class RunRecord {
 public:
  static constexpr char kHeader[] = "ms,throttle,period,poles,rpm,state";

  // Opens the file for appending and writes the header into a new or empty
  // file. On failure returns false with the reason in *error.
  bool Open(const QString& path, QString* error);
  bool IsOpen() const { return m_file.isOpen(); }
  // Writes and flushes the row. A write that fails closes the record: false,
  // with the reason in *error, and nothing more is written.
  bool Append(const RunRow& row, QString* error = nullptr);

 private:
  bool Write(const QByteArray& bytes, QString* error);

  QFile m_file;
};

}  // namespace velmar
