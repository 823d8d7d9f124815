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
using Log = std::vector<LogEntry>;

// A request as the ESC saw it, with the reply it sent before the next request came.
struct Exchange {
  LogEntry request;
  std::optional<LogEntry> reply;
};
std::vector<Exchange> exchangesSince(const Log& log, std::int64_t since);

struct TempDir {
  TempDir();
  ~TempDir();
  std::string file(const std::string& name) const { return path + "/" + name; }
  std::string path;
};

// A child process writing to a file. Destruction asks it to end with SIGTERM, and kills it
// only if it has not ended a few seconds later.
class Child {
 public:
  // With `holdSignals`, SIGINT and SIGTERM sent early wait until the child unblocks them.
  Child(std::vector<std::string> argv, const std::string& output, bool pipeStdin = false,
        bool holdSignals = false);
  ~Child();
  Child(const Child&) = delete;

  void signal(int number) const;
  // The wait status once the child has ended; nothing if it still runs after the timeout.
  std::optional<int> waitExit(milliseconds timeout);
  bool writeStdin(const std::string& text) const;

 private:
  pid_t m_pid = -1;
  std::optional<int> m_status;
  int m_stdin = -1;
};

// The simulated ESC, its device linked at a fixed path in `dir`, logging there.
class SimProcess : public Child {
 public:
  SimProcess(const TempDir& dir, const std::vector<std::string>& args);

  bool ready() const { return m_ready; }
  const std::string& linkPath() const { return m_link; }
  Log log() const;
  bool waitFor(const std::function<bool(const Log&)>& holds,
               milliseconds timeout = milliseconds(5000)) const;
  // Sends a control command; returns the time of the event it logs under the same words.
  std::optional<std::int64_t> command(const std::string& line);
  // A mark is logged after everything the simulator had read before it.
  std::optional<std::int64_t> mark() { return command("mark " + std::to_string(++m_marks)); }

 private:
  std::string m_link;
  std::string m_log;
  bool m_ready = false;
  int m_marks = 0;
};

// The program under test, without a display, with the simulator's link as port 1.
class AppProcess : public Child {
 public:
  AppProcess(const TempDir& dir, const std::string& portPath, bool holdSignals = false);
};

}  // namespace velmar::e2e
