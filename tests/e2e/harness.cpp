#include "harness.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

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

LogEntry parseLine(const std::string& line) {
  std::istringstream words(line);
  LogEntry entry;
  words >> entry.us >> entry.kind;
  if (entry.kind == "event") std::getline(words >> std::ws, entry.text);
  for (std::string hex; entry.kind != "event" && words >> hex;)
    entry.bytes.push_back(std::uint8_t(std::stoul(hex, nullptr, 16)));
  return entry;
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

Child::Child(std::vector<std::string> argv, const std::string& output, bool pipeStdin) {
  int in[2] = {-1, -1};
  if (pipeStdin && pipe2(in, O_CLOEXEC) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (pipeStdin) posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                   O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  std::vector<char*> args;
  for (auto& arg : argv) args.push_back(arg.data());
  args.push_back(nullptr);
  if (posix_spawn(&m_pid, args[0], &actions, nullptr, args.data(), environ) != 0) m_pid = -1;
  posix_spawn_file_actions_destroy(&actions);
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
    : m_link(dir.file("esc")),
      m_log(dir.file("sim.log")),
      m_child(
          [&] {
            std::vector<std::string> argv = {VELMAR_SIM_BIN, "--link", m_link, "--log", m_log};
            argv.insert(argv.end(), args.begin(), args.end());
            return argv;
          }(),
          dir.file("sim.out"), true) {
  // The link appears once the device is open, and the log before it.
  m_ready = waitUntil([&] { return std::filesystem::exists(m_link); }, kExitTimeout);
}

Log SimProcess::log() const {
  std::ifstream in(m_log);
  Log log;
  // A line still being written has no newline yet; the next read takes it.
  for (std::string line; std::getline(in, line) && !in.eof();) log.push_back(parseLine(line));
  return log;
}

bool SimProcess::waitFor(const std::function<bool(const Log&)>& holds, milliseconds timeout) const {
  return waitUntil([&] { return holds(log()); }, timeout);
}

std::optional<std::int64_t> SimProcess::command(const std::string& line) {
  // Events before this moment are an earlier command's; the log's clock is ours.
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const std::int64_t sent = std::int64_t{now.tv_sec} * 1'000'000 + now.tv_nsec / 1000;
  std::optional<std::int64_t> at;
  if (!m_child.writeStdin(line + "\n")) return at;
  waitFor([&](const Log& log) {
    for (const auto& e : log)
      if (e.kind == "event" && e.text == line && e.us >= sent) at = e.us;
    return at.has_value();
  });
  return at;
}

AppProcess::AppProcess(const TempDir& dir, const std::string& portPath)
    : Child(appArgv(portPath), dir.file("app.out")) {}

}  // namespace velmar::e2e
