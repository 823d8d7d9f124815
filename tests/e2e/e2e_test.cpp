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
// The first answered poll, then identify and every setting in the order the window shows them.
const std::vector<Bytes> kConnect = {kPoll,
                                     {0x51, 0x4B, 0x01},
                                     {0x51, 0x4B, 0x02, 0},
                                     {0x51, 0x4B, 0x02, 3},
                                     {0x51, 0x4B, 0x02, 1},
                                     {0x51, 0x4B, 0x02, 2},
                                     {0x51, 0x4B, 0x02, 4}};
constexpr milliseconds kStartTimeout(10000);  // the program's start-up on a busy machine

std::vector<Bytes> requestsSince(const Log& log, std::int64_t since) {
  std::vector<Bytes> out;
  for (const auto& x : exchangesSince(log, since)) out.push_back(x.request.bytes);
  return out;
}

bool connectedSince(const Log& log, std::int64_t since) {
  const auto requests = requestsSince(log, since);
  return std::search(requests.begin(), requests.end(), kConnect.begin(), kConnect.end()) !=
         requests.end();
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

class EndToEnd : public ::testing::TestWithParam<const char*> {
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
      if (HasFailure())
        std::cerr << "--- " << name << "\n" << std::ifstream(dir.file(name)).rdbuf();
  }

  TempDir dir;
  std::optional<SimProcess> sim;
  std::optional<AppProcess> app;  // after sim, so it ends first
};

TEST_P(EndToEnd, PollsUntilAnsweredThenIdentifiesAndReadsEverySetting) {
  Start({GetParam()}, true);
  ASSERT_TRUE(
      sim->waitFor([](auto& log) { return requestsSince(log, 0).size() >= 3; }, kStartTimeout));
  const auto unmuted = sim->command("unmute");
  ASSERT_TRUE(unmuted);
  EXPECT_TRUE(onlyPolls(requestsSince(sim->log(), 0)));
  EXPECT_TRUE(sim->waitFor([&](auto& log) { return connectedSince(log, *unmuted); }));
}

// A line that does not echo, at the real baud rate, and one that echoes.
INSTANTIATE_TEST_SUITE_P(Lines, EndToEnd, ::testing::Values("--wire-time", "--echo"));

TEST_F(EndToEnd, FallsBackToPollingWhenTheEscGoesQuietAndReconnectsFully) {
  Start({});
  const auto muted = sim->command("mute");
  ASSERT_TRUE(muted);
  // Three timeouts with their re-sends come first, then the polls of an unconnected link.
  ASSERT_TRUE(sim->waitFor([&](auto& log) { return requestsSince(log, *muted).size() >= 5; }));
  const auto unmuted = sim->command("unmute");
  ASSERT_TRUE(unmuted);
  EXPECT_TRUE(onlyPolls(requestsSince(sim->log(), *muted)));
  EXPECT_TRUE(sim->waitFor([&](auto& log) { return connectedSince(log, *unmuted); }));
}

TEST_F(EndToEnd, SigtermClosesThePortAndNothingIsSentAfterwards) {
  Start({});
  ASSERT_TRUE(std::filesystem::exists(lockFile(sim->linkPath())));
  const auto signalled = sim->mark();
  EXPECT_TRUE(exitedCleanly(*app));
  ASSERT_TRUE(sim->mark());
  EXPECT_LE(requestsSince(sim->log(), *signalled).size(), 1u) << "one may be on its way";
  EXPECT_FALSE(std::filesystem::exists(lockFile(sim->linkPath())));
}

TEST_F(EndToEnd, AVanishedDeviceIsReopenedWhenItComesBack) {
  Start({"--echo"});
  const auto hungUp = sim->command("hangup");
  ASSERT_TRUE(hungUp);
  // The link now leads to a new device; nobody chooses the port again.
  ASSERT_TRUE(sim->waitFor([&](auto& log) { return !requestsSince(log, *hungUp).empty(); }));
  EXPECT_LE(exchangesSince(sim->log(), *hungUp).front().request.us - *hungUp, 2'000'000);
  EXPECT_TRUE(sim->waitFor([&](auto& log) { return connectedSince(log, *hungUp); }));
  EXPECT_TRUE(exitedCleanly(*app));
}

}  // namespace
}  // namespace velmar::e2e
