// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchRun.h"

#include <algorithm>

#include "link/Cadence.h"

namespace velmar {

BenchRun::BenchRun(EscSession& session, BenchScript script, std::unique_ptr<OneShotTimer> timer,
                   Clock now, QObject* parent)
    : QObject(parent),
      m_session(session),
      m_script(std::move(script)),
      m_timer(std::move(timer)),
      m_now(std::move(now)) {
  m_timer->onTimeout = [this] { Timeout(); };
  connect(&m_session, &EscSession::throttleAcknowledged, this, &BenchRun::Acknowledged);
  connect(&m_session, &EscSession::speedRead, this, &BenchRun::Read);
  connect(&m_session, &EscSession::connectionChanged, this, [this](bool connected) {
    if (!connected) Stop(QStringLiteral("connection lost"));
  });
  connect(&m_session, &EscSession::throttleChanged, this, [this] {
    // The speed watch runs only while the motor is driven.
    if (!m_session.MotorRunning())
      m_quietSince.reset();
    else if (!m_quietSince)
      m_quietSince = m_now();
    if (Running()) Schedule();
  });
}

BenchRun::~BenchRun() = default;

void BenchRun::Start() {
  if (m_phase != Phase::Idle) return;
  m_session.SetPoles(m_script.poles);
  if (!m_session.Connected()) {
    m_phase = Phase::Stopping;
    return End(QStringLiteral("connection lost"));
  }
  if (m_session.MotorRunning()) m_quietSince = m_now();
  StartStep(0);
}

void BenchRun::Stop(const QString& reason) {
  if (!Running() || m_phase == Phase::Stopping) return;
  End(reason);
}

void BenchRun::StartStep(size_t index) {
  m_step = index;
  m_stepStart = m_now();
  m_settle.clear();
  m_hold.clear();
  m_phase = Phase::Climb;
  const int target = m_script.steps[index].throttle;
  emit stepStarted(int(index), target);
  if (m_phase != Phase::Climb) return;  // stopped by a listener
  // A rise climbs by the rise limit, one acknowledgement at a time; a fall is taken at once.
  m_session.SetThrottle(target, kClimbPerPoll);
  if (m_session.Throttle() == target && m_session.EscThrottle() == target) BeginSettle();
}

void BenchRun::Acknowledged(int throttle) {
  if (m_phase == Phase::Stopping) {
    if (throttle == 0 && m_session.Throttle() == 0) Done();
    return;
  }
  if (m_phase != Phase::Climb || throttle != m_session.Throttle()) return;
  const int target = m_script.steps[m_step].throttle;
  if (throttle == target) return BeginSettle();
  m_session.SetThrottle(target, kClimbPerPoll);
}

void BenchRun::Read(const SpeedReading& reading) {
  if (!Running() || m_phase == Phase::Stopping || !reading.sample) return;
  const std::chrono::milliseconds now = m_now();
  if (m_session.MotorRunning()) m_quietSince = now;
  const int rpm = *reading.sample;
  (m_phase == Phase::Hold ? m_hold : m_settle).emplace_back(now - m_stepStart, rpm);
  if (m_script.rpmMax && rpm > *m_script.rpmMax) return Stop(QStringLiteral("speed above rpm_max"));
  Schedule();
}

void BenchRun::BeginSettle() {
  m_phase = Phase::Settle;
  m_phaseEnd = m_now() + m_script.steps[m_step].settle;
  if (m_script.steps[m_step].settle.count() <= 0) return BeginHold();
  Schedule();
}

void BenchRun::BeginHold() {
  m_phase = Phase::Hold;
  m_phaseEnd = m_now() + m_script.steps[m_step].hold;
  Schedule();
}

void BenchRun::EndHold() {
  const StepResult row = StepStatistics(int(m_step) + 1, m_script.steps[m_step], m_settle, m_hold);
  m_result.steps.push_back(row);
  emit stepDone(row);
  // The owner may have stopped the run over the row (its file failed).
  if (m_phase != Phase::Hold) return;
  if (m_step + 1 < m_script.steps.size()) return StartStep(m_step + 1);
  End(QString());
}

void BenchRun::End(const QString& reason) {
  m_phase = Phase::Stopping;
  m_result.stopped = reason;
  m_session.SetThrottle(0, kClimbPerPoll);
  if (m_session.EscThrottle() == 0) return Done();
  // The ESC has one reply time to confirm the stop; a lost ESC is stopped by the
  // session when it answers again.
  m_phaseEnd = m_now() + kReplyTimeout;
  Schedule();
}

void BenchRun::Done() {
  m_timer->Stop();
  m_phase = Phase::Done;
  emit finished(m_result);
}

void BenchRun::Timeout() {
  m_timer->Stop();
  const std::chrono::milliseconds now = m_now();
  if (m_phase == Phase::Stopping) {
    if (now >= m_phaseEnd) return Done();
  } else if (m_quietSince && now >= *m_quietSince + m_script.noSpeed) {
    return Stop(QStringLiteral("no speed reply"));
  } else if (m_phase == Phase::Settle && now >= m_phaseEnd) {
    BeginHold();
  } else if (m_phase == Phase::Hold && now >= m_phaseEnd) {
    return EndHold();
  }
  Schedule();
}

// The one timer is set to the nearest of the phase's end and the speed watch's.
void BenchRun::Schedule() {
  std::optional<std::chrono::milliseconds> due;
  if (m_phase == Phase::Settle || m_phase == Phase::Hold || m_phase == Phase::Stopping)
    due = m_phaseEnd;
  if (m_quietSince && m_phase != Phase::Stopping)
    due =
        std::min(due.value_or(std::chrono::milliseconds::max()), *m_quietSince + m_script.noSpeed);
  if (!due) return m_timer->Stop();
  m_timer->SetInterval(std::max(std::chrono::milliseconds(0), *due - m_now()));
  m_timer->Start();
}

}  // namespace velmar
