#pragma once

#include <cstdint>

#include "sim_time.h"

namespace velmar::sim {

struct MotorOptions {
  double max_rpm = 12000;  // at full throttle
  int poles = 14;
  Time tau = std::chrono::milliseconds(400);  // time constant of the speed's lag behind throttle
};

inline constexpr int kFullThrottle = 200;

// A motor whose speed follows the throttle with a first-order lag.
class Motor {
 public:
  explicit Motor(const MotorOptions& options) : options_(options) {}

  void setThrottle(int throttle);
  int throttle() const { return throttle_; }
  void run(Time elapsed);
  double rpm() const { return rpm_; }
  // Commutation period in 2 MHz ticks per electrical revolution; 0 while the motor stands.
  std::uint32_t period() const;

 private:
  double targetRpm() const;

  MotorOptions options_;
  int throttle_ = 0;
  double rpm_ = 0;
};

}  // namespace velmar::sim
