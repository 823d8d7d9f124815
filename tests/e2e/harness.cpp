#include "harness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

extern char** environ;

namespace velmar::e2e {
namespace {

// How often a wait looks again; it bounds how late a wait notices, never how long it lasts.
constexpr milliseconds kPollInterval(5);

std::vector<char*> cStrings(std::vector<std::string>& strings) {
  std::vector<char*> out;
  for (auto& s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

// Our environment with `overrides` (NAME=value) put in.
std::vector<std::string> childEnvironment(const std::vector<std::string>& overrides) {
  std::map<std::string, std::string> vars;
  auto add = [&](const std::string& entry) {
    const auto equals = entry.find('=');
    if (equals != std::string::npos) vars[entry.substr(0, equals)] = entry;
  };
  for (char** e = environ; *e != nullptr; ++e) add(*e);
  for (const auto& entry : overrides) add(entry);
  std::vector<std::string> out;
  for (auto& [name, entry] : vars) out.push_back(entry);
  return out;
}

bool parseHex(const std::string& word, std::uint8_t& byte) {
  if (word.size() != 2) return false;
  char* end = nullptr;
  const long value = std::strtol(word.c_str(), &end, 16);
  if (end != word.c_str() + 2) return false;
  byte = static_cast<std::uint8_t>(value);
  return true;
}

std::optional<LogEntry> parseLine(const std::string& line) {
  std::istringstream words(line);
  LogEntry entry;
  if (!(words >> entry.us >> entry.kind)) return std::nullopt;
  if (entry.kind == "event") {
    std::getline(words >> std::ws, entry.text);
    return entry;
  }
  std::string word;
  while (words >> word) {
    std::uint8_t byte = 0;
    if (!parseHex(word, byte)) return std::nullopt;
    entry.bytes.push_back(byte);
  }
  return entry;
}

}  // namespace

std::int64_t monotonicMicros() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return std::int64_t{ts.tv_sec} * 1'000'000 + ts.tv_nsec / 1000;
}

std::vector<LogEntry> parseLog(const std::string& text) {
  std::vector<LogEntry> entries;
  std::size_t start = 0;
  for (auto end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
    if (auto entry = parseLine(text.substr(start, end - start))) entries.push_back(*entry);
    start = end + 1;
  }
  return entries;
}

std::vector<Exchange> exchangesSince(const std::vector<LogEntry>& entries, std::int64_t since) {
  std::vector<Exchange> out;
  for (const auto& e : entries) {
    if (e.us < since) continue;
    if (e.kind == "rx") out.push_back({e, std::nullopt});
    if (e.kind == "tx" && !out.empty() && !out.back().reply) out.back().reply = e;
  }
  return out;
}

std::string toHex(const Bytes& bytes) {
  std::string out;
  char hex[4];
  for (const auto byte : bytes) {
    std::snprintf(hex, sizeof hex, "%s%02X", out.empty() ? "" : " ", unsigned{byte});
    out += hex;
  }
  return out;
}

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/velmar-e2e-XXXXXX";
  if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

Child::Child(const Setup& setup) {
  int in[2] = {-1, -1};
  int out[2] = {-1, -1};
  if (setup.pipe_stdin && pipe2(in, O_CLOEXEC) != 0) return;
  if (setup.pipe_stdout && pipe2(out, O_CLOEXEC) != 0) return;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (setup.pipe_stdin) {
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  }
  if (!setup.output_file.empty()) {
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, setup.output_file.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (!setup.pipe_stdout)
      posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
  }
  if (setup.pipe_stdout) posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);

  auto argv_strings = setup.argv;
  auto env_strings = childEnvironment(setup.env);
  auto argv = cStrings(argv_strings);
  auto envp = cStrings(env_strings);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t blocked;
  sigemptyset(&blocked);
  for (int s : setup.blocked_signals) sigaddset(&blocked, s);
  posix_spawnattr_setsigmask(&attributes, &blocked);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
  if (posix_spawn(&pid_, argv[0], &actions, &attributes, argv.data(), envp.data()) != 0) pid_ = -1;
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);

  if (setup.pipe_stdin) {
    close(in[0]);
    stdin_fd_ = in[1];
  }
  if (setup.pipe_stdout) {
    close(out[1]);
    stdout_fd_ = out[0];
  }
}

Child::~Child() {
  if (running()) {
    kill(pid_, SIGKILL);
    waitExit(milliseconds(5000));
  }
  if (stdin_fd_ >= 0) close(stdin_fd_);
  if (stdout_fd_ >= 0) close(stdout_fd_);
}

void Child::signal(int signal_number) const {
  if (pid_ > 0) kill(pid_, signal_number);
}

std::optional<int> Child::waitExit(milliseconds timeout) {
  if (status_ || pid_ <= 0) return status_;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      status_ = status;
      return status_;
    }
    if (done < 0 && errno != EINTR) return std::nullopt;
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(kPollInterval);
  }
}

bool Child::running() {
  return pid_ > 0 && !waitExit(milliseconds(0));
}

std::optional<std::string> Child::readLine(milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const auto newline = stdout_buffer_.find('\n');
    if (newline != std::string::npos) {
      std::string line = stdout_buffer_.substr(0, newline);
      stdout_buffer_.erase(0, newline + 1);
      return line;
    }
    const auto left =
        std::chrono::duration_cast<milliseconds>(deadline - std::chrono::steady_clock::now());
    if (stdout_fd_ < 0 || left.count() <= 0) return std::nullopt;
    pollfd fd{stdout_fd_, POLLIN, 0};
    if (poll(&fd, 1, static_cast<int>(left.count())) <= 0) continue;
    char buffer[256];
    const ssize_t n = read(stdout_fd_, buffer, sizeof buffer);
    if (n <= 0) return std::nullopt;
    stdout_buffer_.append(buffer, static_cast<std::size_t>(n));
  }
}

bool Child::writeStdin(const std::string& text) {
  if (stdin_fd_ < 0) return false;
  return write(stdin_fd_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

SimProcess::SimProcess(const TempDir& dir, const std::vector<std::string>& extra_args)
    : child_([&] {
        Child::Setup setup;
        setup.argv = {VELMAR_SIM_BIN, "--link", dir.file("esc"), "--log", dir.file("sim.log")};
        setup.argv.insert(setup.argv.end(), extra_args.begin(), extra_args.end());
        setup.pipe_stdin = true;
        setup.pipe_stdout = true;
        setup.output_file = dir.file("sim.err");
        return setup;
      }()),
      link_path_(dir.file("esc")),
      log_path_(dir.file("sim.log")) {
  // The first line is the device; the link and the log exist by then.
  if (auto line = child_.readLine(milliseconds(5000))) device_path_ = *line;
}

SimProcess::~SimProcess() {
  exitCleanly(milliseconds(2000));
}

bool SimProcess::exitCleanly(milliseconds timeout) {
  if (!child_.running()) return child_.waitExit(milliseconds(0)).has_value();
  child_.writeStdin("quit\n");
  const auto status = child_.waitExit(timeout);
  return status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
}

std::string SimProcess::logText() const {
  std::ifstream in(log_path_);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool SimProcess::waitFor(const std::function<bool(const std::vector<LogEntry>&)>& holds,
                         milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (holds(log())) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kPollInterval);
  }
}

std::optional<std::int64_t> SimProcess::command(const std::string& line, const std::string& event,
                                                milliseconds timeout) {
  // Count what is there already, so a second mute waits for its own event.
  auto count = [&](const std::vector<LogEntry>& entries) {
    return std::count_if(entries.begin(), entries.end(),
                         [&](const LogEntry& e) { return e.kind == "event" && e.text == event; });
  };
  const auto before = count(log());
  if (!child_.writeStdin(line + "\n")) return std::nullopt;
  std::optional<std::int64_t> at;
  waitFor(
      [&](const std::vector<LogEntry>& entries) {
        if (count(entries) <= before) return false;
        for (auto e = entries.rbegin(); e != entries.rend(); ++e) {
          if (e->kind == "event" && e->text == event) {
            at = e->us;
            break;
          }
        }
        return true;
      },
      timeout);
  return at;
}

std::optional<std::int64_t> SimProcess::mark(milliseconds timeout) {
  const std::string name = "barrier-" + std::to_string(++marks_);
  return command("mark " + name, "mark " + name, timeout);
}

AppProcess::AppProcess(const TempDir& dir, const std::string& port_path, bool hold_signals)
    : output_path_(dir.file("app.out")), child_([&] {
        Child::Setup setup;
        setup.argv = {VELMAR_APP_BIN};
        setup.env = {"QT_QPA_PLATFORM=offscreen", "VELMAR_ESC_PORTS=1=" + port_path};
        setup.output_file = output_path_;
        if (hold_signals) setup.blocked_signals = {SIGINT, SIGTERM};
        return setup;
      }()) {}

std::string AppProcess::output() const {
  std::ifstream in(output_path_);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace velmar::e2e
