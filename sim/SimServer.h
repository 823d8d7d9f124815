// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "EscModel.h"
#include "PtyPair.h"
#include "SensorModel.h"
#include "SimOptions.h"

namespace velmar::sim {

// Serves the model on a pseudo-terminal, and the bench sensor on a second one: one poll() over
// the ESC's master, standard input, a timer for output that is due later (the sensor's lines
// among it), and the termination signals.
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
  void SensorCommand(std::string_view state, Time now);
  bool OpenSensor();
  void SendSensor(Time now);
  bool Hangup();
  void ArmTimer(std::optional<Time> wake);
  void WriteRecords();
  void CloseControl();

  SimOptions m_options;
  EscModel m_model;
  PtyPair m_pty;
  PtyPair m_sensorPty;
  std::optional<SensorFeed> m_sensor;
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
