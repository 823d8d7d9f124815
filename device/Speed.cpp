// SPDX-License-Identifier: GPL-3.0-or-later
#include "Speed.h"

#include <cmath>
#include <numeric>

namespace velmar {

int32_t SpeedSample(uint32_t period, int poles) {
  const double sample = ((2000000.0 / double(period)) / (double(poles) / 2.0)) * 60.0;
  return int32_t(std::floor(sample));
}

void RpmAverage::Reset() {
  RpmSamples.fill(0);
  RpmPos = 0;
}

int32_t RpmAverage::Add(int32_t sample) {
  RpmSamples[RpmPos] = sample;
  RpmPos = RpmPos + 1 == int32_t(RpmSamples.size()) ? 0 : RpmPos + 1;
  const int32_t sum = std::accumulate(RpmSamples.begin(), RpmSamples.end(), int32_t{0});
  return sum / 10;
}

}  // namespace velmar
