// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTimer>
#include <chrono>
#include <functional>

namespace velmar {

// A timer that fires once per Start(). The program's timers are all used this
// way: every handler turns its own timer off first, and the next tick comes
// only when some handler starts it again.
class OneShotTimer {
 public:
  virtual ~OneShotTimer() = default;
  virtual void SetInterval(std::chrono::milliseconds interval) = 0;
  virtual std::chrono::milliseconds Interval() const = 0;
  // Starts, or restarts, the countdown of the current interval.
  virtual void Start() = 0;
  virtual void Stop() = 0;
  virtual bool IsActive() const = 0;

  std::function<void()> onTimeout;
};

class QtOneShotTimer final : public OneShotTimer {
 public:
  explicit QtOneShotTimer(std::chrono::milliseconds interval);
  void SetInterval(std::chrono::milliseconds interval) override;
  std::chrono::milliseconds Interval() const override;
  void Start() override { m_timer.start(); }
  void Stop() override { m_timer.stop(); }
  bool IsActive() const override { return m_timer.isActive(); }

 private:
  QTimer m_timer;
};

}  // namespace velmar
