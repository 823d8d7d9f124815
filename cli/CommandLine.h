// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "link/PortMap.h"
#include "link/SerialPort.h"

namespace velmar {

// What the user asked for on the command line: the window, or a command that
// runs without one.
struct CommandLine {
  enum class Verb { Window, Read, Save, Apply, Bench, Ports, Fleet };
  Verb verb = Verb::Window;
  // The --port entries joined in VELMAR_ESC_PORTS's form; empty when none was given.
  QString ports;
  int portCount = 0;  // --port entries naming a device ("*" aside)
  // save and apply: the settings file; bench: the script.
  QString file;
  bool json = false;
  bool force = false;
  bool dryRun = false;  // apply --dry-run: read and compare, write nothing
  // --record: the run record's file; empty when none was asked for.
  QString recordPath;
  QString outPath;      // bench --out
  QString plotPath;     // bench --plot
  QString comparePath;  // bench --compare: an earlier result drawn beside this one
  QString sensorPath;   // bench --sensor: the bench sensor's device
  int sensorBaud = 115200;
  // bench --plot-y: the curve drawn; empty: thrust where the result has it, r/min otherwise.
  QString plotY;
  // --lang: the language of the window, such as "de" or "zh_CN"; empty: the system's.
  QString lang;
};

// The ports a command runs on: the ones --port names or, with none (or "*"),
// every port that opens, as the window's start-up lists them.
struct CommandPorts {
  PortMap map;
  QList<int> numbers;
};
// The ports are probed on port services from makePort; without it, on Qt's.
CommandPorts PortsFor(
    const CommandLine& line,
    const std::function<std::unique_ptr<SerialPort>(const PortMap&)>& makePort = nullptr);

// One line on standard error, in the program's name.
void Say(const QString& text);

// Exit status for a command line the program cannot run with.
inline constexpr int kBadUsage = 2;

// Parses the arguments (the program's name first). --help and --version print
// and end the program. A bad value prints one line on standard error, the usage
// line after it, and gives nothing: the caller exits with kBadUsage.
std::optional<CommandLine> ParseCommandLine(const QStringList& arguments);

}  // namespace velmar
