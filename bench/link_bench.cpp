// How fast the program drives the link: the real program against the simulated
// ESC at 38400 baud, timed from the simulator's log.
//
//   velmar-link-bench [seconds per line]   (default 5)

#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"

namespace velmar::e2e {
namespace {

const Bytes kPoll = {0x51, 0x4B, 0x00};
const Bytes kLastRead = {0x51, 0x4B, 0x02, 0x04};

struct Stats {
  std::vector<double> ms;
  void Add(std::int64_t us) { ms.push_back(double(us) / 1000.0); }
  std::string Line() {
    if (ms.empty()) return "no samples";
    std::sort(ms.begin(), ms.end());
    char text[128];
    std::snprintf(text, sizeof text, "n=%3zu  min %7.2f  median %7.2f  p95 %7.2f  max %7.2f ms",
                  ms.size(), ms.front(), ms[ms.size() / 2], ms[ms.size() * 95 / 100], ms.back());
    return text;
  }
};

struct Result {
  std::optional<double> connectMs;  // first poll reply to the reply of the last read
  Stats gapBusy;                    // reply sent to next frame received, commands waiting
  Stats pollPeriod;                 // idle poll to idle poll
};

Result Measure(const std::vector<std::string>& simArgs, int seconds) {
  Result result;
  TempDir dir;
  SimProcess sim(dir, simArgs);
  if (!sim.ready()) return result;
  AppProcess app(dir, sim.linkPath());
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  app.signal(SIGTERM);
  app.waitExit(std::chrono::milliseconds(5000));

  const std::vector<Exchange> exchanges = exchangesSince(sim.log(), 0);
  std::optional<std::int64_t> firstPollReply;
  std::optional<std::int64_t> lastPoll;
  bool connected = false;
  for (size_t i = 0; i < exchanges.size(); ++i) {
    const auto& [request, reply] = exchanges[i];
    if (!reply) continue;
    if (request.bytes == kPoll && !firstPollReply) firstPollReply = reply->us;
    if (request.bytes == kLastRead && firstPollReply && !result.connectMs) {
      result.connectMs = double(reply->us - *firstPollReply) / 1000.0;
      connected = true;
    }
    if (i + 1 < exchanges.size() && !connected && firstPollReply)
      result.gapBusy.Add(exchanges[i + 1].request.us - reply->us);
    if (connected && request.bytes == kPoll) {
      if (lastPoll) result.pollPeriod.Add(request.us - *lastPoll);
      lastPoll = request.us;
    }
  }
  return result;
}

}  // namespace
}  // namespace velmar::e2e

int main(int argc, char** argv) {
  using namespace velmar::e2e;
  const int seconds = argc > 1 ? std::max(2, std::atoi(argv[1])) : 5;
  const std::vector<std::pair<const char*, std::vector<std::string>>> lines = {
      {"plain line", {"--wire-time"}},
      {"echoing line", {"--wire-time", "--echo"}},
  };
  std::printf("Link timing against velmar-esc-sim at 38400 baud, %d s a line\n", seconds);
  for (const auto& [name, args] : lines) {
    Result r = Measure(args, seconds);
    std::printf("\n%s\n", name);
    if (r.connectMs)
      std::printf("  connect sequence (6 exchanges)   %.2f ms\n", *r.connectMs);
    else
      std::printf("  connect sequence                 not seen\n");
    std::printf("  reply to next frame (queued)     %s\n", r.gapBusy.Line().c_str());
    std::printf("  idle poll period                 %s\n", r.pollPeriod.Line().c_str());
  }
  return 0;
}
