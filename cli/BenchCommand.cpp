// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchCommand.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <chrono>

#include "formats/ResultCsv.h"
#include "formats/RunRecord.h"
#include "link/Cadence.h"
#include "session/BenchRun.h"
#include "session/ConfigureJob.h"

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace velmar {
namespace {

constexpr std::chrono::milliseconds kProgressInterval(1000);

// Whether two paths name one file: the same device and inode where both exist, the same
// absolute path otherwise (an output not yet written).
bool SameFile(const QString& a, const QString& b) {
#ifdef Q_OS_UNIX
  struct stat sa {
  }, sb{};
  if (::stat(QFile::encodeName(a).constData(), &sa) == 0 &&
      ::stat(QFile::encodeName(b).constData(), &sb) == 0)
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
#endif
  const QFileInfo fa(a), fb(b);
  if (fa.exists() && fb.exists()) return fa.canonicalFilePath() == fb.canonicalFilePath();
  return fa.absoluteFilePath() == fb.absoluteFilePath();
}

// A step as a JSON line, its keys the result file's columns in their order.
QByteArray RowJson(const StepResult& r) {
  const auto n = [](qint64 v) { return QByteArray::number(v); };
  const auto figure = [](const std::optional<double>& v, int decimals) {
    return v ? QByteArray::number(*v, 'f', decimals) : QByteArray("null");
  };
  QByteArray figures;
  if (const auto& s = r.sensor)
    figures = ",\"thrust_g\":" + figure(s->thrust, 2) + ",\"thrust_sd\":" + figure(s->thrustSd, 2) +
              ",\"torque_nm\":" + figure(s->torque, 5) + ",\"current_a\":" + figure(s->current, 3) +
              ",\"voltage_v\":" + figure(s->voltage, 3) + ",\"power_w\":" + figure(s->power, 2) +
              ",\"g_per_w\":" + figure(s->gPerW, 3) + ",\"sensor_samples\":" + n(s->samples);
  return "{\"step\":" + n(r.step) + ",\"throttle\":" + n(r.throttle) +
         ",\"settle_ms\":" + n(r.settle.count()) + ",\"hold_ms\":" + n(r.hold.count()) +
         ",\"samples\":" + n(r.samples) + ",\"rpm_mean\":" + QByteArray::number(r.rpmMean, 'f', 1) +
         ",\"rpm_min\":" + n(r.rpmMin) + ",\"rpm_max\":" + n(r.rpmMax) +
         ",\"rpm_sd\":" + QByteArray::number(r.rpmSd, 'f', 1) +
         ",\"rise_ms\":" + (r.rise ? n(r.rise->count()) : QByteArray("null")) + figures + "}";
}

}  // namespace

// The port, the session and the run on it, while the command runs.
struct BenchCommand::Running {
  Running(const CommandServices& services,
          const std::function<std::unique_ptr<SerialPort>(const PortMap&)>& makePort,
          const PortMap& ports, BenchScript script)
      : port(makePort(ports)),
        session(LinkServices{port.get(), services.makeTimer(kIdlePollInterval),
                             services.makeTimer(kReplyTimeout), [] {}},
                true),
        run(session, std::move(script), services.makeTimer(kClimbPollInterval), services.now),
        answerWithin(services.makeTimer(ConfigureJob::kAnswerWithin)),
        progress(services.makeTimer(kProgressInterval)) {}

  std::unique_ptr<SerialPort> port;
  EscSession session;
  BenchRun run;
  std::unique_ptr<OneShotTimer> answerWithin;
  std::unique_ptr<OneShotTimer> progress;
  std::optional<BenchResult> earlier;
  RunRecord record;
  std::unique_ptr<BenchSensor> sensor;
};

BenchCommand::BenchCommand(const CommandLine& line, CommandServices services, BenchPlotter plot)
    : m_line(line), m_services(std::move(services)), m_plot(std::move(plot)) {}
BenchCommand::~BenchCommand() = default;

void BenchCommand::Stop(const QString& reason) {
  if (!m_running) {
    if (m_stopped.isEmpty()) m_stopped = reason;
    return;
  }
  m_running->run.Stop(reason);
}

bool BenchCommand::Refused(const QString& why) {
  m_services.say(why);
  emit finished(kBadUsage);
  return false;
}

void BenchCommand::Start() {
  // An output over an input would destroy it: refused before any file is opened.
  for (const QString& input :
       {m_line.file, m_line.comparePath, m_line.plotPath, m_line.recordPath, m_line.sensorPath})
    if (!input.isEmpty() && SameFile(m_line.outPath, input)) {
      Refused(QStringLiteral("--out %1 names the same file as %2").arg(m_line.outPath, input));
      return;
    }
  // A bad script or earlier result is refused before any port is touched.
  QString error;
  std::optional<BenchScript> script = ReadBenchScript(m_line.file, &error);
  if (!script) {
    Refused(error);
    return;
  }
  if (script->NeedsSensor() && m_line.sensorPath.isEmpty()) {
    Refused(QStringLiteral("%1: its limits watch a bench sensor: name it with --sensor PATH")
                .arg(m_line.file));
    return;
  }
  std::optional<BenchResult> earlier;
  if (!m_line.comparePath.isEmpty() && !(earlier = ReadResultCsv(m_line.comparePath, &error))) {
    Refused(error);
    return;
  }
  // A sensor that does not open is refused before any byte goes to the ESC; open, it is
  // locked, so the search for the ESC passes it by.
  std::unique_ptr<BenchSensor> sensor;
  if (!m_line.sensorPath.isEmpty()) {
    sensor = std::make_unique<BenchSensor>(
        m_services.makeSensorPort(m_line.sensorPath, m_line.sensorBaud), m_services.now);
    if (!sensor->Open(&error)) {
      Refused(QStringLiteral("the bench sensor %1").arg(error));
      return;
    }
  }
  // A port that does not open is said, with why.
  const auto makePort = [this](const PortMap& map) {
    std::unique_ptr<SerialPort> port = m_services.makePort(map);
    QObject::connect(port.get(), &SerialPort::openFailed, this, m_services.say);
    return port;
  };
  const auto [ports, numbers] = PortsFor(m_line, makePort);
  if (numbers.size() > 1) {
    Refused(QStringLiteral("bench drives one ESC, and %1 ports answer: name one with --port")
                .arg(numbers.size()));
    return;
  }

  m_running = std::make_unique<Running>(m_services, makePort, ports, *script);
  Running& r = *m_running;
  r.earlier = std::move(earlier);
  r.sensor = std::move(sensor);
  if (!m_line.recordPath.isEmpty() && !r.record.Open(m_line.recordPath, &error)) {
    Refused(QStringLiteral("cannot write the run record %1: %2").arg(m_line.recordPath, error));
    return;
  }
  if (r.sensor) r.run.UseSensor(r.sensor.get());
  if (!r.run.WriteResultTo(m_line.outPath, &error)) {
    Refused(error);
    return;
  }
  connect(&r.run, &BenchRun::stepDone, this, &BenchCommand::StepDone);
  connect(&r.run, &BenchRun::finished, this, &BenchCommand::RunFinished);
  connect(&r.session, &EscSession::speedRead, this, [this](const SpeedReading& reading) {
    Running& r = *m_running;
    QString why;
    if (r.record.IsOpen() &&
        !r.record.Append(
            {m_services.now(), reading.escThrottle, reading.period, reading.poles, reading.shown,
             r.session.Connected() ? QStringLiteral("Connected") : QStringLiteral("Unconnected")},
            &why))
      m_services.say(QStringLiteral("the run record %1 stopped: %2").arg(m_line.recordPath, why));
  });
  // The run starts when the ESC first answers; one that never does ends the command.
  r.answerWithin->onTimeout = [this] { m_running->run.Stop(QStringLiteral("no ESC answered")); };
  connect(&r.session, &EscSession::connectionChanged, this, [this](bool connected) {
    Running& r = *m_running;
    if (!connected || r.run.Running() || r.run.Finished()) return;
    r.answerWithin->Stop();
    r.run.Start();
  });
  // On a terminal the run's progress shows on a line of its own, rewritten each second.
  if (m_services.terminal && !m_line.json) {
    r.progress->onTimeout = [this] { ShowProgress(); };
    connect(&r.run, &BenchRun::stepStarted, this, &BenchCommand::ShowProgress);
  }

  if (!m_stopped.isEmpty()) return r.run.Stop(m_stopped);
  if (numbers.isEmpty()) return r.run.Stop(QStringLiteral("no serial port"));
  if (!r.session.OpenPort(numbers.front())) return r.run.Stop(QStringLiteral("no ESC answered"));
  r.answerWithin->Start();
}

void BenchCommand::Out(const QByteArray& line) {
  // The progress line goes; what replaces it stays.
  m_services.out((m_progressShown ? QByteArray("\r\033[K") : QByteArray()) + line + '\n');
  m_progressShown = false;
}

void BenchCommand::StepDone(const StepResult& row) {
  if (m_line.json) return Out(RowJson(row));
  Out(QStringLiteral("step %1/%2: throttle %3, mean %4 r/min, min-max %5-%6, %7 samples")
          .arg(row.step)
          .arg(m_running->run.Script().steps.size())
          .arg(row.throttle)
          .arg(row.rpmMean, 0, 'f', 1)
          .arg(row.rpmMin)
          .arg(row.rpmMax)
          .arg(row.samples)
          .toUtf8());
}

void BenchCommand::ShowProgress() {
  const BenchRun& run = m_running->run;
  const size_t done = run.Result().steps.size(), count = run.Script().steps.size();
  if (!run.Running() || done >= count) return;
  m_services.out(QStringLiteral("\r\033[Kstep %1/%2: throttle %3, about %4 s left")
                     .arg(done + 1)
                     .arg(count)
                     .arg(run.Script().steps[done].throttle)
                     .arg((run.TimeLeft().count() + 999) / 1000)
                     .toUtf8());
  m_progressShown = true;
  m_running->progress->Start();
}

void BenchCommand::RunFinished(const BenchResult& result) {
  Running& r = *m_running;
  r.progress->Stop();
  r.answerWithin->Stop();
  r.session.Link().Shutdown();
  if (r.sensor) r.sensor->Close();
  if (!r.run.FileError().isEmpty()) m_services.say(r.run.FileError());
  if (m_line.json) {
    QJsonObject end{{"end", result.stopped.isEmpty() ? "completed" : "stopped"}};
    if (!result.stopped.isEmpty()) end["reason"] = result.stopped;
    if (!result.stopped.isEmpty() || !result.stopConfirmed)
      end["stop_confirmed"] = result.stopConfirmed;
    Out(QJsonDocument(end).toJson(QJsonDocument::Compact));
  } else if (m_progressShown) {
    Out(QByteArray());
  }
  if (!result.stopped.isEmpty()) m_services.say(QStringLiteral("stopped: %1").arg(result.stopped));
  if (!result.stopConfirmed)
    m_services.say(
        QStringLiteral("stop not confirmed: the ESC did not acknowledge throttle 0, and the "
                       "motor may still be running"));
  QString error;
  const BenchQuantity y =
      m_line.plotY.isEmpty()
          ? (Holds(result, BenchQuantity::Thrust) ? BenchQuantity::Thrust : BenchQuantity::Rpm)
          : *QuantityNamed(m_line.plotY);
  const bool plotted = m_line.plotPath.isEmpty() || !m_plot ||
                       m_plot(result, r.earlier ? &*r.earlier : nullptr, m_line.comparePath,
                              m_line.plotPath, &error, y);
  if (!plotted) m_services.say(error);
  if (!result.stopConfirmed) return emit finished(kBenchStopUnconfirmed);
  emit finished(result.stopped.isEmpty() && plotted ? 0 : kBenchStopped);
}

}  // namespace velmar
