// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The simulated ESC and the program as real processes, and the simulator's log read back.
#include <signal.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace velmar::e2e {

using Bytes = std::vector<std::uint8_t>;
using std::chrono::milliseconds;

// One line of the simulator's log, in the order the simulator saw them.
struct LogEntry {
  std::string kind;  // "rx", "tx" or "event"
  Bytes bytes;       // rx and tx
  std::string text;  // event: everything after "event "
};
using Log = std::vector<LogEntry>;

// The requests the ESC saw, one a frame.
inline std::vector<Bytes> Requests(const Log& log) {
  std::vector<Bytes> out;
  for (const LogEntry& e : log)
    if (e.kind == "rx") out.push_back(e.bytes);
  return out;
}

struct TempDir : QTemporaryDir {
  std::string File(const std::string& name) const {
    return filePath(QString::fromStdString(name)).toStdString();
  }
};

// A child process writing to a file and reading a pipe. It starts with SIGINT and SIGTERM held,
// so that a signal sent at once waits until the child takes them over. Destruction asks it to
// end with SIGTERM, and kills it only if it has not ended a few seconds later: a killed program
// leaves the lock file of its port behind.
class Child {
 public:
  Child(std::vector<std::string> argv, const std::string& output) {
    QStringList args;
    for (const std::string& arg : argv) args << QString::fromStdString(arg);
    const QString program = args.takeFirst();
    m_process.setStandardOutputFile(QString::fromStdString(output), QIODevice::Append);
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setChildProcessModifier([] {
      sigset_t held;
      sigemptyset(&held);
      sigaddset(&held, SIGINT);
      sigaddset(&held, SIGTERM);
      sigprocmask(SIG_BLOCK, &held, nullptr);
    });
    m_process.start(program, args);
    m_started = m_process.waitForStarted();
  }
  ~Child() {
    if (!EndsCleanly()) m_process.kill(), m_process.waitForFinished(5000);
  }

  void Signal(int number) const {
    if (m_process.state() == QProcess::Running) kill(pid_t(m_process.processId()), number);
  }
  // The exit status once the child has ended by itself within the timeout.
  std::optional<int> Exit(milliseconds timeout) {
    if (m_process.state() != QProcess::NotRunning) m_process.waitForFinished(int(timeout.count()));
    if (!m_started || m_process.state() != QProcess::NotRunning ||
        m_process.exitStatus() != QProcess::NormalExit)
      return std::nullopt;
    return m_process.exitCode();
  }
  // SIGTERM, then whether the child exited with status 0 within the timeout.
  bool EndsCleanly(milliseconds timeout = milliseconds(5000)) {
    Signal(SIGTERM);
    return Exit(timeout) == 0;
  }

 protected:
  QProcess m_process;
  bool m_started = false;
};

// The simulated ESC, its device linked at a fixed path in `dir`, logging there.
class SimProcess : public Child {
 public:
  SimProcess(const TempDir& dir, std::vector<std::string> args)
      : Child(Argv(dir, std::move(args)), dir.File("sim.out")), m_dir(dir.path().toStdString()) {
    // The link appears once the device is open, and the log before it.
    m_ready = QTest::qWaitFor([&] { return std::filesystem::exists(LinkPath()); }, 5000);
  }

  bool Ready() const { return m_ready; }
  std::string LinkPath() const { return m_dir + "/esc"; }
  Log ReadLog() const {
    std::ifstream in(m_dir + "/sim.log");
    Log log;
    // A line still being written has no newline yet; the next read takes it.
    for (std::string line, us; std::getline(in, line) && !in.eof();) {
      std::istringstream words(line);
      LogEntry& e = log.emplace_back();
      words >> us >> e.kind;
      if (e.kind == "event") std::getline(words >> std::ws, e.text);
      for (std::string hex; e.kind != "event" && words >> hex;)
        e.bytes.push_back(std::uint8_t(std::stoul(hex, nullptr, 16)));
    }
    return log;
  }
  bool WaitFor(const std::function<bool(const Log&)>& holds,
               milliseconds timeout = milliseconds(5000)) const {
    return QTest::qWaitFor([&] { return holds(ReadLog()); }, int(timeout.count()));
  }
  // Sends a control command; true once the simulator has logged it, after everything it had
  // read before it.
  bool Command(const std::string& line) {
    const std::size_t before = ReadLog().size();  // earlier events are an earlier command's
    m_process.write((line + "\n").c_str());
    return m_process.waitForBytesWritten() && WaitFor([&](const Log& log) {
             for (std::size_t i = before; i < log.size(); ++i)
               if (log[i].kind == "event" && log[i].text == line) return true;
             return false;
           });
  }
  bool Mark() { return Command("mark " + std::to_string(++m_marks)); }

 private:
  static std::vector<std::string> Argv(const TempDir& dir, std::vector<std::string> args) {
    // No failsafe: a motor the program leaves running keeps running, and shows.
    args.insert(args.begin(), {VELMAR_SIM_BIN, "--link", dir.File("esc"), "--log",
                               dir.File("sim.log"), "--failsafe", "0"});
    return args;
  }

  std::string m_dir;
  bool m_ready = false;
  int m_marks = 0;
};

}  // namespace velmar::e2e
