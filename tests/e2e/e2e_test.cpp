// SPDX-License-Identifier: GPL-3.0-or-later
// The program and the simulated ESC as separate processes on a pseudo-terminal: what the
// program puts on the wire, as the simulator's log saw it. The link, the session and the window
// are tested on scripted ports; here, what only the whole program shows: its signals, its real
// display, its start and its end.

#include <gtest/gtest.h>

#include <algorithm>

#include "Motor.h"
#include "ProcessHarness.h"

namespace velmar::e2e {
namespace {

// The first answered poll, identify, then a read of each setting in the order the window shows.
const std::string kConnect("QK\0QK\1QK\2\0QK\2\3QK\2\1QK\2\2QK\2\4", 26);
constexpr milliseconds kStartTimeout(10000);  // the program's start-up on a busy machine

bool Connected(const Log& log) {
  std::string sent;
  for (const Bytes& request : Requests(log)) sent.append(request.begin(), request.end());
  return sent.find(kConnect) != std::string::npos;
}

// The throttle the simulated motor was last sent: with no failsafe, the one it runs at.
int MotorThrottle(const Log& log) {
  int throttle = 0;
  for (const Bytes& request : Requests(log))
    if (request.size() == 4 && request[2] == 4) throttle = request[3];
  return throttle;
}

// Qt's lock file for a device, named after its path.
std::filesystem::path LockFile(std::string path) {
  std::replace(path.begin(), path.end(), '/', '_');
  return "/run/lock/LCK.." + path;
}

class EndToEnd : public ::testing::Test {
 protected:
  // The simulator, then the program with `args` (the window when none), on the simulator's link;
  // waited for until it has connected, when asked.
  void Start(std::vector<std::string> sim, std::vector<std::string> args = {}, bool wait = true) {
    m_sim.emplace(m_dir, sim);
    ASSERT_TRUE(m_sim->Ready());
    // The window takes its port map from the environment it starts with.
    setenv("VELMAR_ESC_PORTS", ("1=" + m_sim->LinkPath()).c_str(), 1);
    args.insert(args.begin(), VELMAR_APP_BIN);
    m_app.emplace(args, m_dir.File("app.out"));
    ASSERT_TRUE(!wait || m_sim->WaitFor(Connected, kStartTimeout));
  }
  // bench with a script of `run`, on a motor that settles within a quarter of a second.
  void StartBench(const std::string& run) {
    std::ofstream(m_dir.File("s.json"))
        << R"({"format": "velmar-bench-run", "version": 1, "poles": 14, )" << run << "}";
    Start({"--poles", "14", "--tau", "50"},
          {"bench", m_dir.File("s.json"), "--port", "1=" + m_dir.File("esc"), "--out",
           m_dir.File("r.csv")},
          false);
  }
  void SetUp() override { setenv("QT_QPA_PLATFORM", "offscreen", 1); }
  void TearDown() override {
    for (const char* name : {"sim.log", "sim.out", "app.out"})
      if (HasFailure()) std::cerr << name << ":\n" << std::ifstream(m_dir.File(name)).rdbuf();
  }

  TempDir m_dir;
  std::optional<SimProcess> m_sim;
  std::optional<Child> m_app;  // the program, after the simulator so that it ends first
};

// Held until the program takes the signals over, SIGTERM lands during the port scan.
TEST_F(EndToEnd, SigtermDuringStartUpEndsWithoutAWindowAndSendsNothing) {
  Start({}, {}, false);
  ASSERT_TRUE(m_app->EndsCleanly(kStartTimeout)) << "the window was shown";
  ASSERT_TRUE(m_sim->Mark());
  EXPECT_TRUE(Requests(m_sim->ReadLog()).empty());
}

// The real window on a display of its own, on an echoing line, driven from the keyboard: the Run
// page (Alt+R), the throttle up to 40 (Page Up), then the program told to end (SIGTERM closes the
// window as the user does). The motor is stopped before the port closes, and no lock file stays.
TEST_F(EndToEnd, TheWindowClosedWithTheMotorRunningLeavesItStoppedAndItsPortFree) {
  const std::string display = ":" + std::to_string(90 + getpid() % 100);
  Child xvfb({"/usr/bin/Xvfb", display, "-nolisten", "tcp"}, m_dir.File("xvfb.out"));
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return std::filesystem::exists("/tmp/.X11-unix/X" + display.substr(1)); }, 10000));
  setenv("DISPLAY", display.c_str(), 1);
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  Start({"--echo"});
  ASSERT_TRUE(std::filesystem::exists(LockFile(m_sim->LinkPath())));
  std::string command =
      "/usr/bin/xdotool search --sync --name 'Velmar ESC Config' windowfocus "
      "--sync key --delay 60 alt+r";
  for (int i = 0; i < 8; ++i) command += " Prior";
  ASSERT_EQ(std::system(command.c_str()), 0);
  ASSERT_TRUE(m_sim->WaitFor([](auto& log) { return MotorThrottle(log) == 40; }, kStartTimeout));
  EXPECT_TRUE(m_app->EndsCleanly());
  ASSERT_TRUE(m_sim->Mark());
  EXPECT_EQ(MotorThrottle(m_sim->ReadLog()), 0);
  EXPECT_FALSE(std::filesystem::exists(LockFile(m_sim->LinkPath())));
  unsetenv("DISPLAY");
}

// bench on a sweep of five steps until SIGINT after the second row: each row's mean is the
// model's steady speed, and the last frame is a throttle 0 the ESC acknowledged.
TEST_F(EndToEnd, BenchStoppedBySigintKeepsItsRowsAndEndsAtAnAcknowledgedZero) {
  StartBench(R"("sweep": {"from": 40, "to": 200, "step": 40, "settle_ms": 300, "hold_ms": 800})");
  const auto rows = [&](std::vector<std::string> lines = {}) {
    std::ifstream in(m_dir.File("r.csv"));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  };
  ASSERT_TRUE(QTest::qWaitFor([&] { return rows().size() >= 3; }, 20000));
  m_app->Signal(SIGINT);
  EXPECT_EQ(m_app->Exit(milliseconds(30000)), 1);
  const auto lines = rows();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines.back(), "# stopped: signal");
  for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
    std::istringstream row(lines[i]);
    double field[6] = {};  // step, throttle, settle, hold, samples, rpm_mean
    for (double& value : field) row >> value, row.ignore();
    const double model = sim::SteadyRpm({}, int(field[1]));
    EXPECT_NEAR(field[5], model, model * 0.03) << lines[i];
  }
  const Log log = m_sim->ReadLog();
  EXPECT_EQ(Requests(log).back(), (Bytes{0x51, 0x4B, 4, 0}));
  EXPECT_EQ(log.back().kind, "tx") << "the last throttle was not acknowledged";
}

// Ctrl-C twice, as a person does when a motor screams: the program ends at once, and the last
// thing it did was tell the motor 0.
TEST_F(EndToEnd, BenchInterruptedTwiceLeavesTheMotorStopped) {
  StartBench(R"("steps": [{"throttle": 60, "settle_ms": 0, "hold_ms": 60000}])");
  ASSERT_TRUE(m_sim->WaitFor([](auto& log) { return MotorThrottle(log) == 60; }, kStartTimeout));
  ASSERT_TRUE(m_sim->Command("mute"));  // its answers lost: the stop cannot be confirmed
  m_app->Signal(SIGINT);
  m_app->Signal(SIGINT);
  const std::optional<int> status = m_app->Exit(milliseconds(5000));
  EXPECT_TRUE(status == 128 + SIGINT || status == 3) << status.value_or(-1);
  ASSERT_TRUE(m_sim->Mark());
  EXPECT_EQ(MotorThrottle(m_sim->ReadLog()), 0);
}

}  // namespace
}  // namespace velmar::e2e
