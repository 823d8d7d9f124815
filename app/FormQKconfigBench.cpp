// SPDX-License-Identifier: GPL-3.0-or-later
// Bench runs from the Run page: a script's steps driven on the ESC, its curve in a window.
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSerialPortInfo>
#include <QShortcut>
#include <QSlider>
#include <QStandardPaths>
#include <algorithm>
#include <cmath>

#include "BenchChart.h"
#include "FormQKconfig.h"
#include "device/Throttle.h"
#include "formats/ResultCsv.h"
#include "link/OneShotTimer.h"
#include "session/BenchRun.h"
#include "session/BenchSensor.h"

namespace velmar {

void FormQKconfig::StopMotor(const QString& reason) {
  if (m_bench && m_bench->Running())
    m_bench->Stop(reason);
  else
    m_session.Stop();
}

void FormQKconfig::CmdBench_Click() {
  if (m_bench && m_bench->Running()) return;
  // The motor stops before the script is chosen: the choice must not keep it turning.
  if (!m_session.AtRest() || m_session.Throttle() > 0) StopMotor(QString());
  const std::optional<BenchChoice> choice = m_chooseScript(this, m_lastBench, SensorDevices());
  if (!choice) return;
  if (m_session.Stopping()) {
    LbBench->setText(tr("The motor is still stopping: start the bench run once it stands."));
    return;
  }
  BenchScript script = DefaultBenchScript();
  if (!choice->script.isEmpty()) {
    QString error;
    const std::optional<BenchScript> read = ReadBenchScript(choice->script, &error);
    if (!read) {
      LbBench->setText(error);
      return;
    }
    script = *read;
    m_lastBench.script = choice->script;
  }
  m_lastBench.sensor = choice->sensor;
  m_lastBench.baud = choice->baud;
  // Each run's results are kept, so that a later run can be compared with them.
  const QString folder = m_resultFolder.isEmpty()
                             ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                             : m_resultFolder;
  QDir().mkpath(folder);
  const QString path = QDir(folder).filePath(
      QStringLiteral("bench-%1.csv")
          .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
  // The last run goes before its sensor, which it reads from.
  m_bench.reset();
  if (!OpenSensor(script, *choice)) return;
  QString error;
  auto bench = std::make_unique<BenchRun>(m_session, script, m_makeTimer(), m_now);
  if (m_sensor) bench->UseSensor(m_sensor.get());
  if (!bench->WriteResultTo(path, &error)) {
    m_sensor.reset();
    LbBench->setText(tr("Cannot write the results: %1").arg(error));
    return;
  }
  m_bench = std::move(bench);
  m_benchPath = path;
  connect(m_bench.get(), &BenchRun::stepStarted, this, [this] { ShowBenchProgress(); });
  connect(m_bench.get(), &BenchRun::stepDone, this, [this] {
    if (m_chart) m_chart->SetRun(m_bench->Result());
  });
  connect(m_bench.get(), &BenchRun::sensorRead, this, &FormQKconfig::NoteSensor);
  connect(m_bench.get(), &BenchRun::finished, this, &FormQKconfig::BenchFinished);
  VSlPole->setValue(script.poles);
  RunOwnsControls(true);
  m_bench->Start();
}

bool FormQKconfig::OpenSensor(const BenchScript& script, const BenchChoice& choice) {
  m_sensor.reset();
  if (choice.sensor.isEmpty()) {
    if (!script.NeedsSensor()) return true;
    LbBench->setText(tr("This script's limits watch a bench sensor: choose the sensor's port."));
    return false;
  }
  // Refused before any byte goes to the ESC.
  auto sensor = std::make_unique<BenchSensor>(
      m_makeSensorPort(choice.sensor, choice.baud),
      m_now ? m_now : [] { return std::chrono::milliseconds(0); });
  QString why;
  if (!sensor->Open(&why)) {
    LbBench->setText(tr("The bench sensor cannot be used: %1").arg(why));
    return false;
  }
  m_sensor = std::move(sensor);
  return true;
}

QStringList FormQKconfig::SensorDevices() {
  // The machine's serial devices and those behind the port numbers, bar the ESC's own.
  QStringList devices;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
    devices << info.systemLocation();
  for (const PortDevice& device : m_ports.Ports()) devices << device.path;
  devices.removeDuplicates();
  if (m_session.Link().Port().IsOpen())
    devices.removeAll(m_ports.Device(m_session.Link().OpenPort()).path);
  return devices;
}

void FormQKconfig::NoteSensor(const SensorSample& sample) {
  m_sensorLatest = sample;
  if (m_sensorShown->IsActive()) {
    m_sensorPending = true;
    return;
  }
  ShowSensor();
  m_sensorShown->Start();
}

void FormQKconfig::ShowSensor() {
  const std::optional<double> values[kReadings] = {
      m_sensorLatest ? m_sensorLatest->thrust : std::nullopt,
      m_sensorLatest ? m_sensorLatest->current : std::nullopt,
      m_sensorLatest ? m_sensorLatest->voltage : std::nullopt,
      m_sensorLatest ? m_sensorLatest->Power() : std::nullopt};
  QLabel* labels[kReadings] = {LbThrust, LbCurrent, LbVoltage, LbWatts};
  for (int i = 0; i < kReadings; ++i)
    labels[i]->setText(m_sensorLatest ? ReadingText(i, values[i]) : QString());
}

QString FormQKconfig::ReadingText(int reading, const std::optional<double>& value) {
  struct Reading {
    const char* text;
    int decimals;
    const char* unit;
  };
  static constexpr Reading kShown[kReadings] = {{QT_TR_NOOP("Thrust %1"), 1, "g"},
                                                {QT_TR_NOOP("Current %1"), 2, "A"},
                                                {QT_TR_NOOP("Voltage %1"), 2, "V"},
                                                {QT_TR_NOOP("Power %1"), 1, "W"}};
  // Past this the fixed form would outgrow the room its label has.
  constexpr double kFixedBelow = 1e5;
  const Reading& shown = kShown[std::clamp(reading, 0, kReadings - 1)];
  QString figure = QStringLiteral("\u2013");
  if (value)
    figure = (std::abs(*value) < kFixedBelow ? QLocale().toString(*value, 'f', shown.decimals)
                                             : QLocale().toString(*value, 'e', 2)) +
             ' ' + QLatin1String(shown.unit);
  return tr(shown.text).arg(figure);
}

void FormQKconfig::RunOwnsControls(bool owns) {
  // The slider, the pole count and the port are the run's; touching them cannot change it.
  for (QWidget* control : QList<QWidget*>{SldPower, VSlPole, CombPort, CmdBench})
    control->setEnabled(!owns);
  // Two shortcuts for one key would cancel each other out: one set at a time.
  for (QShortcut* key : m_pageStopKeys) key->setEnabled(!owns || key->key() == Qt::Key_Home);
  for (QShortcut* key : m_runStopKeys) key->setEnabled(owns);
  if (m_chart) m_chart->SetRunning(owns);
  if (owns) CmdStop->setFocus();
}

void FormQKconfig::ShowBenchProgress() {
  const size_t done = m_bench->Result().steps.size();
  const size_t count = m_bench->Script().steps.size();
  if (done >= count) return;
  LbBench->setText(tr("Step %1 of %2: throttle %3, about %4 s left")
                       .arg(done + 1)
                       .arg(count)
                       .arg(m_bench->Script().steps[done].throttle)
                       .arg((m_bench->TimeLeft().count() + 999) / 1000));
}

void FormQKconfig::BenchFinished(const BenchResult& result) {
  RunOwnsControls(false);
  // The readings were the run's: the band empties with its end.
  if (m_sensor) m_sensor->Close();
  m_sensorShown->Stop();
  m_sensorPending = false;
  m_sensorLatest.reset();
  ShowSensor();
  QString text = result.stopped.isEmpty()
                     ? tr("Bench run done: %1").arg(m_benchPath)
                     : tr("Bench run stopped (%1): %2")
                           .arg(tr(result.stopped.toUtf8().constData()), m_benchPath);
  if (!m_bench->FileError().isEmpty()) text += '\n' + m_bench->FileError();
  if (!result.stopConfirmed) text += '\n' + StopNotConfirmedText();
  LbBench->setText(text);
  if (m_closeWhenStopped) return;
  if (!m_chart)
    m_chart = std::make_unique<BenchChartWindow>(
        [](const QString& path, QString* error) { return ReadResultCsv(path, error); });
  m_chart->SetRun(result);
  m_chart->show();
}

}  // namespace velmar
