// SPDX-License-Identifier: GPL-3.0-or-later
#include <iostream>
#include <string>
#include <vector>

#include "SimOptions.h"
#include "SimServer.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const auto parsed = velmar::sim::ParseOptions(args);
  if (!parsed.error.empty()) {
    std::cerr << "velmar-esc-sim: " << parsed.error << "\n\n" << velmar::sim::Usage();
    return 2;
  }
  if (parsed.options.help) {
    std::cout << velmar::sim::Usage();
    return 0;
  }
  if (parsed.options.version) {
    std::cout << "velmar-esc-sim " VELMAR_VERSION "\n";
    return 0;
  }
  velmar::sim::SimServer server(parsed.options);
  return server.Run();
}
