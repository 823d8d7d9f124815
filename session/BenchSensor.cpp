// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/BenchSensor.h"

namespace velmar {
namespace {

// What one notification reads at most; the rest is read from the event loop again, so the
// ESC's exchanges never wait behind a sensor that floods its line.
constexpr qint64 kReadPerTurn = 4096;

}  // namespace

BenchSensor::BenchSensor(std::unique_ptr<LinePort> port, Clock now, QObject* parent)
    : QObject(parent), m_port(std::move(port)), m_now(std::move(now)) {
  connect(m_port.get(), &LinePort::readyRead, this, &BenchSensor::Drain);
  connect(m_port.get(), &LinePort::lost, this, &BenchSensor::lost);
}

BenchSensor::~BenchSensor() = default;

bool BenchSensor::Open(QString* why) {
  return m_port->Open(why);
}

void BenchSensor::Close() {
  m_port->Close();
}

void BenchSensor::Drain() {
  const QByteArray bytes = m_port->Read(kReadPerTurn);
  m_batch.clear();
  m_reader.Feed(bytes, m_now(), &m_batch);
  // readyRead does not come again for bytes already announced.
  if (m_port->BytesWaiting() > 0)
    QMetaObject::invokeMethod(this, &BenchSensor::Drain, Qt::QueuedConnection);
  for (const SensorSample& sample : m_batch) {
    m_latest = sample;
    emit sampled(sample);
  }
}

}  // namespace velmar
