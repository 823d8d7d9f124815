#pragma once

#include <string>
#include <vector>

#include "esc_model.h"

namespace velmar::sim {

struct SimOptions {
  EscOptions esc;
  std::string link_path;  // empty: no symlink
  std::string log_path;   // empty: no log
  bool help = false;
};

struct ParsedOptions {
  SimOptions options;
  std::string error;  // empty when the command line was good
};

// Parses the program's arguments (without argv[0]); "--name value" and "--name=value" both work.
ParsedOptions parseOptions(const std::vector<std::string>& args);
std::string usage();

}  // namespace velmar::sim
