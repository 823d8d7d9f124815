// SPDX-License-Identifier: GPL-3.0-or-later
// Bench runs from the Run page: a script's steps driven on the ESC, its curve in a window.
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
  if (m_bench && m_bench->Running()) m_bench->Stop(reason);
  SldPower->setValue(0);
}

void FormQKconfig::CmdBench_Click() {
  if (m_bench && m_bench->Running()) return;
  const std::optional<QString> choice = m_chooseScript(this, m_lastScript);
  if (!choice) return;
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
  m_results = std::make_unique<ResultCsv>();
  if (!m_results->Open(path, &error)) {
    LbBench->setText(tr("Cannot write the results: %1").arg(error));
    return;
  }
  m_bench = std::make_unique<BenchRun>(m_session, script, m_makeTimer(), m_now);
  m_benchScript = script;
  m_benchPath = path;
  connect(m_bench.get(), &BenchRun::stepStarted, this, [this] { ShowBenchProgress(); });
  connect(m_bench.get(), &BenchRun::stepDone, this, [this](const StepResult& row) {
    QString why;
    if (!m_results->Append(row, &why)) m_bench->Stop(QStringLiteral("result file: %1").arg(why));
    if (m_chart) m_chart->SetRun(m_bench->Result());
  });
  connect(m_bench.get(), &BenchRun::finished, this, &FormQKconfig::BenchFinished);
  VSlPole->setValue(script.poles);
  m_bench->Start();
}

void FormQKconfig::ShowBenchProgress() {
  const size_t done = m_bench->Result().steps.size();
  const size_t count = m_benchScript.steps.size();
  if (done >= count) return;
  std::chrono::milliseconds left{0};
  for (size_t i = done; i < count; ++i)
    left += m_benchScript.steps[i].settle + m_benchScript.steps[i].hold;
  LbBench->setText(tr("Step %1 of %2: throttle %3, about %4 s left")
                       .arg(done + 1)
                       .arg(count)
                       .arg(m_benchScript.steps[done].throttle)
                       .arg((left.count() + 999) / 1000));
}

void FormQKconfig::BenchFinished(const BenchResult& result) {
  QString why;
  if (!result.stopped.isEmpty()) m_results->Stop(result.stopped, &why);
  m_results->Close();
  LbBench->setText(result.stopped.isEmpty()
                       ? tr("Bench run done: %1").arg(m_benchPath)
                       : tr("Bench run stopped (%1): %2")
                             .arg(tr(result.stopped.toUtf8().constData()), m_benchPath));
  if (!m_chart)
    m_chart = std::make_unique<BenchChartWindow>(
        [](const QString& path, QString* error) { return ReadResultCsv(path, error); });
  m_chart->SetRun(result);
  m_chart->show();
}

}  // namespace velmar
