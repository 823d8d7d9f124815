// SPDX-License-Identifier: GPL-3.0-or-later
// The program and the simulated ESC as separate processes on a pseudo-terminal: what the
// program puts on the wire, as the simulator's log saw it.

#include <gtest/gtest.h>

#include "Motor.h"
#include "ProcessHarness.h"

namespace velmar::e2e {
namespace {

// The first answered poll, identify, then a read of each setting in the order the window shows.
const std::string kConnect("QK\0QK\1QK\2\0QK\2\3QK\2\1QK\2\2QK\2\4", 26);
constexpr milliseconds kStartTimeout(10000);  // the program's start-up on a busy machine

bool ConnectedSince(const Log& log, std::int64_t since) {
  std::string sent;
  for (const auto& request : RequestsSince(log, since))
    sent.append(request.bytes.begin(), request.bytes.end());
  return sent.find(kConnect) != std::string::npos;
}

// Qt's lock file for a device, named after its path.
std::filesystem::path LockFile(std::string path) {
  std::replace(path.begin(), path.end(), '/', '_');
  return "/run/lock/LCK.." + path;
}

// A name, the simulator's line option, and whether the ESC falls quiet only after connecting.
using Quiet = std::tuple<const char*, const char*, bool>;

class EndToEnd : public ::testing::TestWithParam<Quiet> {
 protected:
  // The simulator, muted when asked, then the program on its link, connected unless muted.
  void Start(std::vector<std::string> args, bool muted = false) {
    m_sim.emplace(m_dir, args);
    ASSERT_TRUE(m_sim->Ready());
    ASSERT_TRUE(!muted || m_sim->Command("mute"));
    // The program takes its port map from the environment it starts with.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("VELMAR_ESC_PORTS", ("1=" + m_sim->LinkPath()).c_str(), 1);
    m_app.emplace(std::vector<std::string>{VELMAR_APP_BIN}, m_dir.File("app.out"));
    ASSERT_TRUE(muted ||
                m_sim->WaitFor([](auto& log) { return ConnectedSince(log, 0); }, kStartTimeout));
  }
  void TearDown() override {
    for (const char* name : {"sim.log", "sim.out", "app.out"})
      if (HasFailure()) std::cerr << name << ":\n" << std::ifstream(m_dir.File(name)).rdbuf();
  }

  TempDir m_dir;
  std::optional<SimProcess> m_sim;
  std::optional<Child> m_app;  // the program, after the simulator so that it ends first
};

// Quiet from the start, or after a connection: then three timeouts with their re-sends come
// first, and the fall-back. Either way the program polls until it is answered, then connects.
TEST_P(EndToEnd, PollsWhileTheEscIsQuietAndConnectsFullyOnceItAnswers) {
  const auto [name, line, later] = GetParam();
  Start({line}, !later);
  const auto muted = later ? m_sim->Command("mute") : std::optional<std::int64_t>(0);
  ASSERT_TRUE(muted);
  ASSERT_TRUE(m_sim->WaitFor([&](auto& log) { return RequestsSince(log, *muted).size() >= 5; },
                             kStartTimeout));
  const auto unmuted = m_sim->Command("unmute");
  ASSERT_TRUE(unmuted);
  const auto requests = RequestsSince(m_sim->ReadLog(), *muted);
  EXPECT_TRUE(std::all_of(requests.begin(), requests.end(), [](auto& request) {
    return request.bytes == Bytes{0x51, 0x4B, 0};
  }));
  EXPECT_TRUE(m_sim->WaitFor([&](auto& log) { return ConnectedSince(log, *unmuted); }));
}

INSTANTIATE_TEST_SUITE_P(Lines, EndToEnd,
                         ::testing::Values(Quiet{"FromTheStartOnAPacedLine", "--wire-time", false},
                                           Quiet{"FromTheStartOnAnEchoingLine", "--echo", false},
                                           Quiet{"AfterConnectingOnAnEchoingLine", "--echo", true}),
                         [](const auto& info) { return std::string(std::get<0>(info.param)); });

// Survives the device vanishing, reopens it when it is back, and a SIGTERM closes it as the
// user would: nothing more is sent and no lock file stays behind.
TEST_F(EndToEnd, AVanishedDeviceIsReopenedWhenItComesBackAndSigtermClosesIt) {
  Start({"--echo"});
  const auto hungUp = m_sim->Command("hangup");
  ASSERT_TRUE(hungUp);
  // The link now leads to a new device; nobody chooses the port again.
  ASSERT_TRUE(m_sim->WaitFor([&](auto& log) { return !RequestsSince(log, *hungUp).empty(); }));
  EXPECT_LE(RequestsSince(m_sim->ReadLog(), *hungUp).front().us - *hungUp, 2'000'000);
  ASSERT_TRUE(m_sim->WaitFor([&](auto& log) { return ConnectedSince(log, *hungUp); }));
  ASSERT_TRUE(std::filesystem::exists(LockFile(m_sim->LinkPath())));
  const auto signalled = m_sim->Mark();
  EXPECT_TRUE(m_app->EndsCleanly());
  ASSERT_TRUE(m_sim->Mark());
  EXPECT_LE(RequestsSince(m_sim->ReadLog(), *signalled).size(), 1u) << "one may be on its way";
  EXPECT_FALSE(std::filesystem::exists(LockFile(m_sim->LinkPath())));
}

// Held until the program takes the signals over, SIGTERM lands during the port scan.
TEST_F(EndToEnd, SigtermDuringStartUpEndsWithoutAWindowAndSendsNothing) {
  Start({}, true);
  ASSERT_TRUE(m_app->EndsCleanly(kStartTimeout)) << "the window was shown";
  ASSERT_TRUE(m_sim->Mark());
  EXPECT_TRUE(RequestsSince(m_sim->ReadLog(), 0).empty());
}

// The throttle the simulated motor was last sent: with no failsafe, the one it runs at.
int MotorThrottle(const Log& log) {
  int throttle = 0;
  for (const auto& request : RequestsSince(log, 0))
    if (request.bytes.size() == 4 && request.bytes[2] == 4) throttle = request.bytes[3];
  return throttle;
}

// The real window on a display of its own, driven from the keyboard: the Run page (Alt+R), the
// throttle up to 40 (Page Up), then the program told to end (SIGTERM closes the window as the
// user does). The motor is stopped before the port closes.
TEST_F(EndToEnd, TheWindowClosedWithTheMotorRunningLeavesItStopped) {
  const std::string display = ":" + std::to_string(90 + getpid() % 100);
  Child xvfb({"/usr/bin/Xvfb", display, "-nolisten", "tcp"}, m_dir.File("xvfb.out"));
  ASSERT_TRUE(
      WaitUntil([&] { return std::filesystem::exists("/tmp/.X11-unix/X" + display.substr(1)); },
                milliseconds(10000)));
  setenv("DISPLAY", display.c_str(), 1);
  m_sim.emplace(m_dir, std::vector<std::string>{});
  ASSERT_TRUE(m_sim->Ready());
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  setenv("VELMAR_ESC_PORTS", ("1=" + m_sim->LinkPath()).c_str(), 1);
  m_app.emplace(std::vector<std::string>{VELMAR_APP_BIN}, m_dir.File("app.out"));
  ASSERT_TRUE(m_sim->WaitFor([](auto& log) { return ConnectedSince(log, 0); }, kStartTimeout));
  std::string command =
      "/usr/bin/xdotool search --sync --name 'Velmar ESC Config' windowfocus "
      "--sync key --delay 60 alt+r";
  for (int i = 0; i < 8; ++i) command += " Prior";
  ASSERT_EQ(std::system(command.c_str()), 0);
  ASSERT_TRUE(m_sim->WaitFor([](auto& log) { return MotorThrottle(log) == 40; }, kStartTimeout));
  EXPECT_TRUE(m_app->EndsCleanly());
  ASSERT_TRUE(m_sim->Mark());
  EXPECT_EQ(MotorThrottle(m_sim->ReadLog()), 0);
  unsetenv("DISPLAY");
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

// bench on a sweep of five steps, to its end or until SIGINT after the second row: each row's
// mean is the model's steady speed, and the last frame is a throttle 0 the ESC acknowledged.
class Bench : public EndToEnd {};
TEST_P(Bench, SweepsAndEndsAtAnAcknowledgedZero) {
  const bool interrupted = std::get<2>(GetParam());
  m_sim.emplace(m_dir, std::vector<std::string>{"--poles", "14", "--tau", "50"});
  ASSERT_TRUE(m_sim->Ready());
  std::ofstream(m_dir.File("s.json"))
      << R"({"format": "velmar-bench-run", "version": 1, "poles": 14, "sweep": )"
         R"({"from": 40, "to": 200, "step": 40, "settle_ms": 300, "hold_ms": 800}})";
  const auto rows = [&](std::vector<std::string> lines = {}) {
    std::ifstream in(m_dir.File("r.csv"));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  };
  Child bench({VELMAR_APP_BIN, "bench", m_dir.File("s.json"), "--port", "1=" + m_sim->LinkPath(),
               "--out", m_dir.File("r.csv")},
              m_dir.File("app.out"));
  if (interrupted) {
    ASSERT_TRUE(WaitUntil([&] { return rows().size() >= 3; }, milliseconds(20000)));
    bench.Signal(SIGINT);
  }
  EXPECT_EQ(bench.Exit(milliseconds(30000)), interrupted ? 1 : 0);
  EXPECT_EQ(MotorThrottle(m_sim->ReadLog()), 0);
  const auto lines = rows();
  ASSERT_EQ(lines.size(), interrupted ? 4u : 7u);
  EXPECT_EQ(lines.back(), interrupted ? "# stopped: signal" : "# completed");
  for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
    std::istringstream row(lines[i]);
    double field[6] = {};  // step, throttle, settle, hold, samples, rpm_mean
    for (double& value : field) row >> value, row.ignore();
    const double model = sim::SteadyRpm({}, int(field[1]));
    EXPECT_NEAR(field[5], model, model * 0.03) << lines[i];
  }
  const Log log = m_sim->ReadLog(), requests = RequestsSince(log, 0);
  EXPECT_EQ(requests.empty() ? Bytes{} : requests.back().bytes, (Bytes{0x51, 0x4B, 4, 0}));
  EXPECT_EQ(log.back().kind, "tx") << "the last throttle was not acknowledged";
}
// Ctrl-C twice, as a person does when a motor screams: the program ends at once, and the last
// thing it did was tell the motor 0.
TEST_F(Bench, InterruptedTwiceLeavesTheMotorStopped) {
  m_sim.emplace(m_dir, std::vector<std::string>{"--poles", "14", "--tau", "50"});
  ASSERT_TRUE(m_sim->Ready());
  std::ofstream(m_dir.File("s.json"))
      << R"({"format": "velmar-bench-run", "version": 1, "poles": 14, "steps": )"
         R"([{"throttle": 60, "settle_ms": 0, "hold_ms": 60000}]})";
  Child bench({VELMAR_APP_BIN, "bench", m_dir.File("s.json"), "--port", "1=" + m_sim->LinkPath(),
               "--out", m_dir.File("r.csv")},
              m_dir.File("app.out"));
  ASSERT_TRUE(m_sim->WaitFor([](auto& log) { return MotorThrottle(log) == 60; }, kStartTimeout));
  ASSERT_TRUE(m_sim->Command("mute"));  // its answers lost: the stop cannot be confirmed
  bench.Signal(SIGINT);
  bench.Signal(SIGINT);
  const std::optional<int> status = bench.Exit(milliseconds(5000));
  EXPECT_TRUE(status == 128 + SIGINT || status == 3) << status.value_or(-1);
  ASSERT_TRUE(m_sim->Mark());
  EXPECT_EQ(MotorThrottle(m_sim->ReadLog()), 0);
}

INSTANTIATE_TEST_SUITE_P(E2e, Bench,
                         ::testing::Values(Quiet{"ToItsEnd", "", false},  // name, -, SIGINT
                                           Quiet{"UntilSigint", "", true}),
                         [](const auto& info) { return std::string(std::get<0>(info.param)); });

}  // namespace
}  // namespace velmar::e2e
