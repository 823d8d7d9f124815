// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

namespace velmar {

// The ESC reports the commutation period in ticks of a 2 MHz clock per
// electrical revolution. Shorter periods than this would be 400,000 r/min or
// more with two poles: they are glitches, not speeds.
inline constexpr uint32_t kShortestPeriod = 301;

// The period in a speed reply's three data bytes, least significant first.
constexpr uint32_t PeriodFromReply(uint8_t b1, uint8_t b2, uint8_t b3) {
  return uint32_t(b1) + 256u * b2 + 65536u * b3;
}

// r/min for a period (>= kShortestPeriod) and a magnet-pole count, evaluated in
// this order in double precision and rounded down: the rounding of each step
// decides the last digit.
int32_t SpeedSample(uint32_t period, int poles);

// The last ten samples; the average always divides by ten, so after a reset
// the display climbs over the first ten samples.
struct RpmAverage {
  std::array<int32_t, 10> RpmSamples{};
  int32_t RpmPos = 0;

  void Reset();
  // Stores a sample over the oldest and returns the new average.
  int32_t Add(int32_t sample);
};

}  // namespace velmar
