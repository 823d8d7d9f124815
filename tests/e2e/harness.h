#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velmar::e2e {

using Bytes = std::vector<std::uint8_t>;
using std::chrono::milliseconds;

// CLOCK_MONOTONIC in microseconds, the simulator log's time base.
std::int64_t monotonicMicros();

// One line of the simulator's log.
struct LogEntry {
  std::int64_t us = 0;
  std::string kind;  // "rx", "tx" or "event"
  Bytes bytes;       // rx and tx
  std::string text;  // event: everything after "event "
};

// Parses the complete lines of a log; a half-written last line is left for the next read.
std::vector<LogEntry> parseLog(const std::string& text);
std::string toHex(const Bytes& bytes);

// A request as the ESC saw it, with the reply it sent before the next request came.
struct Exchange {
  LogEntry request;
  std::optional<LogEntry> reply;
};

// The exchanges of a log from time `since` on.
std::vector<Exchange> exchangesSince(const std::vector<LogEntry>& entries, std::int64_t since);

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// A child process, killed at destruction if it is still running.
class Child {
 public:
  struct Setup {
    std::vector<std::string> argv;
    std::vector<std::string> env;  // NAME=value, added to (or replacing) our own environment
    bool pipe_stdin = false;
    bool pipe_stdout = false;
    std::string output_file;           // stdout (unless piped) and stderr go here; empty: inherited
    std::vector<int> blocked_signals;  // blocked in the child from its first instruction
  };

  explicit Child(const Setup& setup);
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  pid_t pid() const { return pid_; }
  bool started() const { return pid_ > 0; }
  void signal(int signal_number) const;
  // Waits until the child exits or the timeout passes; returns its wait status if it exited.
  std::optional<int> waitExit(milliseconds timeout);
  bool running();
  // Reads standard output up to the first newline, within the timeout.
  std::optional<std::string> readLine(milliseconds timeout);
  bool writeStdin(const std::string& text);

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
  int stdin_fd_ = -1;
  int stdout_fd_ = -1;
  std::string stdout_buffer_;
};

// The simulated ESC, on a symlink in a temporary directory, logging to a file there.
class SimProcess {
 public:
  SimProcess(const TempDir& dir, const std::vector<std::string>& extra_args);
  ~SimProcess();

  bool ready() const { return !device_path_.empty(); }
  const std::string& linkPath() const { return link_path_; }
  const std::string& logPath() const { return log_path_; }
  std::string logText() const;
  std::vector<LogEntry> log() const { return parseLog(logText()); }

  // Sends a control command and waits for its event to show in the log; returns the event's
  // time, or nothing if it did not show within the timeout.
  std::optional<std::int64_t> command(const std::string& line, const std::string& event,
                                      milliseconds timeout = milliseconds(3000));
  // A barrier: once its mark is logged, everything the simulator had read before is logged too.
  std::optional<std::int64_t> mark(milliseconds timeout = milliseconds(3000));

  // Reads the log until `holds` is true of it or the timeout passes; returns whether it held.
  bool waitFor(const std::function<bool(const std::vector<LogEntry>&)>& holds,
               milliseconds timeout);
  bool exitCleanly(milliseconds timeout);

 private:
  Child child_;
  std::string link_path_;
  std::string log_path_;
  std::string device_path_;
  int marks_ = 0;
};

// The program under test, on port 1 = the simulator's link, with no display.
class AppProcess {
 public:
  // With `hold_signals`, SIGINT and SIGTERM sent early wait until the program unblocks them.
  AppProcess(const TempDir& dir, const std::string& port_path, bool hold_signals = false);

  Child& child() { return child_; }
  std::string output() const;

 private:
  std::string output_path_;
  Child child_;
};

}  // namespace velmar::e2e
