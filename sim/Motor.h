#pragma once

#include <cstdint>

#include "SimTime.h"

namespace velmar::sim {

struct MotorOptions {
  double maxRpm = 12000;  // at full throttle
  int poles = 14;
  Time tau = std::chrono::milliseconds(400);  // time constant of the speed's lag behind throttle
};

inline constexpr int kFullThrottle = 200;

// A motor whose speed follows the throttle with a first-order lag.
class Motor {
 public:
  explicit Motor(const MotorOptions& options) : m_options(options) {}

  void SetThrottle(int throttle);
  int Throttle() const { return m_throttle; }
  void Run(Time elapsed);
  double Rpm() const { return m_rpm; }
  // Commutation period in 2 MHz ticks per electrical revolution; 0 while the motor stands.
  std::uint32_t Period() const;

 private:
  double TargetRpm() const;

  MotorOptions m_options;
  int m_throttle = 0;
  double m_rpm = 0;
};

}  // namespace velmar::sim
