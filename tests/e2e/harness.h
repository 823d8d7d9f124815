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

// One line of the simulator's log; times are CLOCK_MONOTONIC microseconds.
struct LogEntry {
  std::int64_t us = 0;
  std::string kind;  // "rx", "tx" or "event"
  Bytes bytes;       // rx and tx
  std::string text;  // event: everything after "event "
};

// A request as the ESC saw it, with the reply it sent before the next request came.
struct Exchange {
  LogEntry request;
  std::optional<LogEntry> reply;
};
std::vector<Exchange> exchangesSince(const std::vector<LogEntry>& entries, std::int64_t since);

class TempDir {
 public:
  TempDir();
  ~TempDir();
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// A child process with its output in a file. It is asked to end with SIGTERM at destruction;
// SIGKILL comes only if it has not ended within a few seconds.
class Child {
 public:
  Child(std::vector<std::string> argv, const std::string& output_file, bool pipe_stdin = false);
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  pid_t pid() const { return pid_; }
  void signal(int signal_number) const;
  // The wait status once the child has ended, or nothing if it runs past the timeout.
  std::optional<int> waitExit(milliseconds timeout);
  bool writeStdin(const std::string& text) const;

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
  int stdin_fd_ = -1;
};

// The simulated ESC, its device linked at a fixed path in `dir`, logging there.
class SimProcess {
 public:
  SimProcess(const TempDir& dir, const std::vector<std::string>& extra_args);

  bool ready() const { return ready_; }
  const std::string& linkPath() const { return link_path_; }
  std::vector<LogEntry> log() const;
  // Waits until `holds` is true of the log; false if it is not within the timeout.
  bool waitFor(const std::function<bool(const std::vector<LogEntry>&)>& holds,
               milliseconds timeout = milliseconds(5000)) const;
  // Sends a control command and returns the time of the event it logs under the same words.
  std::optional<std::int64_t> command(const std::string& line);
  // Once its mark is logged, so is everything the simulator had read before.
  std::optional<std::int64_t> mark() { return command("mark " + std::to_string(++marks_)); }

 private:
  std::string link_path_;
  std::string log_path_;
  Child child_;
  bool ready_ = false;
  int marks_ = 0;
};

// The program under test, without a display, with the simulator's link as port 1.
class AppProcess : public Child {
 public:
  AppProcess(const TempDir& dir, const std::string& port_path);
};

}  // namespace velmar::e2e
