// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFile>
#include <QString>
#include <chrono>
#include <optional>
#include <utility>
#include <vector>

#include "device/SensorLine.h"
#include "formats/BenchResult.h"
#include "formats/BenchScript.h"

namespace velmar {

inline constexpr char kResultCsvHeader[] =
    "step,throttle,settle_ms,hold_ms,samples,rpm_mean,rpm_min,rpm_max,rpm_sd,rise_ms";
// After those, on a run with a bench sensor.
inline constexpr char kResultCsvSensorColumns[] =
    "thrust_g,thrust_sd,torque_nm,current_a,voltage_v,power_w,g_per_w,sensor_samples";
inline constexpr qint64 kResultCsvLimit = 1024 * 1024;

// The result of a bench run, a row per step as the step ends. Each row is flushed
// as it is written, so a run cut short by a crash or a pulled cable keeps the
// steps it finished; every failed write is reported.
class ResultCsv {
 public:
  // Truncates and writes the header, with the sensor's columns when `sensor`.
  bool Open(const QString& path, QString* error, bool sensor = false);
  // The sensor's zero, "# zero: thrust_g=…, torque_nm=…", before the first row.
  bool Zero(const SensorZero& zero, QString* error);
  bool Append(const StepResult& row, QString* error);
  // How the run ended, in the last lines: "# completed" or "# stopped: REASON",
  // then "# stop not confirmed" when the ESC never acknowledged the last 0.
  bool End(const BenchResult& result, QString* error);
  void Close();

 private:
  bool Write(const QByteArray& line, QString* error);
  QFile m_file;
};

// Reads a result back, to compare a run with an earlier one. The file is untrusted:
// over 1 MiB, a wrong header or a malformed row refuses it whole, with a message
// naming the file and the line. A file without its ending lines reads as interrupted.
std::optional<BenchResult> ReadResultCsv(const QString& path, QString* error);

// A speed sample of a step: the time since the step started, and r/min.
using SpeedSamples = std::vector<std::pair<std::chrono::milliseconds, int>>;

// A step's row from its samples: mean, least, most and population standard
// deviation over the hold's samples; rise is the earliest sample, settle or hold,
// that came within 2 % of that mean. Without hold samples all are 0 and rise empty.
StepResult StepStatistics(int step, const BenchStep& spec, const SpeedSamples& settle,
                          const SpeedSamples& hold);

// A step's sensor figures from the samples of its hold, `zero` taken off thrust and
// torque: each quantity's mean over the samples that carry it, thrust's population
// standard deviation, power as the mean of V·I over the samples with both, and thrust per
// watt where the power is at least 0.5 W. The zero itself is these means at rest.
SensorFigures SensorStatistics(std::vector<SensorSample> samples, const SensorZero& zero);
// A sample as the stand sees it: the zero taken off its thrust and torque.
SensorSample WithoutZero(SensorSample sample, const SensorZero& zero);

}  // namespace velmar
