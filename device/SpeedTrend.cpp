// SPDX-License-Identifier: GPL-3.0-or-later
#include "SpeedTrend.h"

#include <algorithm>

namespace velmar {

void SpeedTrend::Add(std::chrono::milliseconds at, int32_t rpm) {
  m_points.push_back({at, rpm});
  while (at - m_points.front().at > kSpan) m_points.pop_front();
}

int32_t SpeedTrend::Scale() const {
  int32_t highest = 0;
  for (const Point& p : m_points) highest = std::max(highest, p.rpm);
  for (int64_t decade = 1;; decade *= 10) {
    for (const int64_t step : {1, 2, 5}) {
      const int64_t top = step * decade;
      if (top >= kSmallestScale && top >= highest) return int32_t(top);
    }
  }
}

}  // namespace velmar
