// SPDX-License-Identifier: GPL-3.0-or-later
#include "OneShotTimer.h"

#include "Platform.h"

namespace velmar {

QtOneShotTimer::QtOneShotTimer(std::chrono::milliseconds interval) {
  // The default coarse timer may fire 5 % early; the link's cadence is exact.
  m_timer.setTimerType(Qt::PreciseTimer);
  TightenTimerSlack();
  m_timer.setSingleShot(true);
  m_timer.setInterval(interval);
  QObject::connect(&m_timer, &QTimer::timeout, [this] {
    if (onTimeout) onTimeout();
  });
}

void QtOneShotTimer::SetInterval(std::chrono::milliseconds interval) {
  m_timer.setInterval(interval);
}

std::chrono::milliseconds QtOneShotTimer::Interval() const {
  return m_timer.intervalAsDuration();
}

}  // namespace velmar
