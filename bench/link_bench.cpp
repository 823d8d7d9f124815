// SPDX-License-Identifier: GPL-3.0-or-later
// How closely the program keeps the link's timeline: the real window, serial
// port and timers against the simulated ESC at 38400 baud, timed from the
// simulator's log, on a quiet machine and with both cores kept busy.
//
//   velmar-link-bench [--json] [--scale F] [--only quiet|loaded|fleet]
//
// Every sample is a ratio to the timeline's ideal for that sample: the fixed
// interval (10 ms queued, 100 ms idle, 300 ms + 10 ms resend) plus the time the
// simulated line takes to hand back its bytes (it paces each byte at 38400
// baud, 10 bits, from the moment a request arrives; a request crosses the
// pseudo-terminal at once). The fleet runs 1 to 16 simulated ESCs at once: apply
// as a process, timed against one ESC, then the fleet window in this process on
// them, its start-up timed against one ESC, idle-polling them. Exits non-zero
// only when a run is broken.

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <list>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "FleetWindow.h"
#include "FormQKconfig.h"
#include "link/Cadence.h"
#include "link/QtSerialPort.h"
#include "session/BenchRun.h"
#include "session/BenchSensor.h"
#include "session/EscSession.h"

extern char** environ;

namespace {

using Us = std::int64_t;
constexpr double kByteUs = 1e6 * 10 / 38400;
constexpr Us kQueuedUs = 10'000, kIdleUs = 100'000, kResendUs = 310'000;

Us NowUs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return Us(ts.tv_sec) * 1'000'000 + ts.tv_nsec / 1000;
}

// The simulator hands the first byte of a reply over as the request arrives
// and each further byte one byte time later.
double LineUs(int replyBytes) {
  return replyBytes > 1 ? (replyBytes - 1) * kByteUs : 0;
}

// ---------------------------------------------------------------- processes

pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv,
            int* stdinFd, int* stdoutFd) {
  int in[2] = {-1, -1}, out[2] = {-1, -1};
  if (stdinFd && pipe2(in, O_CLOEXEC) != 0) return -1;
  if (stdoutFd && pipe2(out, O_CLOEXEC) != 0) return -1;
  std::vector<std::string> env(extraEnv);
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  std::vector<char*> argv, envp;
  for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  for (auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  argv.push_back(nullptr);
  envp.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    if (stdinFd) dup2(in[0], 0);
    if (stdoutFd) dup2(out[1], 1);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  if (stdinFd) close(in[0]), *stdinFd = in[1];
  if (stdoutFd) close(out[1]), *stdoutFd = out[0];
  return pid;
}

pid_t SpawnSpinner() {
  const pid_t pid = fork();
  if (pid == 0) {
    volatile unsigned long n = 0;
    for (;;) n = n + 1;
  }
  return pid;
}

// Ends a child and returns its resource use; SIGKILL when it does not go.
rusage Stop(pid_t pid, int signal = SIGTERM) {
  rusage use{};
  kill(pid, signal);
  for (int i = 0; i < 500; ++i) {
    if (wait4(pid, nullptr, WNOHANG, &use) == pid) return use;
    usleep(10'000);
  }
  kill(pid, SIGKILL);
  wait4(pid, nullptr, 0, &use);
  return use;
}

std::string OwnDir() {
  char path[4096] = {};
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  std::string s(path, n > 0 ? size_t(n) : 0);
  return s.substr(0, s.rfind('/'));
}

struct Sim {
  pid_t pid = -1;
  int control = -1;
  std::string pty, log;
  bool Start(const std::string& dir, const std::string& logPath,
             std::vector<std::string> extra = {}) {
    int out = -1;
    log = logPath;
    extra.insert(extra.begin(), {dir + "/velmar-esc-sim", "--wire-time", "--log", log});
    pid = Spawn(extra, {}, &control, &out);
    if (pid < 0) return false;
    pollfd p{out, POLLIN, 0};
    char c = 0;
    while (poll(&p, 1, 5000) == 1 && read(out, &c, 1) == 1 && c != '\n') pty += c;
    close(out);
    return !pty.empty();
  }
  void Send(const std::string& line) {
    [[maybe_unused]] auto n = write(control, line.data(), line.size());
  }
  ~Sim() {
    if (pid > 0) Stop(pid);
  }
};

// ---------------------------------------------------------------- the log

struct Frame {
  Us rx = 0;
  std::vector<int> bytes;
  std::optional<Us> reply;  // when the reply's last byte went out
  int replyLen = 0;
  int Code() const { return bytes.size() > 2 ? bytes[2] : -1; }
};

std::vector<Frame> ReadFrames(const std::string& path) {
  std::vector<Frame> frames;
  std::ifstream in(path);
  std::string line, kind;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    Us at = 0;
    words >> at >> kind;
    std::vector<int> bytes;
    for (std::string hex; words >> hex;)
      bytes.push_back(int(std::strtol(hex.c_str(), nullptr, 16)));
    if (kind == "rx") frames.push_back(Frame{at, bytes, std::nullopt, 0});
    if (kind == "tx" && !frames.empty() && !frames.back().reply)
      frames.back().reply = at, frames.back().replyLen = int(bytes.size());
  }
  return frames;
}

// ---------------------------------------------------------------- results

struct Row {
  std::string what;
  std::vector<double> ratio, ms, idealMs;
  void Add(double measuredUs, double idealUs) {
    ratio.push_back(measuredUs / idealUs);
    ms.push_back(measuredUs / 1000);
    idealMs.push_back(idealUs / 1000);
  }
};

double Quantile(std::vector<double> v, double q) {
  if (v.empty()) return NAN;
  std::sort(v.begin(), v.end());
  return v[size_t(std::max(0.0, std::ceil(q * double(v.size())) - 1))];
}

struct Phase {
  Phase(std::string phaseName, const std::vector<std::string>& samples)
      : name(std::move(phaseName)) {
    for (const auto& what : samples) rows.push_back(Row{what, {}, {}, {}});
  }
  std::string name;
  std::vector<Row> rows;
  double cpuSecPerMin = 0, peakRssMb = 0;
  std::string note;  // what a phase measures beyond its rows
};

double StatusKb(const std::string& key) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind(key, 0) == 0) return std::atof(line.c_str() + key.size());
  return 0;
}

struct Use {
  Us wall = NowUs();
  rusage self{};
  Use() {
    getrusage(RUSAGE_SELF, &self);
    std::ofstream("/proc/self/clear_refs") << "5";  // restarts the peak resident size
  }
  static double Sec(const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; }
  void Into(Phase& phase) const {
    rusage now{};
    getrusage(RUSAGE_SELF, &now);
    const double cpu =
        Sec(now.ru_utime) + Sec(now.ru_stime) - Sec(self.ru_utime) - Sec(self.ru_stime);
    phase.cpuSecPerMin = cpu / (double(NowUs() - wall) / 60e6);
    phase.peakRssMb = StatusKb("VmHWM:") / 1024;
  }
};

// ---------------------------------------------------------------- timer trace

// Set while the program handles a receive notification or a timer's firing.
Us g_notifiedAt = 0, g_firedAt = 0;

// Wraps the program's timer to record how late each firing comes.
class TracedTimer final : public velmar::OneShotTimer {
 public:
  TracedTimer(std::chrono::milliseconds interval,
              std::map<std::string, std::vector<double>>& lateUs)
      : m_timer(interval), m_late(lateUs) {
    m_timer.onTimeout = [this] {
      m_late["timer " + std::to_string(m_timer.Interval().count()) + " ms fires late by"].push_back(
          double(NowUs() - m_due));
      g_firedAt = NowUs();
      if (onTimeout) onTimeout();
      g_firedAt = 0;
    };
  }
  void SetInterval(std::chrono::milliseconds i) override { m_timer.SetInterval(i); }
  std::chrono::milliseconds Interval() const override { return m_timer.Interval(); }
  void Start() override {
    if (g_notifiedAt)
      m_late["receive notification to its timer started"].push_back(double(NowUs() - g_notifiedAt));
    m_due = NowUs() + Us(m_timer.Interval().count()) * 1000;
    m_timer.Start();
  }
  void Stop() override { m_timer.Stop(); }
  bool IsActive() const override { return m_timer.IsActive(); }

 private:
  velmar::QtOneShotTimer m_timer;
  std::map<std::string, std::vector<double>>& m_late;
  Us m_due = 0;
};

// Wraps the program's port to record when it writes a frame and when it hears
// of received bytes, so the log's times split into the line's share and ours.
class TracedPort final : public velmar::SerialPort {
 public:
  explicit TracedPort(velmar::SerialPort& port) : m_port(port) {
    connect(&port, &SerialPort::commEvent, this, [this](int event) {
      notified.push_back(g_notifiedAt = NowUs());
      emit commEvent(event);
      g_notifiedAt = 0;
    });
    connect(&port, &SerialPort::lost, this, [this] { emit lost(); });
  }
  void SetPortNumber(int number) override { m_port.SetPortNumber(number); }
  int PortNumber() const override { return m_port.PortNumber(); }
  bool Open() override { return m_port.Open(); }
  void Close() override { m_port.Close(); }
  bool IsOpen() const override { return m_port.IsOpen(); }
  void DiscardOutput() override { m_port.DiscardOutput(); }
  void DiscardInput() override { m_port.DiscardInput(); }
  int InBufferCount() const override { return m_port.InBufferCount(); }
  int ReadByte() override { return m_port.ReadByte(); }
  bool Write(const QByteArray& bytes) override {
    const bool ok = m_port.Write(bytes);
    written.push_back(NowUs());
    if (g_firedAt) firedToWritten.push_back(double(written.back() - g_firedAt));
    return ok;
  }
  void SetReceiveThreshold(int threshold) override { m_port.SetReceiveThreshold(threshold); }
  int ReceiveThreshold() const override { return m_port.ReceiveThreshold(); }
  QString Describe(int number) const override { return m_port.Describe(number); }

  std::vector<Us> written, notified;
  std::vector<double> firedToWritten;

 private:
  velmar::SerialPort& m_port;
};

void RunFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
  loop.exec();
}

// ---------------------------------------------------------------- phases

struct Config {
  double scale = 1;
  int Ms(int ms, int least = 200) const { return std::max(least, int(ms * scale)); }
  int Count(int n) const { return std::max(3, int(n * scale)); }
};

Phase StartUp(const std::string& dir, Sim& sim, const Config& config) {
  Phase phase{"start-up (the program as a process)",
              {"process start to first frame", "process start to \"Connected\" (its ReqIdentify)"}};
  double cpu = 0, lifeMin = 0;
  for (int run = 0; run < config.Count(10); ++run) {
    const Us start = NowUs();
    const pid_t app =
        Spawn({dir + "/velmar-esc-config"},
              {"VELMAR_ESC_PORTS=1=" + sim.pty, "QT_QPA_PLATFORM=offscreen"}, nullptr, nullptr);
    std::optional<Us> first, identify;
    while (!identify && NowUs() - start < 10'000'000) {
      usleep(20'000);
      for (const Frame& f : ReadFrames(sim.log)) {
        if (f.rx < start) continue;
        if (!first) first = f.rx;
        if (f.Code() == 1 && !identify) identify = f.rx;
      }
    }
    const rusage use = Stop(app);
    cpu += Use::Sec(use.ru_utime) + Use::Sec(use.ru_stime);
    lifeMin += double(NowUs() - start) / 60e6;
    phase.peakRssMb = std::max(phase.peakRssMb, double(use.ru_maxrss) / 1024);
    if (first) phase.rows[0].Add(double(*first - start), kIdleUs);
    if (identify) phase.rows[1].Add(double(*identify - start), kIdleUs + kQueuedUs);
  }
  phase.cpuSecPerMin = lifeMin > 0 ? cpu / lifeMin : 0;
  return phase;
}

// Frame-to-frame periods inside [from, to), by what the timeline asks for.
void Periods(const std::vector<Frame>& frames, Us from, Us to, Row* queued, Row* idle,
             Row* resend) {
  for (size_t i = 0; i + 1 < frames.size(); ++i) {
    const Frame &a = frames[i], &b = frames[i + 1];
    if (a.rx < from || b.rx >= to) continue;
    const double measured = double(b.rx - a.rx);
    const bool idleNext = b.Code() == 0 || b.Code() == 5;
    if (!a.reply && resend) resend->Add(measured, kResendUs);
    if (a.reply && idleNext && idle) idle->Add(measured, kIdleUs + LineUs(a.replyLen));
    if (a.reply && !idleNext && queued) queued->Add(measured, kQueuedUs + LineUs(a.replyLen));
  }
}

struct Bench {
  const Config& config;
  Sim& sim;
  QWidget& window;

  Phase Idle() {
    Phase phase{"idle polling", {"poll to poll (100 ms)"}};
    const Use use;
    const Us from = NowUs();
    RunFor(config.Ms(20'000));
    use.Into(phase);
    Periods(ReadFrames(sim.log), from, NowUs(), nullptr, &phase.rows[0], nullptr);
    return phase;
  }

  Phase Motor(int changes = 205) {
    Phase phase{"motor running",
                {"speed reply to queued throttle (10 ms)", "speed request period (100 ms)"}};
    auto* tabs = window.findChild<QTabWidget*>("TabStrip1");
    auto* slider = window.findChild<QSlider*>("SldPower");
    const Use use;
    tabs->setCurrentIndex(1);
    for (int v = 5; v <= 60; v += 5) slider->setValue(v);
    const Us from = NowUs();
    for (int change = 0; change < config.Count(changes); ++change) {
      RunFor(500);
      slider->setValue(change % 2 ? 60 : 65);
    }
    RunFor(300);
    const Us to = NowUs();
    tabs->setCurrentIndex(0);  // the Config page stops the motor
    RunFor(500);
    use.Into(phase);
    Periods(ReadFrames(sim.log), from, to, &phase.rows[0], &phase.rows[1], nullptr);
    return phase;
  }

  // The write goes out 10 ms after the reply to the next poll, and that poll
  // 100 ms after the exchange before the choice ended.
  Phase Setting() {
    Phase phase{"a setting chosen", {"choice to its write frame"}};
    auto* brake = window.findChild<QComboBox*>("CombBrake");
    std::mt19937 random(12);
    std::vector<std::pair<Us, int>> choices;
    const Use use;
    for (int i = 0; i < config.Count(100); ++i) {
      RunFor(250 + int(random() % 300));
      const int entry = 1 - brake->currentIndex();
      choices.emplace_back(NowUs(), entry);
      brake->setCurrentIndex(entry);
      emit brake->activated(entry);
    }
    RunFor(400);
    use.Into(phase);
    const std::vector<Frame> frames = ReadFrames(sim.log);
    for (const auto& choice : choices) {
      const auto chosen = choice.first;
      auto next =
          std::find_if(frames.begin(), frames.end(), [&](const Frame& f) { return f.rx > chosen; });
      if (next == frames.begin() || next == frames.end() || next->Code() != 0) continue;
      const Frame& last = *(next - 1);
      // A reply that came just before the choice may not have been handled yet.
      if (!last.reply || chosen - *last.reply < 2000) continue;
      const std::vector<int> write = {0x51, 0x4B, 3, 1, choice.second + 1};
      auto written =
          std::find_if(next, frames.end(), [&](const Frame& f) { return f.bytes == write; });
      if (written == frames.end()) continue;
      const double ideal =
          double(*last.reply + kIdleUs + kQueuedUs) + LineUs(next->replyLen) - double(chosen);
      phase.rows[0].Add(double(written->rx - chosen), ideal);
    }
    return phase;
  }

  Phase Mute() {
    Phase phase{"ESC mute", {"resend period (300 ms + 10 ms)"}};
    const Use use;
    sim.Send("mute\n");
    const Us from = NowUs();
    RunFor(config.Ms(32'000, 1'000));
    const Us to = NowUs();
    sim.Send("unmute\n");
    RunFor(600);
    use.Into(phase);
    Periods(ReadFrames(sim.log), from, to, nullptr, nullptr, &phase.rows[0]);
    return phase;
  }
};

struct Condition {
  std::string name;
  std::vector<Phase> phases;
  std::map<std::string, std::vector<double>> trace;  // microseconds
};

// A bench sensor beside the link: a child process writes 1000 lines a second into a
// pseudo-terminal, each carrying the monotonic time its last byte was written (as its torque,
// in microseconds), and the program's own sensor reader stamps them on the link's event loop.
struct SensorStream {
  static constexpr int kLinesPerSecond = 1000;
  pid_t writer = -1;
  int master = -1;
  std::unique_ptr<velmar::BenchSensor> sensor;
  Row latency{"line's last byte written to its sample stamped (1 ms)", {}, {}, {}};
  long lines = 0;

  SensorStream() {
    int slave = -1;
    char name[64] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return;
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    sensor = std::make_unique<velmar::BenchSensor>(
        velmar::MakeQtLinePort(name, velmar::kSensorBaud),
        [] { return std::chrono::milliseconds(NowUs() / 1000); });
    QString why;
    if (!sensor->Open(&why)) {
      sensor.reset();
      return;
    }
    close(slave);  // the reader holds it open now
    QObject::connect(sensor.get(), &velmar::BenchSensor::sampled, [this](const auto& sample) {
      ++lines;
      if (sample.torque) latency.Add(double(NowUs()) - *sample.torque, 1000);
    });
    writer = fork();
    if (writer != 0) return;
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    for (;;) {
      next.tv_nsec += 1'000'000'000 / kLinesPerSecond;
      if (next.tv_nsec >= 1'000'000'000) next.tv_nsec -= 1'000'000'000, ++next.tv_sec;
      clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
      char line[96];
      const int n = std::snprintf(
          line, sizeof line, "thrust_g:512.30 current_a:12.100 voltage_v:15.920 torque_nm:%lld\n",
          static_cast<long long>(NowUs()));
      if (write(master, line, size_t(n)) < 0 && errno != EAGAIN) _exit(0);
    }
  }
  ~SensorStream() {
    if (writer > 0) kill(writer, SIGKILL), waitpid(writer, nullptr, 0);
    sensor.reset();
    if (master >= 0) close(master);
  }
  bool Ok() const { return sensor && writer > 0; }
};

// Splits each exchange between the line (pseudo-terminal and simulator) and the program.
void Trace(const std::vector<Frame>& frames, Us from, const TracedPort& port, size_t firstWrite,
           std::map<std::string, std::vector<double>>& trace) {
  auto frame =
      std::find_if(frames.begin(), frames.end(), [&](const Frame& f) { return f.rx >= from; });
  for (size_t w = firstWrite; w < port.written.size() && frame != frames.end(); ++w, ++frame) {
    trace["program writes, simulator reads after"].push_back(double(frame->rx - port.written[w]));
    if (frame == frames.begin() || !(frame - 1)->reply) continue;
    const bool idle = frame->Code() == 0 || frame->Code() == 5;
    trace[idle ? "reply's last byte to the idle frame written (100 ms)"
               : "reply's last byte to a queued frame written (10 ms)"]
        .push_back(double(port.written[w] - *(frame - 1)->reply));
  }
  trace["timer fired to frame written"] = port.firedToWritten;
  for (const Frame& f : frames) {
    if (f.rx < from || !f.reply) continue;
    trace["simulator's " + std::to_string(f.replyLen) + "-byte reply lags its wire time by"]
        .push_back(double(*f.reply - f.rx) - LineUs(f.replyLen));
    auto heard = std::lower_bound(port.notified.begin(), port.notified.end(), *f.reply);
    if (heard != port.notified.end())
      trace["simulator writes the last byte, program hears it after"].push_back(
          double(*heard - *f.reply));
  }
}

bool Run(Condition& condition, const std::string& dir, const Config& config, bool loaded) {
  std::vector<pid_t> spinners;
  if (loaded) spinners = {SpawnSpinner(), SpawnSpinner()};
  char tmpl[] = "/tmp/velmar-bench-XXXXXX";
  const std::string tmp = mkdtemp(tmpl) ? tmpl : "/tmp";
  Sim sim;
  bool ok = sim.Start(dir, tmp + "/sim.log");
  if (ok) {
    condition.phases.push_back(StartUp(dir, sim, config));
    velmar::QtSerialPort qtPort(
        velmar::PortMap::Parse(QString::fromStdString("1=" + sim.pty), nullptr));
    TracedPort port(qtPort);
    velmar::FormServices services;
    services.link.port = &port;
    services.link.timer1 =
        std::make_unique<TracedTimer>(velmar::kIdlePollInterval, condition.trace);
    services.link.timer2 = std::make_unique<TracedTimer>(velmar::kReplyTimeout, condition.trace);
    services.link.letEventsRun = [] { QCoreApplication::processEvents(); };
    velmar::FormQKconfig window(std::move(services));
    window.Form_Load();
    window.show();
    RunFor(1000);
    condition.trace.clear();
    const Us from = NowUs();
    const size_t firstWrite = port.written.size();
    Bench bench{config, sim, window};
    condition.phases.push_back(bench.Idle());
    condition.phases.push_back(bench.Motor());
    condition.phases.push_back(bench.Setting());
    condition.phases.push_back(bench.Mute());
    // The same periods again with a sensor streaming beside the link, in the same run.
    if (SensorStream stream; stream.Ok()) {
      const Use use;
      const Us from = NowUs();
      Phase idle = bench.Idle(), motor = bench.Motor(40);
      Phase lines{"sensor at 1000 lines/s beside the link", {}};
      use.Into(lines);
      lines.rows.push_back(stream.latency);
      const double idleCpu = condition.phases[1].cpuSecPerMin;
      char note[160];
      std::snprintf(note, sizeof note,
                    "%ld lines read in %.1f s, %d skipped; reading them: %.2f %% of a core while "
                    "idle (idle polling %.2f cpu s/min alone, %.2f with the sensor)",
                    stream.lines, double(NowUs() - from) / 1e6, stream.sensor->Skipped(),
                    (idle.cpuSecPerMin - idleCpu) / 60 * 100, idleCpu, idle.cpuSecPerMin);
      lines.note = note;
      idle.name += ", sensor streaming";
      motor.name += ", sensor streaming";
      for (Phase* p : {&idle, &motor, &lines}) condition.phases.push_back(std::move(*p));
    }
    window.Form_Unload();
    Trace(ReadFrames(sim.log), from, port, firstWrite, condition.trace);
  }
  for (pid_t p : spinners) Stop(p, SIGKILL);
  ok = ok && waitpid(sim.pid, nullptr, WNOHANG) == 0;
  std::remove((tmp + "/sim.log").c_str());
  rmdir(tmp.c_str());
  for (const Phase& phase : condition.phases)
    for (const Row& row : phase.rows) ok = ok && !row.ratio.empty();
  return ok;
}

// ---------------------------------------------------------------- the fleet

// One ESC's session without a window, as the command line runs it.
struct IdleLink {
  explicit IdleLink(const std::string& pty, bool drivesMotor = false)
      : port(velmar::PortMap::FromText(QString::fromStdString("1=" + pty))),
        session(
            velmar::LinkServices{
                &port, std::make_unique<velmar::QtOneShotTimer>(velmar::kIdlePollInterval),
                std::make_unique<velmar::QtOneShotTimer>(velmar::kReplyTimeout), [] {}},
            drivesMotor) {}
  velmar::QtSerialPort port;
  velmar::EscSession session;
};

// N simulated ESCs that all differ from the file in three settings, set back after each apply.
std::vector<Phase> Fleet(const std::string& dir, const std::string& tmp, const Config& config) {
  const std::string file = tmp + "/fleet.json";
  std::ofstream(file) << R"({"format": "velmar-esc-settings", "version": 1, "settings": )"
                      << R"({"cutoffVoltage": "5.6V", "brake": "Disable", "timing": "10-20°"}})";
  std::vector<Phase> phases;
  double oneEsc = 0;    // apply's median on one ESC, microseconds
  double oneStart = 0;  // the fleet window's start-up on one ESC
  for (const int n : {1, 4, 8, 16}) {
    Phase& phase = phases.emplace_back(
        "fleet of " + std::to_string(n) + " ESCs",
        std::vector<std::string>{"apply, process start to exit (to N = 1)",
                                 "fleet window, open to every ESC read (to N = 1)",
                                 "idle poll to poll (100 ms), window open"});
    std::list<Sim> sims;
    std::vector<std::string> apply = {dir + "/velmar-esc-config", "apply", file, "--json"};
    for (int i = 0; i < n; ++i) {
      if (!sims.emplace_back().Start(dir, tmp + "/fleet" + std::to_string(i) + ".log",
                                     {"--settings", "3,2,1,1,2"}))
        return phases;
      apply.insert(apply.end(), {"--port", std::to_string(i + 1) + "=" + sims.back().pty});
    }
    std::vector<double> runs;
    double cpu = 0, rss = 0;
    for (int run = 0; run < config.Count(10); ++run) {
      for (Sim& sim : sims) sim.Send("set 0 3\nset 1 2\nset 2 1\n");
      usleep(200'000);
      int out = -1, status = 0;
      rusage use{};
      const Us start = NowUs();
      const pid_t pid = Spawn(apply, {}, nullptr, &out);
      wait4(pid, &status, 0, &use);
      runs.push_back(double(NowUs() - start));
      close(out);
      cpu += Use::Sec(use.ru_utime) + Use::Sec(use.ru_stime);
      rss = std::max(rss, double(use.ru_maxrss) / 1024);
      if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return phases;  // not every ESC ok
    }
    if (n == 1) oneEsc = Quantile(runs, .5);
    for (const double us : runs) phase.rows[0].Add(us, oneEsc);

    // The fleet window as the program opens it, on the same simulators: from its ports'
    // opening to every ESC identified and read, then idle.
    const double baseKb = StatusKb("VmRSS:");
    QString ports;
    for (const Sim& sim : sims)
      ports += QString::fromStdString((ports.isEmpty() ? "" : ",") +
                                      std::to_string(ports.count('=') + 1) + "=" + sim.pty);
    const velmar::PortMap map = velmar::PortMap::FromText(ports);
    std::vector<double> starts;
    Us from = 0;
    for (int run = 0; run < config.Count(5); ++run) {
      velmar::FleetWindow window({velmar::CommandServices::Program(), {}}, map, map.Ports().keys());
      window.show();
      const Us start = NowUs();
      window.Form_Load();
      while (window.Model().Summary().read < n && NowUs() - start < 5'000'000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
      starts.push_back(double(NowUs() - start));
      if (run + 1 < config.Count(5)) continue;
      RunFor(500);  // the reads' last replies: only polls from here on
      from = NowUs();
      const Use quiet;
      RunFor(config.Ms(5000));
      quiet.Into(phase);
      window.close();
    }
    const Us to = NowUs();
    if (n == 1) oneStart = Quantile(starts, .5);
    for (const double us : starts) phase.rows[1].Add(us, oneStart);
    for (const Sim& sim : sims)
      Periods(ReadFrames(sim.log), from, to, nullptr, &phase.rows[2], nullptr);
    char note[240];
    std::snprintf(note, sizeof note,
                  "apply: %.0f ms CPU a run, peak RSS %.1f MB; fleet window idle: %.2f %% CPU, "
                  "%.3f CPU s/min and %.2f MB RSS a link",
                  cpu / double(runs.size()) * 1000, rss, phase.cpuSecPerMin / 60 * 100,
                  phase.cpuSecPerMin / n, (phase.peakRssMb * 1024 - baseKb) / 1024 / n);
    phase.note = note;
  }
  return phases;
}

// A bench run's steps, up and down in turn: from each step's start to its first throttle frame
// on the wire, against one speed-request period (the idle interval and the reply's time on the
// line), the longest a change may wait for the exchange under way and the next request.
Phase BenchSteps(const std::string& dir, const std::string& tmp, const Config& config) {
  Phase phase{"bench run (one ESC, the run engine)",
              {"step start to its first throttle frame (to one speed request)"}};
  Sim sim;
  if (!sim.Start(dir, tmp + "/steps.log", {"--tau", "50"})) return phase;
  IdleLink link(sim.pty, true);
  link.session.Link().SelectPort(1);
  RunFor(1000);
  velmar::BenchScript script;
  script.poles = 14;
  for (int i = 0; i < config.Count(12); ++i)
    script.steps.push_back(
        {i % 2 ? 60 : 120, std::chrono::milliseconds(200), std::chrono::milliseconds(400)});
  std::vector<Us> starts;
  QEventLoop loop;
  velmar::BenchRun run(link.session, script,
                       std::make_unique<velmar::QtOneShotTimer>(std::chrono::milliseconds(0)),
                       [] { return std::chrono::milliseconds(NowUs() / 1000); });
  QObject::connect(&run, &velmar::BenchRun::stepStarted, [&] { starts.push_back(NowUs()); });
  QObject::connect(&run, &velmar::BenchRun::finished, &loop, &QEventLoop::quit);
  const Use use;
  run.Start();
  loop.exec();
  use.Into(phase);
  link.session.Link().Shutdown();
  const std::vector<Frame> frames = ReadFrames(sim.log);
  for (const Us start : starts) {
    const auto first = std::find_if(frames.begin(), frames.end(), [&](const Frame& f) {
      return f.rx >= start && f.Code() == velmar::ReqThrottle;
    });
    if (first != frames.end()) phase.rows[0].Add(double(first->rx - start), kIdleUs + LineUs(4));
  }
  return phase;
}

bool RunFleet(Condition& condition, const std::string& dir, const Config& config) {
  char tmpl[] = "/tmp/velmar-bench-XXXXXX";
  if (!mkdtemp(tmpl)) return false;
  condition.phases = Fleet(dir, tmpl, config);
  condition.phases.push_back(BenchSteps(dir, tmpl, config));
  std::error_code ignored;
  std::filesystem::remove_all(tmpl, ignored);
  bool ok = condition.phases.size() == 5;
  for (const Phase& phase : condition.phases)
    for (const Row& row : phase.rows) ok = ok && !row.ratio.empty();
  return ok;
}

// ---------------------------------------------------------------- output

void PrintTable(const std::vector<Condition>& conditions) {
  for (const Condition& c : conditions) {
    std::printf("\n%s\n%-52s %5s %7s %7s %7s %10s %10s %6s %6s\n", c.name.c_str(), "phase / sample",
                "n", "median", "p99", "max", "median ms", "ideal ms", "cpu", "rss");
    for (const Phase& p : c.phases) {
      std::printf("%s%*s cpu s/min %.2f, peak RSS %.1f MB\n", p.name.c_str(), 0, "", p.cpuSecPerMin,
                  p.peakRssMb);
      if (!p.note.empty()) std::printf("  %s\n", p.note.c_str());
      for (const Row& r : p.rows)
        std::printf("  %-50s %5zu %7.3f %7.3f %7.3f %10.2f %10.2f\n", r.what.c_str(),
                    r.ratio.size(), Quantile(r.ratio, .5), Quantile(r.ratio, .99),
                    Quantile(r.ratio, 1), Quantile(r.ms, .5), Quantile(r.idealMs, .5));
    }
    if (!c.trace.empty()) std::printf("trace, microseconds (n, median / p99 / max):\n");
    for (const auto& [what, late] : c.trace)
      std::printf("  %-56s %6zu %7.0f %7.0f %7.0f\n", what.c_str(), late.size(), Quantile(late, .5),
                  Quantile(late, .99), Quantile(late, 1));
  }
}

void PrintJson(const std::vector<Condition>& conditions) {
  auto num = [](double v) { return std::isfinite(v) ? std::to_string(v) : std::string("null"); };
  std::printf("{\"conditions\": [");
  for (size_t i = 0; i < conditions.size(); ++i) {
    const Condition& c = conditions[i];
    std::printf("%s\n {\"name\": \"%s\", \"phases\": [", i ? "," : "", c.name.c_str());
    for (size_t j = 0; j < c.phases.size(); ++j) {
      const Phase& p = c.phases[j];
      std::printf(
          "%s\n  {\"name\": \"%s\", \"cpu_s_per_min\": %s, \"peak_rss_mb\": %s, \"note\": \"%s\", "
          "\"rows\": [",
          j ? "," : "", p.name.c_str(), num(p.cpuSecPerMin).c_str(), num(p.peakRssMb).c_str(),
          p.note.c_str());
      for (size_t k = 0; k < p.rows.size(); ++k) {
        const Row& r = p.rows[k];
        std::string what;
        for (char ch : r.what) what += ch == '"' ? std::string("\\\"") : std::string(1, ch);
        std::printf(
            "%s\n   {\"what\": \"%s\", \"n\": %zu, \"median\": %s, \"p99\": %s, \"max\": %s, "
            "\"median_ms\": %s, \"ideal_median_ms\": %s}",
            k ? "," : "", what.c_str(), r.ratio.size(), num(Quantile(r.ratio, .5)).c_str(),
            num(Quantile(r.ratio, .99)).c_str(), num(Quantile(r.ratio, 1)).c_str(),
            num(Quantile(r.ms, .5)).c_str(), num(Quantile(r.idealMs, .5)).c_str());
      }
      std::printf("]}");
    }
    std::printf("],\n  \"trace_us\": {");
    size_t k = 0;
    for (const auto& [what, late] : c.trace)
      std::printf("%s\"%s\": {\"n\": %zu, \"median\": %s, \"p99\": %s, \"max\": %s}",
                  k++ ? ", " : "", what.c_str(), late.size(), num(Quantile(late, .5)).c_str(),
                  num(Quantile(late, .99)).c_str(), num(Quantile(late, 1)).c_str());
    std::printf("}}");
  }
  std::printf("\n]}\n");
}

}  // namespace

int main(int argc, char** argv) {
  Config config;
  bool json = false;
  std::string only;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--json")
      json = true;
    else if (arg == "--scale" && i + 1 < argc)
      config.scale = std::atof(argv[++i]);
    else if (arg == "--only" && i + 1 < argc)
      only = argv[++i];
    else {
      std::fprintf(stderr,
                   "usage: velmar-link-bench [--json] [--scale F] [--only quiet|loaded|fleet]\n");
      return 2;
    }
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const std::string dir = OwnDir();
  std::vector<Condition> conditions;
  bool ok = true;
  for (const std::string name : {"quiet", "loaded", "fleet"}) {
    if (!only.empty() && only != name) continue;
    const bool loaded = name == "loaded", fleet = name == "fleet";
    conditions.push_back({loaded  ? "loaded (two spinning processes)"
                          : fleet ? "fleet (quiet machine, one simulator a link)"
                                  : "quiet machine",
                          {},
                          {}});
    if (!(fleet ? RunFleet(conditions.back(), dir, config)
                : Run(conditions.back(), dir, config, loaded))) {
      std::fprintf(stderr,
                   "velmar-link-bench: the %s run is broken (simulator failed or no samples)\n",
                   name.c_str());
      ok = false;
    }
  }
  json ? PrintJson(conditions) : PrintTable(conditions);
  return ok ? 0 : 1;
}
