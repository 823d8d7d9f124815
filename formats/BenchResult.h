// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <chrono>
#include <optional>
#include <vector>

namespace velmar {

// One step of a bench run as the result CSV keeps it:
// step,throttle,settle_ms,hold_ms,samples,rpm_mean,rpm_min,rpm_max,rpm_sd,rise_ms
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
  bool operator==(const BenchResult&) const = default;
};

}  // namespace velmar
