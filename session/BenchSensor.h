// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "device/SensorLine.h"
#include "link/LinePort.h"

namespace velmar {

// A bench sensor on its port: its lines read as they arrive, each sample stamped with
// the clock when its line completed. Reading is bounded per notification so the ESC's
// link never waits behind it.
class BenchSensor : public QObject {
  Q_OBJECT

 public:
  using Clock = std::function<std::chrono::milliseconds()>;

  BenchSensor(std::unique_ptr<LinePort> port, Clock now, QObject* parent = nullptr);
  ~BenchSensor() override;

  bool Open(QString* why);
  void Close();
  // The newest sample, if any came.
  const std::optional<SensorSample>& Latest() const { return m_latest; }
  int Skipped() const { return m_reader.Skipped(); }

 signals:
  void sampled(const SensorSample& sample);
  void lost();

 private:
  void Drain();

  std::unique_ptr<LinePort> m_port;
  Clock m_now;
  SensorLineReader m_reader;
  std::optional<SensorSample> m_latest;
  std::vector<SensorSample> m_batch;
};

}  // namespace velmar
