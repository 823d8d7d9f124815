#include "motor.h"

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

void Motor::setThrottle(int throttle) {
  throttle_ = std::clamp(throttle, 0, kFullThrottle);
}

double Motor::targetRpm() const {
  return options_.max_rpm * throttle_ / kFullThrottle;
}

void Motor::run(Time elapsed) {
  if (elapsed <= Time::zero()) return;
  const double target = targetRpm();
  if (options_.tau <= Time::zero()) {
    rpm_ = target;
    return;
  }
  // The exact step response, so the result does not depend on how time is sliced.
  const double decay =
      std::exp(-static_cast<double>(elapsed.count()) / static_cast<double>(options_.tau.count()));
  rpm_ = target + (rpm_ - target) * decay;
}

std::uint32_t Motor::period() const {
  if (rpm_ < kStandstillRpm) return 0;
  const double period = std::round(kTicksTimesPoles / (rpm_ * options_.poles));
  return static_cast<std::uint32_t>(std::clamp(period, 1.0, kMaxPeriod));
}

}  // namespace velmar::sim
