// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The simulated ESC and the program as real processes, and the simulator's log read back.
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace velmar::e2e {

using Bytes = std::vector<std::uint8_t>;
using std::chrono::milliseconds;

// Looks again every 5 ms: that bounds how late a wait notices, never how long it lasts.
inline bool WaitUntil(const std::function<bool()>& holds, milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (; !holds(); std::this_thread::sleep_for(milliseconds(5)))
    if (std::chrono::steady_clock::now() >= deadline) return false;
  return true;
}

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

struct TempDir {
  TempDir() : path(std::filesystem::temp_directory_path() / "velmar-e2e-XXXXXX") {
    if (!mkdtemp(path.data())) path.clear();
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove_all(path, ignored);
  }
  std::string File(const std::string& name) const { return path + "/" + name; }
  std::string path;
};

// A child process writing to a file and reading a pipe. It starts with SIGINT and SIGTERM held,
// so that a signal sent at once waits until the child takes them over. Destruction asks it to
// end with SIGTERM, and kills it only if it has not ended a few seconds later: a killed program
// leaves the lock file of its port behind.
class Child {
 public:
  Child(std::vector<std::string> argv, const std::string& output) {
    int in[2] = {-1, -1};
    if (pipe2(in, O_CLOEXEC) != 0) return;
    std::vector<char*> args;
    for (auto& arg : argv) args.push_back(arg.data());
    args.push_back(nullptr);
    sigset_t held, previous;
    sigemptyset(&held);
    sigaddset(&held, SIGINT);
    sigaddset(&held, SIGTERM);
    sigprocmask(SIG_BLOCK, &held, &previous);
    m_pid = fork();
    if (m_pid == 0) {
      const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
      dup2(out, STDOUT_FILENO);
      dup2(out, STDERR_FILENO);
      dup2(in[0], STDIN_FILENO);
      execv(args[0], args.data());
      _exit(127);
    }
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    close(in[0]);
    m_stdin = in[1];
  }
  ~Child() {
    if (!EndsCleanly()) Signal(SIGKILL), Exit(milliseconds(5000));
    close(m_stdin);
  }
  Child(const Child&) = delete;

  void Signal(int number) const {
    if (m_pid > 0 && !m_status) kill(m_pid, number);
  }
  // The exit status once the child has ended by itself within the timeout.
  std::optional<int> Exit(milliseconds timeout) {
    WaitUntil(
        [&] {
          int status = 0;
          if (m_pid > 0 && !m_status && waitpid(m_pid, &status, WNOHANG) == m_pid)
            m_status = status;
          return m_pid <= 0 || m_status;
        },
        timeout);
    if (!m_status || !WIFEXITED(*m_status)) return std::nullopt;
    return WEXITSTATUS(*m_status);
  }
  // SIGTERM, then whether the child exited with status 0 within the timeout.
  bool EndsCleanly(milliseconds timeout = milliseconds(5000)) {
    Signal(SIGTERM);
    return Exit(timeout) == 0;
  }

 protected:
  int m_stdin = -1;

 private:
  pid_t m_pid = -1;
  std::optional<int> m_status;
};

// The simulated ESC, its device linked at a fixed path in `dir`, logging there.
class SimProcess : public Child {
 public:
  SimProcess(const TempDir& dir, std::vector<std::string> args)
      : Child(Argv(dir, std::move(args)), dir.File("sim.out")), m_dir(dir.path) {
    // The link appears once the device is open, and the log before it.
    m_ready = WaitUntil([&] { return std::filesystem::exists(LinkPath()); }, milliseconds(5000));
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
    return WaitUntil([&] { return holds(ReadLog()); }, timeout);
  }
  // Sends a control command; true once the simulator has logged it, after everything it had
  // read before it.
  bool Command(const std::string& line) {
    const std::size_t before = ReadLog().size();  // earlier events are an earlier command's
    const std::string text = line + "\n";
    return write(m_stdin, text.data(), text.size()) == ssize_t(text.size()) &&
           WaitFor([&](const Log& log) {
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
