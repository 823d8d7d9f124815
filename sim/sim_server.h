#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "esc_model.h"
#include "pty_pair.h"
#include "sim_options.h"

namespace velmar::sim {

// Serves the model on a pseudo-terminal: one poll() over the master, standard input, a timer
// for output that is due later, and the termination signals.
class SimServer {
 public:
  explicit SimServer(const SimOptions& options);
  ~SimServer();
  SimServer(const SimServer&) = delete;
  SimServer& operator=(const SimServer&) = delete;

  // Opens the device, prints its path and serves until told to stop; returns the exit status.
  int run();

 private:
  bool start();
  bool serveOnce();
  bool flushOutput(Time now);
  bool readLine();
  void readControl();
  void handleCommand(std::string_view line);
  // Opens a new pseudo-terminal and points the link, if any, at it.
  bool openDevice(std::string& error);
  bool hangup();
  void armTimer(std::optional<Time> wake);
  void writeRecords();
  void closeControl();

  SimOptions options_;
  EscModel model_;
  PtyPair pty_;
  int log_fd_ = -1;
  int timer_fd_ = -1;
  int signal_fd_ = -1;
  int control_fd_ = 0;  // standard input; -1 after its end
  std::string control_buffer_;
  bool write_blocked_ = false;
  bool quit_ = false;
  bool failed_ = false;
};

}  // namespace velmar::sim
