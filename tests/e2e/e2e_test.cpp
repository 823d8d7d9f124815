// The program and the simulated ESC as separate processes on a pseudo-terminal: what the
// program puts on the wire, as the simulator's log saw it.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "harness.h"

namespace velmar::e2e {
namespace {

const Bytes kPoll = {0x51, 0x4B, 0x00};
// The first answered poll, identify, then a read of each setting in the order the window shows.
const std::string kConnect("QK\0QK\1QK\2\0QK\2\3QK\2\1QK\2\2QK\2\4", 26);
constexpr milliseconds kStartTimeout(10000);  // the program's start-up on a busy machine

std::vector<Bytes> requestsSince(const Log& log, std::int64_t since) {
  std::vector<Bytes> out;
  for (const auto& x : exchangesSince(log, since)) out.push_back(x.request.bytes);
  return out;
}

bool connectedSince(const Log& log, std::int64_t since) {
  std::string sent;
  for (const auto& request : requestsSince(log, since)) sent.append(request.begin(), request.end());
  return sent.find(kConnect) != std::string::npos;
}

bool onlyPolls(const std::vector<Bytes>& requests) {
  return std::all_of(requests.begin(), requests.end(), [](const Bytes& b) { return b == kPoll; });
}

bool exitedCleanly(Child& app) {
  app.signal(SIGTERM);
  const auto status = app.waitExit(milliseconds(5000));
  return status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
}

// Qt's lock file for a device, named after its path.
std::filesystem::path lockFile(std::string path) {
  std::replace(path.begin(), path.end(), '/', '_');
  return "/run/lock/LCK.." + path;
}

struct Quiet {
  const char* name;
  const char* line;
  bool afterConnecting;
};

void PrintTo(const Quiet& quiet, std::ostream* out) {
  *out << quiet.name;  // not its pointers
}

class EndToEnd : public ::testing::TestWithParam<Quiet> {
 protected:
  // The simulator, muted when asked, then the program on its link, connected unless muted.
  void Start(std::vector<std::string> args, bool muted = false) {
    sim.emplace(dir, args);
    ASSERT_TRUE(sim->ready());
    ASSERT_TRUE(!muted || sim->command("mute"));
    app.emplace(dir, sim->linkPath());
    ASSERT_TRUE(muted ||
                sim->waitFor([](auto& log) { return connectedSince(log, 0); }, kStartTimeout));
  }
  void TearDown() override {
    for (const char* name : {"sim.log", "sim.out", "app.out"})
      if (HasFailure()) std::cerr << name << ":\n" << std::ifstream(dir.file(name)).rdbuf();
  }

  TempDir dir;
  std::optional<SimProcess> sim;
  std::optional<AppProcess> app;  // after sim, so it ends first
};

// Quiet from the start, or after a connection: then three timeouts with their re-sends come
// first, and the fall-back. Either way the program polls until it is answered, then connects.
TEST_P(EndToEnd, PollsWhileTheEscIsQuietAndConnectsFullyOnceItAnswers) {
  const auto [name, line, later] = GetParam();
  Start({line}, !later);
  const auto muted = later ? sim->command("mute") : std::optional<std::int64_t>(0);
  ASSERT_TRUE(muted);
  ASSERT_TRUE(sim->waitFor([&](auto& log) { return requestsSince(log, *muted).size() >= 5; },
                           kStartTimeout));
  const auto unmuted = sim->command("unmute");
  ASSERT_TRUE(unmuted);
  EXPECT_TRUE(onlyPolls(requestsSince(sim->log(), *muted)));
  EXPECT_TRUE(sim->waitFor([&](auto& log) { return connectedSince(log, *unmuted); }));
}

INSTANTIATE_TEST_SUITE_P(Lines, EndToEnd,
                         ::testing::Values(Quiet{"FromTheStartOnAPacedLine", "--wire-time", false},
                                           Quiet{"FromTheStartOnAnEchoingLine", "--echo", false},
                                           Quiet{"AfterConnectingOnAnEchoingLine", "--echo", true}),
                         [](const auto& info) { return std::string(info.param.name); });

// Survives the device vanishing, reopens it when it is back, and a SIGTERM closes it as the
// user would: nothing more is sent and no lock file stays behind.
TEST_F(EndToEnd, AVanishedDeviceIsReopenedWhenItComesBackAndSigtermClosesIt) {
  Start({"--echo"});
  const auto hungUp = sim->command("hangup");
  ASSERT_TRUE(hungUp);
  // The link now leads to a new device; nobody chooses the port again.
  ASSERT_TRUE(sim->waitFor([&](auto& log) { return !requestsSince(log, *hungUp).empty(); }));
  EXPECT_LE(exchangesSince(sim->log(), *hungUp).front().request.us - *hungUp, 2'000'000);
  ASSERT_TRUE(sim->waitFor([&](auto& log) { return connectedSince(log, *hungUp); }));
  ASSERT_TRUE(std::filesystem::exists(lockFile(sim->linkPath())));
  const auto signalled = sim->mark();
  EXPECT_TRUE(exitedCleanly(*app));
  ASSERT_TRUE(sim->mark());
  EXPECT_LE(requestsSince(sim->log(), *signalled).size(), 1u) << "one may be on its way";
  EXPECT_FALSE(std::filesystem::exists(lockFile(sim->linkPath())));
}

TEST_F(EndToEnd, SigtermDuringStartUpEndsWithoutAWindowAndSendsNothing) {
  sim.emplace(dir, std::vector<std::string>{});
  ASSERT_TRUE(sim->ready());
  // Held until the program takes the signals over, it lands during the port scan.
  app.emplace(dir, sim->linkPath(), true);
  app->signal(SIGTERM);
  const auto status = app->waitExit(kStartTimeout);
  ASSERT_TRUE(status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "the window was shown";
  ASSERT_TRUE(sim->mark());
  EXPECT_TRUE(requestsSince(sim->log(), 0).empty());
}

}  // namespace
}  // namespace velmar::e2e
