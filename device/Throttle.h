// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

namespace velmar {

// Above this throttle the motor counts as running and the scheduler asks for
// its speed; below kStopBelow it counts as stopped. In between the flag keeps
// its state, so a throttle hovering near one edge does not flip it.
inline constexpr int kRunAbove = 25;
inline constexpr int kStopBelow = 20;

// The ESC's throttle after a lost connection: no slider value equals it.
inline constexpr int kThrottleUnknown = -1;

// The value a slider change may keep: rises are limited to largeStep above the
// last accepted value, falls of any size are accepted.
constexpr int LimitRise(int value, int lastPower, int largeStep) {
  return value - lastPower > largeStep ? lastPower + largeStep : value;
}

// The run flag for a throttle value, or nothing where it keeps its state.
constexpr std::optional<bool> RunFlag(int throttle) {
  if (throttle > kRunAbove) return true;
  if (throttle < kStopBelow) return false;
  return std::nullopt;
}

}  // namespace velmar
