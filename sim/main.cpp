#include <iostream>
#include <string>
#include <vector>

#include "sim_options.h"
#include "sim_server.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const auto parsed = velmar::sim::parseOptions(args);
  if (!parsed.error.empty()) {
    std::cerr << "velmar-esc-sim: " << parsed.error << "\n\n" << velmar::sim::usage();
    return 2;
  }
  if (parsed.options.help) {
    std::cout << velmar::sim::usage();
    return 0;
  }
  velmar::sim::SimServer server(parsed.options);
  return server.run();
}
