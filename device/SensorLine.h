// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <chrono>
#include <optional>
#include <vector>

namespace velmar {

// One line of a bench sensor, in its fixed units, stamped when the line completed.
// A quantity the line did not carry is empty.
struct SensorSample {
  std::chrono::milliseconds at{0};
  std::optional<double> thrust;   // grams-force
  std::optional<double> torque;   // N·m
  std::optional<double> current;  // A
  std::optional<double> voltage;  // V
  // Electrical power, V·I, where the line carried both.
  std::optional<double> Power() const;
  bool operator==(const SensorSample&) const = default;
};

// Turns a sensor's bytes into samples. A line is `name:value` pairs separated by spaces,
// tabs or commas, or a row of numbers under the last CSV header seen. The line is
// untrusted: one over kMaxLine bytes, not ASCII, with a value that is not a finite number,
// a row whose field count differs from its header's, or a row before any header, or the
// board's own text, is skipped and counted. A line without any known quantity is no sample.
class SensorLineReader {
 public:
  static constexpr int kMaxLine = 256;

  // Appends a sample, stamped `now`, for each line these bytes complete.
  void Feed(QByteArrayView bytes, std::chrono::milliseconds now,
            std::vector<SensorSample>* samples);
  int Skipped() const { return m_skipped; }

 private:
  void Line(QByteArrayView line, std::chrono::milliseconds now, std::vector<SensorSample>* samples);

  QByteArray m_partial;
  bool m_overlong = false;     // the line under way has passed kMaxLine: dropped to its end
  std::vector<int> m_columns;  // the header's quantity per column, -1 for one not known
  int m_skipped = 0;
};

}  // namespace velmar
