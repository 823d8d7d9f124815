// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchCommand.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <cstdio>

#include "formats/ResultCsv.h"
#include "formats/RunRecord.h"
#include "link/Cadence.h"
#include "link/QtSerialPort.h"
#include "session/BenchRun.h"
#include "session/ConfigureJob.h"

namespace velmar {
namespace {}  // namespace

// The port, the session and the run on it, while Run() runs.
struct BenchCommand::Running {
  Running(const PortMap& ports, BenchScript script)
      : port(ports),
        session(LinkServices{&port, std::make_unique<QtOneShotTimer>(kIdlePollInterval),
                             std::make_unique<QtOneShotTimer>(kReplyTimeout), [] {}},
                true),
        run(session, std::move(script), std::make_unique<QtOneShotTimer>(kClimbPollInterval),
            [this] { return std::chrono::milliseconds(sinceStart.elapsed()); }) {
    sinceStart.start();
  }

  QElapsedTimer sinceStart;
  QtSerialPort port;
  EscSession session;
  BenchRun run;
  QEventLoop loop;
};

BenchCommand::BenchCommand(const CommandLine& line, BenchPlotter plot)
    : m_line(line), m_plot(std::move(plot)) {}
BenchCommand::~BenchCommand() = default;

void BenchCommand::Stop(const QString& reason) {
  if (m_stopped.isEmpty()) m_stopped = reason;
  if (!m_running) return;
  if (m_running->run.Running()) return m_running->run.Stop(reason);
  m_running->loop.quit();  // still waiting for the ESC's first answer
}

int BenchCommand::Run() {
  // A bad script or an unwritable result is refused before any port is touched.
  QString error;
  std::optional<BenchScript> script = ReadBenchScript(m_line.file, &error);
  if (!script) {
    Say(error);
    return kBadUsage;
  }
  ResultCsv csv;
  if (!csv.Open(m_line.outPath, &error)) {
    Say(error);
    return kBadUsage;
  }
  RunRecord record;
  if (!m_line.recordPath.isEmpty() && !record.Open(m_line.recordPath, &error)) {
    Say(QStringLiteral("cannot write the run record %1: %2").arg(m_line.recordPath, error));
    return kBadUsage;
  }

  const auto [ports, numbers] = PortsFor(m_line);
  if (numbers.size() > 1) {
    Say(QStringLiteral("bench drives one ESC, and %1 ports answer: name one with --port")
            .arg(numbers.size()));
    return kBadUsage;
  }

  m_running = std::make_unique<Running>(ports, *script);
  Running& r = *m_running;
  QObject::connect(&r.run, &BenchRun::stepDone, [&](const StepResult& row) {
    QString why;
    if (!csv.Append(row, &why)) r.run.Stop(QStringLiteral("result file: ") + why);
  });
  QObject::connect(&r.run, &BenchRun::finished, &r.loop, &QEventLoop::quit);
  QObject::connect(&r.session, &EscSession::speedRead, [&](const SpeedReading& reading) {
    QString why;
    if (record.IsOpen() &&
        !record.Append(
            {std::chrono::milliseconds(r.sinceStart.elapsed()), reading.escThrottle, reading.period,
             reading.poles, reading.shown,
             r.session.Connected() ? QStringLiteral("Connected") : QStringLiteral("Unconnected")},
            &why))
      Say(QStringLiteral("the run record %1 stopped: %2").arg(m_line.recordPath, why));
  });
  // The run starts when the ESC first answers; one that never does ends the command.
  QtOneShotTimer answerWithin(ConfigureJob::kAnswerWithin);
  answerWithin.onTimeout = [&] { r.loop.quit(); };
  QObject::connect(&r.session, &EscSession::connectionChanged, [&](bool connected) {
    if (!connected || r.run.Running() || r.run.Finished()) return;
    answerWithin.Stop();
    r.run.Start();
  });

  if (numbers.isEmpty()) {
    Say(QStringLiteral("no serial port to use"));
  } else if (!r.session.Link().SelectPort(numbers.front())) {
    Say(QStringLiteral("cannot open %1").arg(ports.Device(numbers.front()).path));
  } else if (m_stopped.isEmpty()) {
    answerWithin.Start();
    r.loop.exec();
  }
  r.session.Link().Shutdown();

  BenchResult result = r.run.Result();
  if (!r.run.Finished()) {
    result.stopped = !m_stopped.isEmpty() ? m_stopped
                     : numbers.isEmpty()  ? QStringLiteral("no serial port")
                                          : QStringLiteral("no ESC answered");
  }
  if (!result.stopped.isEmpty()) {
    Say(QStringLiteral("stopped: %1").arg(result.stopped));
    if (!csv.Stop(result.stopped, &error)) Say(error);
  }
  csv.Close();
  if (!m_line.plotPath.isEmpty() && m_plot && !m_plot(result, m_line.plotPath, &error)) {
    Say(error);
    return 1;
  }
  return result.stopped.isEmpty() ? 0 : 1;
}

}  // namespace velmar
