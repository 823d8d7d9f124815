#include "harness.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace velmar::e2e {
namespace {

// How often a wait looks again; it bounds how late a wait notices, never how long it lasts.
constexpr milliseconds kLookInterval(5);
constexpr milliseconds kExitTimeout(5000);

bool waitUntil(const std::function<bool()>& holds, milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (; !holds(); std::this_thread::sleep_for(kLookInterval))
    if (std::chrono::steady_clock::now() >= deadline) return false;
  return true;
}

std::vector<std::string> simArgv(const TempDir& dir, const std::vector<std::string>& args) {
  std::vector<std::string> argv = {VELMAR_SIM_BIN, "--link", dir.file("esc"), "--log",
                                   dir.file("sim.log")};
  argv.insert(argv.end(), args.begin(), args.end());
  return argv;
}

// The program takes its port map from the environment it starts with.
std::vector<std::string> appArgv(const std::string& portPath) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv("VELMAR_ESC_PORTS", ("1=" + portPath).c_str(), 1);
  return {VELMAR_APP_BIN};
}

}  // namespace

std::vector<Exchange> exchangesSince(const Log& log, std::int64_t since) {
  std::vector<Exchange> out;
  for (const auto& e : log) {
    if (e.us < since) continue;
    if (e.kind == "rx") out.push_back({e, std::nullopt});
    if (e.kind == "tx" && !out.empty() && !out.back().reply) out.back().reply = e;
  }
  return out;
}

TempDir::TempDir() : path(std::filesystem::temp_directory_path() / "velmar-e2e-XXXXXX") {
  if (!mkdtemp(path.data())) path.clear();
}

TempDir::~TempDir() {
  std::error_code ignored;
  if (!path.empty()) std::filesystem::remove_all(path, ignored);
}

Child::Child(std::vector<std::string> argv, const std::string& output, bool pipeStdin,
             bool holdSignals) {
  int in[2] = {-1, -1};
  if (pipeStdin && pipe2(in, O_CLOEXEC) != 0) return;
  std::vector<char*> args;
  for (auto& arg : argv) args.push_back(arg.data());
  args.push_back(nullptr);
  // Blocked before the fork, so that a signal sent at once cannot beat the child to it.
  sigset_t held, previous;
  sigemptyset(&held);
  if (holdSignals) {
    sigaddset(&held, SIGINT);
    sigaddset(&held, SIGTERM);
  }
  sigprocmask(SIG_BLOCK, &held, &previous);
  m_pid = fork();
  if (m_pid == 0) {
    const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    dup2(out, STDOUT_FILENO);
    dup2(out, STDERR_FILENO);
    if (pipeStdin) dup2(in[0], STDIN_FILENO);
    execv(args[0], args.data());
    _exit(127);
  }
  sigprocmask(SIG_SETMASK, &previous, nullptr);
  if (pipeStdin) close(in[0]);
  m_stdin = in[1];
}

Child::~Child() {
  // A killed program leaves the lock file of its port behind.
  signal(SIGTERM);
  if (!waitExit(kExitTimeout)) signal(SIGKILL);
  waitExit(kExitTimeout);
  if (m_stdin >= 0) close(m_stdin);
}

void Child::signal(int number) const {
  if (m_pid > 0 && !m_status) kill(m_pid, number);
}

std::optional<int> Child::waitExit(milliseconds timeout) {
  waitUntil(
      [&] {
        int status = 0;
        if (m_pid > 0 && !m_status && waitpid(m_pid, &status, WNOHANG) == m_pid) m_status = status;
        return m_pid <= 0 || m_status;
      },
      timeout);
  return m_status;
}

bool Child::writeStdin(const std::string& text) const {
  return write(m_stdin, text.data(), text.size()) == ssize_t(text.size());
}

SimProcess::SimProcess(const TempDir& dir, const std::vector<std::string>& args)
    : Child(simArgv(dir, args), dir.file("sim.out"), true),
      m_link(dir.file("esc")),
      m_log(dir.file("sim.log")) {
  // The link appears once the device is open, and the log before it.
  m_ready = waitUntil([&] { return std::filesystem::exists(m_link); }, kExitTimeout);
}

Log SimProcess::log() const {
  std::ifstream in(m_log);
  Log log;
  // A line still being written has no newline yet; the next read takes it.
  for (std::string line; std::getline(in, line) && !in.eof();) {
    std::istringstream words(line);
    LogEntry& e = log.emplace_back();
    words >> e.us >> e.kind;
    if (e.kind == "event") std::getline(words >> std::ws, e.text);
    for (std::string hex; e.kind != "event" && words >> hex;)
      e.bytes.push_back(std::uint8_t(std::stoul(hex, nullptr, 16)));
  }
  return log;
}

bool SimProcess::waitFor(const std::function<bool(const Log&)>& holds, milliseconds timeout) const {
  return waitUntil([&] { return holds(log()); }, timeout);
}

std::optional<std::int64_t> SimProcess::command(const std::string& line) {
  const std::size_t before = log().size();  // earlier events are an earlier command's
  std::optional<std::int64_t> at;
  if (!writeStdin(line + "\n")) return at;
  waitFor([&](const Log& log) {
    for (std::size_t i = before; i < log.size(); ++i)
      if (log[i].kind == "event" && log[i].text == line) at = log[i].us;
    return at.has_value();
  });
  return at;
}

AppProcess::AppProcess(const TempDir& dir, const std::string& portPath, bool holdSignals)
    : Child(appArgv(portPath), dir.file("app.out"), false, holdSignals) {}

}  // namespace velmar::e2e
