// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchRun.h"

#include <algorithm>

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
    // The speed watch runs only while the motor is driven in its run band: below
    // it there is no speed to watch.
    if (!m_session.MotorRunning())
      m_quietSince.reset();
    else if (!m_quietSince)
      m_quietSince = m_now();
    if (Running() && m_phase != Phase::Stopping) Schedule();
  });
  connect(&m_session, &EscSession::stopEnded, this, [this](bool confirmed) {
    if (m_phase == Phase::Stopping) Done(confirmed);
  });
}

BenchRun::~BenchRun() = default;

bool BenchRun::WriteResultTo(const QString& path, QString* error) {
  m_csv = std::make_unique<ResultCsv>();
  if (m_csv->Open(path, error)) return true;
  m_csv.reset();
  return false;
}

std::chrono::milliseconds BenchRun::TimeLeft() const {
  std::chrono::milliseconds left{0};
  for (size_t i = m_result.steps.size(); i < m_script.steps.size(); ++i)
    left += m_script.steps[i].settle + m_script.steps[i].hold;
  return left;
}

void BenchRun::Start() {
  if (m_phase != Phase::Idle) return;
  m_session.SetPoles(m_script.poles);
  if (!m_session.Connected()) return End(QStringLiteral("connection lost"));
  if (m_session.MotorRunning()) m_quietSince = m_now();
  StartStep(0);
}

void BenchRun::Stop(const QString& reason) {
  if (m_phase == Phase::Stopping || m_phase == Phase::Done) return;
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
  QString why;
  if (m_csv && !m_csv->Append(row, &why)) {
    m_fileError = why;
    m_csv.reset();
  }
  emit stepDone(row);
  if (!m_fileError.isEmpty()) Stop(QStringLiteral("result file: ") + m_fileError);
  // The owner may have stopped the run over the row.
  if (m_phase != Phase::Hold) return;
  if (m_step + 1 < m_script.steps.size()) return StartStep(m_step + 1);
  End(QString());
}

void BenchRun::End(const QString& reason) {
  m_phase = Phase::Stopping;
  m_timer->Stop();
  m_result.stopped = reason;
  m_session.Stop();  // stopEnded may come at once
}

void BenchRun::Done(bool confirmed) {
  m_phase = Phase::Done;
  m_result.stopConfirmed = confirmed;
  QString why;
  if (m_csv && !m_csv->End(m_result, &why)) m_fileError = why;
  m_csv.reset();
  emit finished(m_result);
}

void BenchRun::Timeout() {
  m_timer->Stop();
  const std::chrono::milliseconds now = m_now();
  if (m_phase == Phase::Stopping) return;
  if (m_quietSince && now >= *m_quietSince + m_script.noSpeed) {
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
  if (m_phase == Phase::Settle || m_phase == Phase::Hold) due = m_phaseEnd;
  if (m_quietSince)
    due =
        std::min(due.value_or(std::chrono::milliseconds::max()), *m_quietSince + m_script.noSpeed);
  if (!due) return m_timer->Stop();
  m_timer->SetInterval(std::max(std::chrono::milliseconds(0), *due - m_now()));
  m_timer->Start();
}

}  // namespace velmar
