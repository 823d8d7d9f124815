// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>

namespace velmar {

// The speed shown over the last 30 seconds, and the r/min at the top of its plot.
class SpeedTrend {
 public:
  static constexpr std::chrono::milliseconds kSpan{30000};
  // The lowest top of the scale: a motor creeping at a few r/min still shows as low.
  static constexpr int32_t kSmallestScale = 100;

  struct Point {
    std::chrono::milliseconds at;
    int32_t rpm;
    bool operator==(const Point&) const = default;
  };

  // Keeps the point and drops those more than kSpan older than it.
  void Add(std::chrono::milliseconds at, int32_t rpm);
  void Clear() { m_points.clear(); }
  const std::deque<Point>& Points() const { return m_points; }
  // The smallest 1, 2 or 5 times a power of ten that holds every point shown.
  int32_t Scale() const;

 private:
  std::deque<Point> m_points;
};

}  // namespace velmar
