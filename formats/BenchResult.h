// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <chrono>
#include <optional>
#include <vector>

namespace velmar {

// A step's figures from a bench sensor, over the samples stamped inside its hold, the
// zero taken off thrust and torque: the means, thrust's standard deviation, the mean of
// V·I, thrust per watt (empty under 0.5 W). A quantity the sensor never sent is empty.
// thrust_g,thrust_sd,torque_nm,current_a,voltage_v,power_w,g_per_w,sensor_samples
struct SensorFigures {
  std::optional<double> thrust, thrustSd, torque, current, voltage, power, gPerW;
  int samples = 0;
  bool operator==(const SensorFigures&) const = default;
};

// The sensor's reading at rest before the first step, taken off every later sample.
struct SensorZero {
  std::optional<double> thrust, torque;
  bool operator==(const SensorZero&) const = default;
};

// One step of a bench run as the result CSV keeps it:
// step,throttle,settle_ms,hold_ms,samples,rpm_mean,rpm_min,rpm_max,rpm_sd,rise_ms
// and, on a run with a sensor, its figures after those.
struct StepResult {
  int step = 0;  // 1 for the first step
  int throttle = 0;
  std::chrono::milliseconds settle{0};
  std::chrono::milliseconds hold{0};
  int samples = 0;  // speed replies averaged during the hold
  double rpmMean = 0;
  int rpmMin = 0;
  int rpmMax = 0;
  double rpmSd = 0;
  // From the step's start until the speed first came within 2 % of the step's
  // mean; empty when it never did.
  std::optional<std::chrono::milliseconds> rise;
  std::optional<SensorFigures> sensor = std::nullopt;  // on a run with a sensor
  bool operator==(const StepResult&) const = default;
};

// A whole result: the rows of the steps completed, why the run stopped early
// (empty when it ran to its end), and whether the ESC acknowledged its last 0.
struct BenchResult {
  std::vector<StepResult> steps;
  QString stopped;
  bool stopConfirmed = true;
  // Read back from a file that ends without saying how the run ended: the program
  // was killed during the run.
  bool interrupted = false;
  // On a run with a sensor: its columns are in the file, and the zero once taken.
  bool sensor = false;
  std::optional<SensorZero> zero = std::nullopt;
  bool operator==(const BenchResult&) const = default;
};

// What a bench curve may show against throttle.
enum class BenchQuantity { Rpm, Thrust, Current, Power, GPerW };
inline constexpr BenchQuantity kBenchQuantities[] = {BenchQuantity::Rpm, BenchQuantity::Thrust,
                                                     BenchQuantity::Current, BenchQuantity::Power,
                                                     BenchQuantity::GPerW};
// The quantity's name on the command line: rpm, thrust, current, power, g_per_w.
QString QuantityName(BenchQuantity quantity);
std::optional<BenchQuantity> QuantityNamed(const QString& name);
// A step's value of it; empty where the step has none (no sensor, or never sent).
std::optional<double> QuantityOf(const StepResult& step, BenchQuantity quantity);
// Whether any step of the result has it.
bool Holds(const BenchResult& result, BenchQuantity quantity);

}  // namespace velmar
