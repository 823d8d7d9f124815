// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "EscModel.h"
#include "PtyPair.h"
#include "SimOptions.h"

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
  int Run();

 private:
  bool Start();
  bool ServeOnce();
  bool FlushOutput(Time now);
  bool ReadLine();
  void ReadControl();
  void HandleCommand(std::string_view line);
  // Opens a new pseudo-terminal and points the link, if any, at it.
  bool OpenDevice(std::string& error);
  bool Hangup();
  void ArmTimer(std::optional<Time> wake);
  void WriteRecords();
  void CloseControl();

  SimOptions m_options;
  EscModel m_model;
  PtyPair m_pty;
  int m_logFd = -1;
  int m_timerFd = -1;
  int m_signalFd = -1;
  int m_controlFd = 0;  // standard input; -1 after its end
  std::string m_controlBuffer;
  bool m_writeBlocked = false;
  bool m_quit = false;
  bool m_failed = false;
};

}  // namespace velmar::sim
