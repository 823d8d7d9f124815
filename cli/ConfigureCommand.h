// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <list>

#include "cli/CommandLine.h"

namespace velmar {

struct ConfiguredEsc;

// read, save and apply: one session a port, all at the same time, no window.
class ConfigureCommand {
 public:
  explicit ConfigureCommand(const CommandLine& line);
  ~ConfigureCommand();

  // Runs to the end, or until Stop(); prints the results and returns the exit
  // status. Needs a QCoreApplication.
  int Run();
  // Ends every unfinished ESC as lost; Run() then prints what it has.
  void Stop();

 private:
  CommandLine m_line;
  std::list<ConfiguredEsc> m_escs;
  bool m_stopped = false;
};

}  // namespace velmar
