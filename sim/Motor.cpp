// SPDX-License-Identifier: GPL-3.0-or-later
#include "Motor.h"

#include <algorithm>
#include <cmath>

namespace velmar::sim {
namespace {

// Below this the ESC loses the rotor's position and reports standstill.
constexpr double kStandstillRpm = 30;
constexpr double kMaxPeriod = 0xFFFFFF;  // the reply has three bytes for it
// 2,000,000 ticks/s * 60 s/min * 2 (the pole count counts both poles of each pair).
constexpr double kTicksTimesPoles = 240'000'000;

}  // namespace

void Motor::SetThrottle(int throttle) {
  m_throttle = std::clamp(throttle, 0, kFullThrottle);
}

double SteadyRpm(const MotorOptions& options, int throttle) {
  const double u = std::clamp(throttle, 0, kFullThrottle) / double{kFullThrottle};
  const double load = options.propLoad;
  if (load <= 0) return options.maxRpm * u;
  // In units of the no-load speed at full throttle, the balance u - s = load * s^2 has one
  // root s >= 0; dividing by the root at u = 1 puts full throttle at maxRpm.
  const auto root = [load](double drive) { return std::sqrt(1 + 4 * load * drive) - 1; };
  return options.maxRpm * root(u) / root(1);
}

void Motor::Run(Time elapsed) {
  if (elapsed <= Time::zero()) return;
  const double target = SteadyRpm(m_options, m_throttle);
  if (m_options.tau <= Time::zero()) {
    m_rpm = target;
    return;
  }
  // The exact step response, so the result does not depend on how time is sliced.
  const double decay =
      std::exp(-static_cast<double>(elapsed.count()) / static_cast<double>(m_options.tau.count()));
  m_rpm = target + (m_rpm - target) * decay;
}

std::uint32_t Motor::Period() const {
  if (m_rpm < kStandstillRpm) return 0;
  const double period = std::round(kTicksTimesPoles / (m_rpm * m_options.poles));
  return static_cast<std::uint32_t>(std::clamp(period, 1.0, kMaxPeriod));
}

}  // namespace velmar::sim
