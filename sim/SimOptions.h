// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "EscModel.h"
#include "SensorModel.h"

namespace velmar::sim {

struct SimOptions {
  EscOptions esc;
  std::string linkPath;    // empty: no symlink
  std::string logPath;     // empty: no log
  std::string sensorPath;  // empty: no bench sensor
  SensorOptions sensor;
  bool help = false;
  bool version = false;
};

struct ParsedOptions {
  SimOptions options;
  std::string error;  // empty when the command line was good
};

// Parses the program's arguments (without argv[0]); "--name value" and "--name=value" both work.
ParsedOptions ParseOptions(const std::vector<std::string>& args);
std::string Usage();

}  // namespace velmar::sim
