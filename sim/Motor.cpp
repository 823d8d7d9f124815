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

double Motor::TargetRpm() const {
  return m_options.maxRpm * m_throttle / kFullThrottle;
}

void Motor::Run(Time elapsed) {
  if (elapsed <= Time::zero()) return;
  const double target = TargetRpm();
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
