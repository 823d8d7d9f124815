// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "formats/BenchResult.h"
#include "formats/BenchScript.h"
#include "formats/ResultCsv.h"
#include "link/OneShotTimer.h"
#include "session/BenchSensor.h"
#include "session/EscSession.h"

namespace velmar {

// A bench run on one motor-driving session: each step climbs through the
// throttle's rise limit, settles, then holds while its speed samples are taken.
// However it ends, it ends through the session's one stop: `finished` comes once
// the ESC has acknowledged the 0, or once the link has given up on it.
class BenchRun : public QObject {
  Q_OBJECT

 public:
  using Clock = std::function<std::chrono::milliseconds()>;

  BenchRun(EscSession& session, BenchScript script, std::unique_ptr<OneShotTimer> timer, Clock now,
           QObject* parent = nullptr);
  ~BenchRun() override;

  // Writes the result to `path` (truncated now): a row as each step ends, a
  // write that fails stops the run, and the last lines say how it ended. False,
  // with the reason in *error, when the file cannot be written.
  bool WriteResultTo(const QString& path, QString* error);
  // Takes the sensor's samples into the run (before WriteResultTo and Start; not owned). The run
  // then first takes the sensor's zero at rest, watches its limits and its silence, and its rows
  // carry the sensor's figures.
  void UseSensor(BenchSensor* sensor);

  // Sets the session's poles and starts the first step; a session that is not
  // connected ends the run at once.
  void Start();
  // Ends the run for `reason`; the first reason given is the one kept. A run
  // already stopping or finished is left alone; one not started ends at once.
  void Stop(const QString& reason);

  bool Running() const { return m_phase != Phase::Idle && m_phase != Phase::Done; }
  bool Finished() const { return m_phase == Phase::Done; }
  const BenchResult& Result() const { return m_result; }
  const BenchScript& Script() const { return m_script; }
  // The settle and hold time of the steps not yet done, this one's included.
  std::chrono::milliseconds TimeLeft() const;
  // A write of the result file that failed, empty when none did.
  const QString& FileError() const { return m_fileError; }

 signals:
  void stepStarted(int index, int throttle);  // index 0 for the first step
  void stepDone(StepResult result);
  // A sensor sample as the run counts it: the zero taken off once it is known.
  void sensorRead(const SensorSample& sample);
  void finished(BenchResult result);

 private:
  enum class Phase { Idle, Zero, Climb, Settle, Hold, Stopping, Done };

  void StartStep(size_t index);
  void Acknowledged(int throttle);
  void Read(const SpeedReading& reading);
  void BeginSettle();
  void BeginHold();
  void EndHold();
  void End(const QString& reason);
  void Done(bool confirmed);
  void Timeout();
  void Schedule();
  void BeginZero();
  void EndZero();
  void Take(const SensorSample& sample);
  std::chrono::milliseconds SensorSilent() const;
  void StartZeroWhenReady(std::chrono::milliseconds now);

  EscSession& m_session;
  BenchScript m_script;
  std::unique_ptr<OneShotTimer> m_timer;
  Clock m_now;
  Phase m_phase = Phase::Idle;
  size_t m_step = 0;
  std::chrono::milliseconds m_stepStart{0};
  std::chrono::milliseconds m_phaseEnd{0};  // the settle's or the hold's end
  // Since when the motor has been driven without a speed sample.
  std::optional<std::chrono::milliseconds> m_quietSince;
  SpeedSamples m_settle, m_hold;
  BenchResult m_result;
  std::unique_ptr<ResultCsv> m_csv;
  QString m_fileError;
  BenchSensor* m_sensor = nullptr;
  std::chrono::milliseconds m_sensorLast{0};  // the last sample's stamp, or the run's start
  bool m_sensorHeard = false;                 // a sample has come in this run
  // The zero is taken once the ESC holds 0 and the sensor is heard: over the second from then.
  bool m_zeroAcked = false;
  std::optional<std::chrono::milliseconds> m_zeroFrom;
  std::chrono::milliseconds m_holdStart{0};
  std::vector<SensorSample> m_sensorSamples;  // of the zero, or of the hold
};

}  // namespace velmar
