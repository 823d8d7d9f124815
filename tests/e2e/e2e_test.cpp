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
// After the first answered poll: identify, then every setting in the order the window shows them.
const std::vector<Bytes> kConnect = {kPoll,
                                     {0x51, 0x4B, 0x01},
                                     {0x51, 0x4B, 0x02, 0x00},
                                     {0x51, 0x4B, 0x02, 0x03},
                                     {0x51, 0x4B, 0x02, 0x01},
                                     {0x51, 0x4B, 0x02, 0x02},
                                     {0x51, 0x4B, 0x02, 0x04}};
constexpr milliseconds kStartTimeout(10000);  // the program's start-up on a busy machine

std::vector<Bytes> requestsSince(const std::vector<LogEntry>& log, std::int64_t since) {
  std::vector<Bytes> out;
  for (const auto& x : exchangesSince(log, since)) out.push_back(x.request.bytes);
  return out;
}

bool hasConnectSequence(const std::vector<LogEntry>& log, std::int64_t since) {
  const auto requests = requestsSince(log, since);
  return std::search(requests.begin(), requests.end(), kConnect.begin(), kConnect.end()) !=
         requests.end();
}

bool onlyPolls(const std::vector<Bytes>& requests) {
  return std::all_of(requests.begin(), requests.end(), [](const Bytes& b) { return b == kPoll; });
}

bool exitedWithZero(const std::optional<int>& status) {
  return status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
}

// Qt's lock file for a device, named after its path.
std::string lockFile(std::string path) {
  std::replace(path.begin(), path.end(), '/', '_');
  return "/run/lock/LCK.." + path;
}

class EndToEnd : public ::testing::TestWithParam<std::vector<std::string>> {
 protected:
  // The simulator, muted when asked, then the program on its link, connected unless muted.
  void Start(std::vector<std::string> args, bool muted = false) {
    sim_.emplace(dir_, args);
    ASSERT_TRUE(sim_->ready());
    ASSERT_TRUE(!muted || sim_->command("mute"));
    app_.emplace(dir_, sim_->linkPath());
    ASSERT_TRUE(muted ||
                sim_->waitFor([](auto& log) { return hasConnectSequence(log, 0); }, kStartTimeout));
  }
  void TearDown() override {
    if (!HasFailure()) return;
    for (const char* name : {"sim.log", "sim.out", "app.out"})
      std::cerr << "--- " << name << "\n" << std::ifstream(dir_.file(name)).rdbuf() << "\n";
  }

  TempDir dir_;
  std::optional<SimProcess> sim_;
  std::optional<AppProcess> app_;  // after sim_, so it ends first
};

TEST_P(EndToEnd, PollsUntilAnsweredThenIdentifiesAndReadsEverySetting) {
  Start(GetParam(), true);
  ASSERT_TRUE(
      sim_->waitFor([](auto& log) { return requestsSince(log, 0).size() >= 3; }, kStartTimeout));
  const auto unmuted = sim_->command("unmute");
  ASSERT_TRUE(unmuted);
  EXPECT_TRUE(onlyPolls(requestsSince(sim_->log(), 0)));
  EXPECT_TRUE(sim_->waitFor([&](auto& log) { return hasConnectSequence(log, *unmuted); }));
}

INSTANTIATE_TEST_SUITE_P(Lines, EndToEnd,
                         ::testing::Values(std::vector<std::string>{},
                                           std::vector<std::string>{"--echo"}));

TEST_F(EndToEnd, FallsBackToPollingWhenTheEscGoesQuietAndReconnectsFully) {
  Start({});
  const auto muted = sim_->command("mute");
  ASSERT_TRUE(muted);
  // Three timeouts and their re-sends take about a second; a fourth request is a poll after it.
  ASSERT_TRUE(sim_->waitFor([&](auto& log) { return requestsSince(log, *muted).size() >= 5; }));
  const auto unmuted = sim_->command("unmute");
  ASSERT_TRUE(unmuted);
  EXPECT_TRUE(onlyPolls(requestsSince(sim_->log(), *muted)));
  EXPECT_TRUE(sim_->waitFor([&](auto& log) { return hasConnectSequence(log, *unmuted); }));
}

TEST_F(EndToEnd, SigtermClosesThePortAndNothingIsSentAfterwards) {
  Start({});
  ASSERT_TRUE(std::filesystem::exists(lockFile(sim_->linkPath())));
  const auto signalled = sim_->mark();
  app_->signal(SIGTERM);
  EXPECT_TRUE(exitedWithZero(app_->waitExit(milliseconds(5000))));
  ASSERT_TRUE(sim_->mark());
  EXPECT_LE(requestsSince(sim_->log(), *signalled).size(), 1u) << "only one already on its way";
  EXPECT_FALSE(std::filesystem::exists(lockFile(sim_->linkPath())));
}

TEST_F(EndToEnd, AVanishedDeviceIsReopenedWhenItComesBack) {
  Start({"--echo"});
  const auto hungUp = sim_->command("hangup");
  ASSERT_TRUE(hungUp);
  // The program looks for the device about once a second; nobody picks the port again.
  ASSERT_TRUE(sim_->waitFor([&](auto& log) { return !requestsSince(log, *hungUp).empty(); }));
  EXPECT_LE(exchangesSince(sim_->log(), *hungUp).front().request.us - *hungUp, 2'000'000);
  EXPECT_TRUE(sim_->waitFor([&](auto& log) { return hasConnectSequence(log, *hungUp); }));
  app_->signal(SIGTERM);
  EXPECT_TRUE(exitedWithZero(app_->waitExit(milliseconds(5000))));
}

}  // namespace
}  // namespace velmar::e2e
