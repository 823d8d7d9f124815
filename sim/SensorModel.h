// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "SimTime.h"

namespace velmar::sim {

// A propeller on the motor, seen by a thrust stand that is not tared, and the battery behind
// the ESC. Thrust and torque grow with the square of the speed; the figures at 10,000 r/min
// are the ones a propeller's data sheet gives.
struct PropellerOptions {
  double thrustAt10k = 450;      // g
  double torqueAt10k = 0.040;    // N·m
  double thrustTare = 37.5;      // g: what the load cell reads with the motor standing
  double torqueTare = 0.0008;    // N·m
  double idleCurrent = 0.6;      // A
  double efficiency = 0.80;      // mechanical power out / electrical power in
  double batteryVoltage = 16.8;  // V, at rest
  double resistance = 0.030;     // Ω: the battery's and the wires'
  double noise = 1;              // scale of each quantity's noise; 0: none
};

struct SensorReading {
  double thrust = 0;   // g
  double torque = 0;   // N·m
  double current = 0;  // A
  double voltage = 0;  // V
};

// Standard normal numbers; the noise of each quantity is one of them times its spread.
using NormalSource = std::function<double()>;

SensorReading Sense(const PropellerOptions& options, double rpm, const NormalSource& normal);

// "thrust_g:37.50 torque_nm:0.00080 current_a:0.600 voltage_v:16.782" or the same as a CSV
// row; no line end.
std::string FormatReading(const SensorReading& reading, bool csv);
inline constexpr const char* kSensorCsvHeader = "thrust_g,torque_nm,current_a,voltage_v";
inline constexpr const char* kSensorLineEnd = "\r\n";

// The lines a sensor's reader must refuse, in the order the sensor sends them.
enum class Junk {
  kOverlong,    // more than 256 bytes
  kNonAscii,    // bytes of line noise in front
  kNotNumber,   // thrust_g:nan
  kInfinite,    // current_a:1e999
  kFieldCount,  // a CSV row one field short; CSV only
  kBoardText,   // what the board says when it has tared
  kPartial,     // no line end: it spoils the line it joins
};
std::vector<Junk> JunkKinds(bool csv);
// The junk line made from a good reading, with its line end if it has one.
std::string JunkLine(Junk kind, const SensorReading& reading, bool csv);

struct SensorOptions {
  int rate = 100;  // lines per second
  bool csv = false;
  int junkEvery = 0;  // 0: no junk
  std::optional<Time> silentAfter;
  PropellerOptions propeller;
};

// What the bench sensor sends and when: lines at an even rate on the clock it is given, a
// CSV header at the start and every few seconds, junk among them if asked.
class SensorFeed {
 public:
  SensorFeed(const SensorOptions& options, std::uint32_t seed, Time start);

  // The bytes due by `now` with the motor at `rpm`; empty when nothing is due. A line that is
  // late goes out at once, and the ones missed meanwhile are skipped, as the board would not
  // send them in a burst either.
  std::string Take(Time now, double rpm);
  // When the next line is due; none while the sensor is silent.
  std::optional<Time> NextWake() const;
  void SetSending(bool sending, Time now);

 private:
  Time SlotTime(std::int64_t slot) const;
  void SkipTo(Time now);
  // The time to go silent has come.
  void Silence(Time now);
  std::string Line(const SensorReading& reading);

  SensorOptions m_options;
  Time m_start;
  std::int64_t m_slot = 0;  // the next line's place on the even grid from m_start
  Time m_nextHeader;
  bool m_sending = true;
  std::optional<Time> m_silentAt;
  std::int64_t m_lines = 0;
  std::size_t m_junk = 0;
  bool m_joining = false;  // the last thing sent was a partial line
  std::mt19937 m_random;
  std::normal_distribution<double> m_normal;
};

}  // namespace velmar::sim
