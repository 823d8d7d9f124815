// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>
#include <optional>
#include <vector>

#include "formats/StrictJson.h"

namespace velmar {

// A bench-run script: the steps the motor is driven through, the pole count that
// turns speed replies into r/min, and the limits that stop a run early.
struct BenchStep {
  int throttle = 0;
  std::chrono::milliseconds settle{0};  // before the samples count
  std::chrono::milliseconds hold{0};    // the samples that count
  bool operator==(const BenchStep&) const = default;
};

struct BenchScript {
  int poles = 14;
  std::vector<BenchStep> steps;
  std::optional<int> rpmMax;                // the run stops above this speed
  std::chrono::milliseconds noSpeed{1500};  // the run stops after this long without a speed
  // A bench sensor's limits: a sample above one stops the run, as does a sensor silent
  // for sensorSilent. A script that sets any of them needs a sensor.
  std::optional<double> currentMax = {}, thrustMax = {}, powerMax = {};  // A, g, W
  std::optional<std::chrono::milliseconds> sensorSilent = {};
  bool NeedsSensor() const { return currentMax || thrustMax || powerMax || sensorSilent; }
};

// What a script may hold; a file outside these is refused whole.
struct IntRange {
  int lo, hi;
  constexpr bool Holds(long long v) const { return v >= lo && v <= hi; }
};
inline constexpr qint64 kBenchScriptLimit = kStrictJsonLimit;
inline constexpr IntRange kPolesRange{2, 30};  // even only
inline constexpr IntRange kThrottleRange{0, 200};
inline constexpr IntRange kSweepStrideRange{1, 200};
inline constexpr IntRange kSettleRange{0, 60'000};
inline constexpr IntRange kHoldRange{200, 600'000};
inline constexpr IntRange kRpmMaxRange{1, 1'000'000};
inline constexpr IntRange kNoSpeedRange{100, 60'000};
inline constexpr IntRange kSensorSilentRange{100, 10'000};
inline constexpr std::chrono::milliseconds kSensorSilentDefault{500};
struct DecimalRange {
  double lo, hi;
  constexpr bool Holds(double v) const { return v >= lo && v <= hi; }
};
inline constexpr DecimalRange kCurrentMaxRange{0.1, 1000};
inline constexpr DecimalRange kThrustMaxRange{1, 200'000};
inline constexpr DecimalRange kPowerMaxRange{1, 100'000};
inline constexpr int kMaxBenchSteps = 1000;
inline constexpr std::chrono::milliseconds kMaxBenchRun = std::chrono::hours(1);
// A step up climbs no faster than the throttle's rise limit allows: this much
// per idle poll.
inline constexpr int kClimbPerPoll = 5;
inline constexpr std::chrono::milliseconds kClimbPollInterval{100};

// How long the steps take, the climbs included; the motor starts from a stop.
std::chrono::milliseconds BenchRunLength(const std::vector<BenchStep>& steps);

// Reads a script. On any fault nothing is returned and *error (when given) says
// what, naming the file (name), the key and what is allowed.
std::optional<BenchScript> ParseBenchScript(const QByteArray& bytes, const QString& name,
                                            QString* error);
std::optional<BenchScript> ReadBenchScript(const QString& path, QString* error);

BenchScript DefaultBenchScript();
// The default script as text, for a user to start from.
QByteArray DefaultBenchScriptText();

}  // namespace velmar
