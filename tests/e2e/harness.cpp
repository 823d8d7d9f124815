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
constexpr milliseconds kPollInterval(5);
constexpr milliseconds kExitTimeout(5000);

std::int64_t nowMicros() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return std::int64_t{ts.tv_sec} * 1'000'000 + ts.tv_nsec / 1000;
}

bool waitUntil(const std::function<bool()>& holds, milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!holds()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kPollInterval);
  }
  return true;
}

std::optional<LogEntry> parseLine(const std::string& line) {
  std::istringstream words(line);
  LogEntry entry;
  if (!(words >> entry.us >> entry.kind)) return std::nullopt;
  if (entry.kind == "event") std::getline(words >> std::ws, entry.text);
  for (std::string hex; entry.kind != "event" && words >> hex;)
    entry.bytes.push_back(static_cast<std::uint8_t>(std::stoul(hex, nullptr, 16)));
  return entry;
}

}  // namespace

std::vector<Exchange> exchangesSince(const std::vector<LogEntry>& entries, std::int64_t since) {
  std::vector<Exchange> out;
  for (const auto& e : entries) {
    if (e.us < since) continue;
    if (e.kind == "rx") out.push_back({e, std::nullopt});
    if (e.kind == "tx" && !out.empty() && !out.back().reply) out.back().reply = e;
  }
  return out;
}

TempDir::TempDir() {
  std::string pattern = std::filesystem::temp_directory_path() / "velmar-e2e-XXXXXX";
  if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

Child::Child(std::vector<std::string> argv, const std::string& output_file, bool pipe_stdin) {
  int in[2] = {-1, -1};
  if (pipe_stdin && pipe2(in, O_CLOEXEC) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (pipe_stdin) posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output_file.c_str(),
                                   O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  std::vector<char*> args;
  for (auto& arg : argv) args.push_back(arg.data());
  args.push_back(nullptr);
  if (posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ) != 0) pid_ = -1;
  posix_spawn_file_actions_destroy(&actions);
  if (!pipe_stdin) return;
  close(in[0]);
  stdin_fd_ = in[1];
}

Child::~Child() {
  // A killed program leaves its port's lock file behind.
  signal(SIGTERM);
  if (!waitExit(kExitTimeout)) {
    signal(SIGKILL);
    waitExit(kExitTimeout);
  }
  if (stdin_fd_ >= 0) close(stdin_fd_);
}

void Child::signal(int signal_number) const {
  if (pid_ > 0 && !status_) kill(pid_, signal_number);
}

std::optional<int> Child::waitExit(milliseconds timeout) {
  waitUntil(
      [&] {
        int status = 0;
        if (pid_ <= 0 || status_ || waitpid(pid_, &status, WNOHANG) != pid_)
          return pid_ <= 0 || status_;
        status_ = status;
        return true;
      },
      timeout);
  return status_;
}

bool Child::writeStdin(const std::string& text) const {
  return write(stdin_fd_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

SimProcess::SimProcess(const TempDir& dir, const std::vector<std::string>& extra_args)
    : link_path_(dir.file("esc")),
      log_path_(dir.file("sim.log")),
      child_(
          [&] {
            std::vector<std::string> argv = {VELMAR_SIM_BIN, "--link", link_path_, "--log",
                                             log_path_};
            argv.insert(argv.end(), extra_args.begin(), extra_args.end());
            return argv;
          }(),
          dir.file("sim.out"), true) {
  // The link appears once the device is open; the log is there before it.
  ready_ = waitUntil([&] { return std::filesystem::exists(link_path_); }, kExitTimeout);
}

std::vector<LogEntry> SimProcess::log() const {
  std::ifstream in(log_path_);
  std::vector<LogEntry> entries;
  // A line still being written has no newline yet and waits for the next read.
  for (std::string line; std::getline(in, line) && !in.eof();)
    if (auto entry = parseLine(line)) entries.push_back(*entry);
  return entries;
}

bool SimProcess::waitFor(const std::function<bool(const std::vector<LogEntry>&)>& holds,
                         milliseconds timeout) const {
  return waitUntil([&] { return holds(log()); }, timeout);
}

std::optional<std::int64_t> SimProcess::command(const std::string& line) {
  const std::int64_t sent = nowMicros();
  if (!child_.writeStdin(line + "\n")) return std::nullopt;
  std::optional<std::int64_t> at;
  waitFor([&](const std::vector<LogEntry>& entries) {
    for (const auto& e : entries)
      if (e.kind == "event" && e.text == line && e.us >= sent) at = e.us;
    return at.has_value();
  });
  return at;
}

namespace {
// The program reads its port map from the environment it starts with.
std::vector<std::string> appArgv(const std::string& port_path) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv("VELMAR_ESC_PORTS", ("1=" + port_path).c_str(), 1);
  return {VELMAR_APP_BIN};
}
}  // namespace

AppProcess::AppProcess(const TempDir& dir, const std::string& port_path)
    : Child(appArgv(port_path), dir.file("app.out")) {}

}  // namespace velmar::e2e
