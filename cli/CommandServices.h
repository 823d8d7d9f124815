// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>

#include "link/LinePort.h"
#include "link/OneShotTimer.h"
#include "link/PortMap.h"
#include "link/SerialPort.h"

namespace velmar {

// What a command needs from the outside world, as the window's FormServices: the program passes
// Qt's serial ports, timers and clock and the process's standard streams; tests pass scripted
// ports, timers on a manual clock and buffers of their own.
struct CommandServices {
  // A port service on `ports`, one for each ESC a command talks to.
  std::function<std::unique_ptr<SerialPort>(const PortMap& ports)> makePort;
  std::function<std::unique_ptr<OneShotTimer>(std::chrono::milliseconds interval)> makeTimer;
  // Time since the program started.
  std::function<std::chrono::milliseconds()> now;
  // Standard output, written out at once.
  std::function<void(const QByteArray& bytes)> out;
  // One line on standard error, in the program's name.
  std::function<void(const QString& line)> say;
  // Standard output is a terminal, where a line may be rewritten to show progress.
  bool terminal = false;
  // The bench sensor's port on a device, at a baud rate.
  std::function<std::unique_ptr<LinePort>(const QString& path, int baud)> makeSensorPort = nullptr;

  // The program's own: QSerialPort, QTimer, a monotonic clock, stdout and stderr.
  static CommandServices Program();
};

}  // namespace velmar
