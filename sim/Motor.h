// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "SimTime.h"

namespace velmar::sim {

struct MotorOptions {
  double maxRpm = 12000;  // at full throttle
  int poles = 14;
  Time tau = std::chrono::milliseconds(400);  // time constant of the speed's lag behind throttle
  // The propeller's drag in the balance throttle - speed = propLoad * speed^2 (both as fractions
  // of full throttle and of the no-load speed there): 0 makes the speed linear in throttle,
  // larger values bend the curve towards a square root.
  double propLoad = 2;
};

inline constexpr int kFullThrottle = 200;

// The speed the motor settles at for a throttle (0..kFullThrottle): 0 at 0, maxRpm at full.
// The drive, throttle less back-EMF, balances a propeller's drag that grows with the square of
// the speed, so the curve rises less than linearly.
double SteadyRpm(const MotorOptions& options, int throttle);

// A motor whose speed follows SteadyRpm of the throttle with a first-order lag.
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
  MotorOptions m_options;
  int m_throttle = 0;
  double m_rpm = 0;
};

}  // namespace velmar::sim
