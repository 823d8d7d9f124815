// The program and the simulated ESC as separate processes on a pseudo-terminal: what the
// program puts on the wire, as the simulator's log saw it.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <climits>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"

namespace velmar::e2e {
namespace {

using std::chrono::milliseconds;

const Bytes kPoll = {0x51, 0x4B, 0x00};
// Identify, then the settings in the order the window lays them out.
const std::vector<Bytes> kConnectRequests = {
    {0x51, 0x4B, 0x01},       {0x51, 0x4B, 0x02, 0x00}, {0x51, 0x4B, 0x02, 0x03},
    {0x51, 0x4B, 0x02, 0x01}, {0x51, 0x4B, 0x02, 0x02}, {0x51, 0x4B, 0x02, 0x04},
};

constexpr milliseconds kStartTimeout(10000);  // the program's start-up on a busy machine
constexpr milliseconds kExitTimeout(10000);
constexpr std::int64_t kMs = 1000;  // log times are in microseconds

std::vector<Bytes> requestsBetween(const std::vector<LogEntry>& entries, std::int64_t from,
                                   std::int64_t to) {
  std::vector<Bytes> out;
  for (const auto& e : entries) {
    if (e.kind == "rx" && e.us >= from && e.us <= to) out.push_back(e.bytes);
  }
  return out;
}

std::string describe(const std::vector<Bytes>& frames) {
  std::string out;
  for (const auto& f : frames) out += "[" + toHex(f) + "] ";
  return out;
}

// The first answered poll since `since` and the six requests after it, once all six have
// been answered.
struct Connection {
  Exchange poll;
  std::vector<Exchange> requests;
};

std::optional<Connection> findConnection(const std::vector<LogEntry>& entries, std::int64_t since) {
  const auto exchanges = exchangesSince(entries, since);
  const auto first = std::find_if(exchanges.begin(), exchanges.end(), [](const Exchange& x) {
    return x.request.bytes == kPoll && x.reply;
  });
  if (first == exchanges.end()) return std::nullopt;
  const auto following = std::distance(first, exchanges.end()) - 1;
  if (following < static_cast<long>(kConnectRequests.size())) return std::nullopt;
  Connection connection{*first, std::vector<Exchange>(first + 1, first + 1 + 6)};
  if (!connection.requests.back().reply) return std::nullopt;
  return connection;
}

std::vector<Bytes> requestBytes(const std::vector<Exchange>& exchanges) {
  std::vector<Bytes> out;
  for (const auto& x : exchanges) out.push_back(x.request.bytes);
  return out;
}

// The child's environment as the kernel shows it; empty for a moment after posix_spawn
// returns, while the exec is still setting up the new image.
std::vector<std::string> environmentOf(pid_t pid, milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/environ", std::ios::binary);
    std::vector<std::string> entries;
    for (std::string item; std::getline(in, item, '\0');) entries.push_back(item);
    if (!entries.empty() || std::chrono::steady_clock::now() >= deadline) return entries;
    std::this_thread::sleep_for(milliseconds(1));
  }
}

bool exitedWithZero(const std::optional<int>& status) {
  return status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
}

std::string describeStatus(const std::optional<int>& status) {
  if (!status) return "still running";
  if (WIFEXITED(*status)) return "exit status " + std::to_string(WEXITSTATUS(*status));
  if (WIFSIGNALED(*status)) return "killed by signal " + std::to_string(WTERMSIG(*status));
  return "wait status " + std::to_string(*status);
}

class EndToEnd : public ::testing::Test {
 protected:
  bool startSim(const std::vector<std::string>& args = {}) {
    sim_.emplace(dir_, args);
    return sim_->ready();
  }

  bool startApp() {
    app_.emplace(dir_, sim_->linkPath());
    if (!app_->child().started()) return false;
    // The child must never try to reach a display, on CI or a developer's desktop.
    const auto environment = environmentOf(app_->child().pid(), milliseconds(2000));
    return std::find(environment.begin(), environment.end(), "QT_QPA_PLATFORM=offscreen") !=
           environment.end();
  }

  std::optional<Connection> waitForConnection(std::int64_t since, milliseconds timeout) {
    std::optional<Connection> found;
    sim_->waitFor(
        [&](const std::vector<LogEntry>& entries) {
          found = findConnection(entries, since);
          return found.has_value();
        },
        timeout);
    return found;
  }

  // Waits until the log has an entry at or after `at` (the program keeps polling, so one comes).
  bool waitUntilLogReaches(std::int64_t at, milliseconds timeout) {
    return sim_->waitFor(
        [&](const std::vector<LogEntry>& entries) {
          return !entries.empty() && entries.back().us >= at;
        },
        timeout);
  }

  void expectConnectSequence(const Connection& connection) {
    EXPECT_EQ(requestBytes(connection.requests),
              std::vector<Bytes>(kConnectRequests.begin(), kConnectRequests.end()))
        << "got " << describe(requestBytes(connection.requests));
    // One request per reply, each a little after the reply it waited for.
    const Exchange* previous = &connection.poll;
    for (const auto& x : connection.requests) {
      ASSERT_TRUE(previous->reply);
      EXPECT_GE(x.request.us - previous->reply->us, 5 * kMs)
          << "[" << toHex(x.request.bytes) << "] came too soon after the reply before it";
      previous = &x;
    }
  }

  void TearDown() override {
    if (!HasFailure() || !sim_) return;
    std::cerr << "--- simulator log (" << sim_->logPath() << ")\n" << sim_->logText();
    std::ifstream err(dir_.file("sim.err"));
    std::cerr << "--- simulator stderr\n" << err.rdbuf() << "\n";
    if (app_) std::cerr << "--- program output\n" << app_->output() << "\n";
  }

  TempDir dir_;
  std::optional<SimProcess> sim_;
  std::optional<AppProcess> app_;  // after sim_, so it ends first
};

TEST_F(EndToEnd, PollsFromTheStartUntilAPollIsAnswered) {
  ASSERT_TRUE(startSim());
  ASSERT_TRUE(sim_->command("mute", "mute"));
  ASSERT_TRUE(startApp());

  ASSERT_TRUE(sim_->waitFor(
      [](const std::vector<LogEntry>& entries) {
        return requestsBetween(entries, 0, INT64_MAX).size() >= 3;
      },
      kStartTimeout))
      << "the program must keep polling an ESC that does not answer";
  const auto unmuted = sim_->command("unmute", "unmute");
  ASSERT_TRUE(unmuted);
  const auto unanswered = requestsBetween(sim_->log(), 0, *unmuted);
  EXPECT_EQ(unanswered, std::vector<Bytes>(unanswered.size(), kPoll))
      << "nothing but polls until one is answered: " << describe(unanswered);

  const auto connection = waitForConnection(*unmuted, milliseconds(5000));
  ASSERT_TRUE(connection) << "no identify and reads after the first answered poll";
  expectConnectSequence(*connection);
}

struct Line {
  const char* name;
  std::vector<std::string> sim_args;
};

// Names the line in test listings instead of dumping its bytes.
void PrintTo(const Line& line, std::ostream* out) {
  *out << line.name;
}

class EndToEndOnLine : public EndToEnd, public ::testing::WithParamInterface<Line> {};

TEST_P(EndToEndOnLine, IdentifiesReadsEverySettingThenOnlyPolls) {
  ASSERT_TRUE(startSim(GetParam().sim_args));
  ASSERT_TRUE(startApp());
  const auto connection = waitForConnection(0, kStartTimeout);
  ASSERT_TRUE(connection) << "the program did not connect";
  const auto log = sim_->log();
  const auto first = requestsBetween(log, 0, connection->poll.request.us);
  EXPECT_EQ(first, std::vector<Bytes>(first.size(), kPoll)) << "it starts with polls";
  expectConnectSequence(*connection);

  const std::int64_t settled = connection->requests.back().reply->us;
  ASSERT_TRUE(waitUntilLogReaches(settled + 700 * kMs, milliseconds(5000)));
  const auto afterwards = requestsBetween(sim_->log(), settled + 1, settled + 600 * kMs);
  EXPECT_GE(afterwards.size(), 3u) << "the program should keep polling about every 100 ms";
  EXPECT_EQ(afterwards, std::vector<Bytes>(afterwards.size(), kPoll))
      << "with the ESC's defaults nothing but polls follows: " << describe(afterwards);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, EndToEndOnLine,
    ::testing::Values(Line{"Plain", {}}, Line{"Echoing", {"--echo"}},
                      // Bytes at 38400 baud and replies in two parts, as a USB adapter may hand
                      // them over.
                      Line{"EchoingPacedSplit", {"--echo", "--wire-time", "--split", "5"}}),
    [](const ::testing::TestParamInfo<Line>& info) { return std::string(info.param.name); });

TEST_F(EndToEnd, FallsBackToPollingWhenTheEscGoesQuietAndReconnectsFully) {
  ASSERT_TRUE(startSim());
  ASSERT_TRUE(startApp());
  ASSERT_TRUE(waitForConnection(0, kStartTimeout)) << "the program did not connect";

  const auto muted = sim_->command("mute", "mute");
  ASSERT_TRUE(muted);
  // Three timeouts of 300 ms and the re-sends take about a second; give it half as much again.
  ASSERT_TRUE(waitUntilLogReaches(*muted + 1500 * kMs, milliseconds(5000)))
      << "the program stopped sending while the ESC was quiet";
  const auto unmuted = sim_->command("unmute", "unmute");
  ASSERT_TRUE(unmuted);

  const auto quiet = requestsBetween(sim_->log(), *muted, *unmuted);
  EXPECT_GE(quiet.size(), 4u) << "unanswered requests are sent again";
  EXPECT_EQ(quiet, std::vector<Bytes>(quiet.size(), kPoll)) << describe(quiet);

  const auto connection = waitForConnection(*unmuted, milliseconds(5000));
  ASSERT_TRUE(connection) << "after the ESC answers again the program must connect anew";
  expectConnectSequence(*connection);
}

TEST_F(EndToEnd, SigtermClosesCleanlyAndNothingIsSentAfterwards) {
  ASSERT_TRUE(startSim());
  ASSERT_TRUE(startApp());
  const auto connection = waitForConnection(0, kStartTimeout);
  ASSERT_TRUE(connection) << "the program did not connect";
  const std::int64_t settled = connection->requests.back().reply->us;
  ASSERT_TRUE(sim_->waitFor(
      [&](const std::vector<LogEntry>& entries) {
        return !requestsBetween(entries, settled + 1, INT64_MAX).empty();
      },
      milliseconds(5000)));

  const std::int64_t signalled = monotonicMicros();
  app_->child().signal(SIGTERM);
  const auto status = app_->child().waitExit(kExitTimeout);
  EXPECT_TRUE(exitedWithZero(status)) << describeStatus(status);

  // Whatever the program wrote before it exited is in the simulator's log after this.
  ASSERT_TRUE(sim_->mark());
  const auto late = requestsBetween(sim_->log(), signalled, INT64_MAX);
  EXPECT_LE(late.size(), 1u) << "only a request already on its way may arrive after SIGTERM: "
                             << describe(late);
}

TEST_F(EndToEnd, SigtermDuringTheStartUpScanEndsWithoutAWindowAndSendsNothing) {
  ASSERT_TRUE(startSim());
  // The signal waits, blocked, until the program takes it over; it is then
  // handled at the first pause of the port scan.
  app_.emplace(dir_, sim_->linkPath(), true);
  ASSERT_TRUE(app_->child().started());
  app_->child().signal(SIGTERM);
  const auto status = app_->child().waitExit(kExitTimeout);
  EXPECT_TRUE(exitedWithZero(status)) << describeStatus(status) << ": the window was shown";
  ASSERT_TRUE(sim_->mark());
  const auto sent = requestsBetween(sim_->log(), 0, INT64_MAX);
  EXPECT_TRUE(sent.empty()) << describe(sent);
}

TEST_F(EndToEnd, SurvivesTheDeviceVanishingAndStillExitsCleanly) {
  ASSERT_TRUE(startSim());
  ASSERT_TRUE(startApp());
  ASSERT_TRUE(waitForConnection(0, kStartTimeout)) << "the program did not connect";

  ASSERT_TRUE(sim_->command("hangup", "hangup"));
  // The program notices on its next read or write, well inside this time.
  const auto crashed = app_->child().waitExit(milliseconds(1500));
  ASSERT_FALSE(crashed) << "the program ended after the device went away: "
                        << describeStatus(crashed);

  app_->child().signal(SIGTERM);
  const auto status = app_->child().waitExit(kExitTimeout);
  EXPECT_TRUE(exitedWithZero(status)) << describeStatus(status);
}

}  // namespace
}  // namespace velmar::e2e
