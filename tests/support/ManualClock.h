// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

#include "link/OneShotTimer.h"

namespace velmar::testing {

// Time that moves only when a test says so. Advance() fires every timer that
// falls due on the way, in order of its due time.
class ManualClock {
 public:
  struct Timer final : OneShotTimer {
    explicit Timer(ManualClock& clock) : clock(clock) {}
    ~Timer() override { std::erase(clock.m_timers, this); }
    void SetInterval(std::chrono::milliseconds i) override { interval = i; }
    std::chrono::milliseconds Interval() const override { return interval; }
    void Start() override {
      active = true;
      due = clock.m_now + interval;
    }
    void Stop() override { active = false; }
    bool IsActive() const override { return active; }

    ManualClock& clock;
    std::chrono::milliseconds interval{0}, due{0};
    bool active = false;
  };

  std::unique_ptr<Timer> MakeTimer(std::chrono::milliseconds interval = {}) {
    auto timer = std::make_unique<Timer>(*this);
    timer->interval = interval;
    m_timers.push_back(timer.get());
    return timer;
  }

  std::chrono::milliseconds Now() const { return m_now; }
  // How long until the next timer fires; nothing when none runs.
  std::optional<std::chrono::milliseconds> NextDueIn() const {
    const Timer* next = NextDue(std::chrono::milliseconds::max());
    if (!next) return std::nullopt;
    return next->due - m_now;
  }

  void Advance(std::chrono::milliseconds span) {
    const auto end = m_now + span;
    while (Timer* next = NextDue(end)) {
      m_now = next->due;
      next->active = false;
      if (next->onTimeout) next->onTimeout();
    }
    m_now = end;
  }

 private:
  Timer* NextDue(std::chrono::milliseconds end) const {
    Timer* next = nullptr;
    for (Timer* t : m_timers)
      if (t->active && t->due <= end && (!next || t->due < next->due)) next = t;
    return next;
  }

  std::chrono::milliseconds m_now{0};
  std::vector<Timer*> m_timers;
};

}  // namespace velmar::testing
