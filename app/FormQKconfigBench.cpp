// SPDX-License-Identifier: GPL-3.0-or-later
// Bench runs from the Run page: a script's steps driven on the ESC, its curve in a window.
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSlider>
#include <QStandardPaths>

#include "BenchChart.h"
#include "FormQKconfig.h"
#include "device/Throttle.h"
#include "formats/ResultCsv.h"
#include "link/OneShotTimer.h"
#include "session/BenchRun.h"

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
  const std::optional<QString> choice = m_chooseScript(this, m_lastScript);
  if (!choice) return;
  if (m_session.Stopping()) {
    LbBench->setText(tr("The motor is still stopping: start the bench run once it stands."));
    return;
  }
  BenchScript script = DefaultBenchScript();
  if (!choice->isEmpty()) {
    QString error;
    const std::optional<BenchScript> read = ReadBenchScript(*choice, &error);
    if (!read) {
      LbBench->setText(error);
      return;
    }
    script = *read;
    m_lastScript = *choice;
  }
  // Each run's results are kept, so that a later run can be compared with them.
  const QString folder = m_resultFolder.isEmpty()
                             ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                             : m_resultFolder;
  QDir().mkpath(folder);
  const QString path = QDir(folder).filePath(
      QStringLiteral("bench-%1.csv")
          .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
  QString error;
  auto bench = std::make_unique<BenchRun>(m_session, script, m_makeTimer(), m_now);
  if (!bench->WriteResultTo(path, &error)) {
    LbBench->setText(tr("Cannot write the results: %1").arg(error));
    return;
  }
  m_bench = std::move(bench);
  m_benchPath = path;
  connect(m_bench.get(), &BenchRun::stepStarted, this, [this] { ShowBenchProgress(); });
  connect(m_bench.get(), &BenchRun::stepDone, this, [this] {
    if (m_chart) m_chart->SetRun(m_bench->Result());
  });
  connect(m_bench.get(), &BenchRun::finished, this, &FormQKconfig::BenchFinished);
  VSlPole->setValue(script.poles);
  RunOwnsControls(true);
  m_bench->Start();
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
