#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "link/OneShotTimer.h"

namespace velmar::testing {

// Time that moves only when a test says so. Advance() fires every timer that
// falls due on the way, in order of its due time.
class ManualClock {
 public:
  class Timer final : public OneShotTimer {
   public:
    explicit Timer(ManualClock& clock) : m_clock(clock) {}
    void SetInterval(std::chrono::milliseconds interval) override { m_interval = interval; }
    std::chrono::milliseconds Interval() const override { return m_interval; }
    void Start() override {
      m_active = true;
      m_due = m_clock.m_now + m_interval;
    }
    void Stop() override { m_active = false; }
    bool IsActive() const override { return m_active; }

   private:
    friend class ManualClock;
    ManualClock& m_clock;
    std::chrono::milliseconds m_interval{0};
    std::chrono::milliseconds m_due{0};
    bool m_active = false;
  };

  std::unique_ptr<Timer> MakeTimer() {
    auto timer = std::make_unique<Timer>(*this);
    m_timers.push_back(timer.get());
    return timer;
  }

  std::chrono::milliseconds Now() const { return m_now; }
  // How long until the next timer fires; nothing when none runs.
  std::optional<std::chrono::milliseconds> NextDueIn() const {
    const Timer* next = NextDue(std::chrono::milliseconds::max());
    if (!next) return std::nullopt;
    return next->m_due - m_now;
  }

  void Advance(std::chrono::milliseconds span) {
    const auto end = m_now + span;
    while (Timer* next = NextDue(end)) {
      m_now = next->m_due;
      next->m_active = false;
      if (next->onTimeout) next->onTimeout();
    }
    m_now = end;
  }

 private:
  Timer* NextDue(std::chrono::milliseconds end) const {
    Timer* next = nullptr;
    for (Timer* t : m_timers)
      if (t->m_active && t->m_due <= end && (!next || t->m_due < next->m_due)) next = t;
    return next;
  }

  std::chrono::milliseconds m_now{0};
  std::vector<Timer*> m_timers;
};

}  // namespace velmar::testing
