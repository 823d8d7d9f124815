#include "OneShotTimer.h"

#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace velmar {

QtOneShotTimer::QtOneShotTimer(std::chrono::milliseconds interval) {
  // The default coarse timer may fire 5 % early; the link's cadence is exact.
  m_timer.setTimerType(Qt::PreciseTimer);
#ifdef Q_OS_LINUX
  // Linux lets a sleeping thread wake up to 50 us late so wake-ups can be
  // merged; on a 10 ms cadence that alone is half a percent.
  prctl(PR_SET_TIMERSLACK, 1UL);
#endif
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
