// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchRun.h"

#include <algorithm>

namespace velmar {

namespace {
constexpr std::chrono::milliseconds kZeroTime(1000);
// A board that prints its CSV header only now and then may send nothing readable for some
// seconds after its port opens: until its first sample the silence watch waits this long.
constexpr std::chrono::milliseconds kFirstSampleWithin(10'000);

QString Figure(double v) {
  return QString::number(v, 'f', 1);
}
}  // namespace

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
  if (m_csv->Open(path, error, m_result.sensor)) return true;
  m_csv.reset();
  return false;
}

void BenchRun::UseSensor(BenchSensor* sensor) {
  m_sensor = sensor;
  m_result.sensor = true;
  connect(sensor, &BenchSensor::sampled, this, &BenchRun::Take);
  connect(sensor, &BenchSensor::lost, this, [this] { Stop(QStringLiteral("bench sensor lost")); });
}

std::chrono::milliseconds BenchRun::SensorSilent() const {
  return m_sensorHeard ? m_script.sensorSilent.value_or(kSensorSilentDefault) : kFirstSampleWithin;
}

// The zero's second starts once the ESC holds 0 and the sensor is heard.
void BenchRun::StartZeroWhenReady(std::chrono::milliseconds now) {
  if (m_zeroAcked && m_sensorHeard && !m_zeroFrom) m_zeroFrom = now;
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
  if (!m_sensor) return StartStep(0);
  m_sensorLast = m_now();
  BeginZero();
}

// The sensor's zero is its reading with the ESC holding 0, before any step drives the motor.
void BenchRun::BeginZero() {
  m_phase = Phase::Zero;
  m_session.SetThrottle(0, kClimbPerPoll);
  m_zeroAcked = m_session.EscThrottle() == 0;
  StartZeroWhenReady(m_now());
  Schedule();
}

void BenchRun::EndZero() {
  const SensorFigures rest = SensorStatistics(m_sensorSamples, {});
  m_result.zero = {rest.thrust, rest.torque};
  QString why;
  if (m_csv && !m_csv->Zero(*m_result.zero, &why)) {
    m_fileError = why;
    m_csv.reset();
    return Stop(QStringLiteral("result file: ") + m_fileError);
  }
  StartStep(0);
}

void BenchRun::Take(const SensorSample& sample) {
  if (!Running() || m_phase == Phase::Stopping) return;
  m_sensorLast = sample.at;
  m_sensorHeard = true;
  if (m_phase == Phase::Zero) StartZeroWhenReady(sample.at);
  const SensorSample zeroed = WithoutZero(sample, m_result.zero.value_or(SensorZero{}));
  emit sensorRead(zeroed);
  if (!Running() || m_phase == Phase::Stopping) return;  // stopped by a listener
  // The samples count by their stamps: the window decides, not the order they came in.
  if ((m_phase == Phase::Zero && m_zeroFrom && sample.at >= *m_zeroFrom) ||
      (m_phase == Phase::Hold && sample.at >= m_holdStart && sample.at < m_phaseEnd))
    m_sensorSamples.push_back(sample);
  const auto above = [](const std::optional<double>& v, const std::optional<double>& limit) {
    return v && limit && *v > *limit;
  };
  if (above(sample.current, m_script.currentMax))
    return Stop(QStringLiteral("current %1 A above %2 A")
                    .arg(Figure(*sample.current), QString::number(*m_script.currentMax)));
  // Thrust counts from the zero: before it, the load cell's offset is still in the reading.
  if (m_result.zero && above(zeroed.thrust, m_script.thrustMax))
    return Stop(QStringLiteral("thrust %1 g above %2 g")
                    .arg(Figure(*zeroed.thrust), QString::number(*m_script.thrustMax)));
  if (above(sample.Power(), m_script.powerMax))
    return Stop(QStringLiteral("power %1 W above %2 W")
                    .arg(Figure(*sample.Power()), QString::number(*m_script.powerMax)));
  Schedule();
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
  if (m_phase == Phase::Zero && throttle == 0) {
    m_zeroAcked = true;
    StartZeroWhenReady(m_now());
    return Schedule();
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
  m_holdStart = m_now();
  m_phaseEnd = m_holdStart + m_script.steps[m_step].hold;
  m_sensorSamples.clear();
  Schedule();
}

void BenchRun::EndHold() {
  StepResult row = StepStatistics(int(m_step) + 1, m_script.steps[m_step], m_settle, m_hold);
  if (m_sensor)
    row.sensor = SensorStatistics(m_sensorSamples, m_result.zero.value_or(SensorZero{}));
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
  } else if (m_sensor && now >= m_sensorLast + SensorSilent()) {
    return Stop(QStringLiteral("sensor silent for %1 ms").arg(SensorSilent().count()));
  } else if (m_phase == Phase::Zero && m_zeroFrom && now >= *m_zeroFrom + kZeroTime) {
    return EndZero();
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
  const auto sooner = [&](std::chrono::milliseconds at) {
    due = std::min(due.value_or(std::chrono::milliseconds::max()), at);
  };
  if (m_phase == Phase::Settle || m_phase == Phase::Hold) due = m_phaseEnd;
  if (m_phase == Phase::Zero && m_zeroFrom) sooner(*m_zeroFrom + kZeroTime);
  if (m_quietSince) sooner(*m_quietSince + m_script.noSpeed);
  if (m_sensor) sooner(m_sensorLast + SensorSilent());
  if (!due) return m_timer->Stop();
  m_timer->SetInterval(std::max(std::chrono::milliseconds(0), *due - m_now()));
  m_timer->Start();
}

}  // namespace velmar
