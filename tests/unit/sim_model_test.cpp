// What the other tests rely on from the simulated ESC: its answers, its echo, split and
// silence, and the link that follows its device across a hang-up.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "esc_model.h"
#include "pty_pair.h"

namespace velmar::sim {
namespace {

using namespace std::chrono_literals;

const Bytes kPoll = {0x51, 0x4B, 0x00};
const Bytes kIdentify = {0x51, 0x4B, 0x01};

// The model driven by hand: the test moves the time and takes whatever is due.
struct Esc {
  explicit Esc(EscOptions options = {}) : model(options, now) {}
  Bytes Send(const Bytes& in) {
    model.receive(in, now);
    return Wait(0s);
  }
  Bytes Wait(Time t) {
    model.tick(now += t);
    Bytes out;
    for (auto due = model.pending(now); !due.empty(); due = model.pending(now)) {
      out.insert(out.end(), due.begin(), due.end());
      model.sent(due.size(), now);
    }
    return out;
  }
  Time now = 1000s;
  EscModel model;
};

// Each command answered as the ESC does, and the line's echo, split and silence.
TEST(SimModel, AnswersEachCommandOnEveryKindOfLine) {
  const struct {
    const char* name;
    Bytes in;
    Bytes out;
    Bytes outLater = {};  // within the next 30 ms
    bool echo = false;
    std::optional<Time> split = {};
    bool muted = false;
  } cases[] = {
      {"poll", kPoll, {0x59}},
      {"identify: hardware 8250, firmware 1012", kIdentify, {0x59, 0x3A, 0x20, 0xF4, 0x03}},
      {"read settings 0 and 4", {0x51, 0x4B, 2, 0, 0x51, 0x4B, 2, 4}, {0x59, 2, 0x59, 1}},
      {"write, then read", {0x51, 0x4B, 3, 2, 3, 0x51, 0x4B, 2, 2}, {0x59, 3, 0x59, 3}},
      {"write out of range", {0x51, 0x4B, 3, 0, 9}, {0x59, 2}},
      {"throttle", {0x51, 0x4B, 4, 120}, {0x59}},
      {"speed, motor standing", {0x51, 0x4B, 5}, {0x59, 0, 0, 0}},
      {"echo", kPoll, {0x51, 0x4B, 0, 0x59}, {}, true},
      {"muted", kPoll, {}, {}, false, {}, true},
      {"echo while muted", kPoll, kPoll, {}, true, {}, true},
      {"split", kIdentify, {0x59, 0x3A, 0x20}, {0xF4, 0x03}, false, 30ms},
  };
  for (const auto& c : cases) {
    EscOptions options;
    options.line.echo = c.echo;
    options.line.split = c.split;
    Esc esc(options);
    esc.model.setMuted(c.muted, esc.now);
    EXPECT_EQ(esc.Send(c.in), c.out) << c.name;
    EXPECT_EQ(esc.Wait(30ms), c.outLater) << c.name;
  }
}

TEST(SimModel, TheLinkIsRepointedButNeverReplacesAFile) {
  const auto dir = std::filesystem::path(testing::TempDir()) / "sim_model_test";
  std::filesystem::create_directories(dir);
  const std::string link = dir / "esc";
  std::string error;
  ASSERT_TRUE(pointLink(link, "/dev/pts/old", error)) << error;
  ASSERT_TRUE(pointLink(link, "/dev/pts/new", error)) << error;
  EXPECT_EQ(std::filesystem::read_symlink(link), "/dev/pts/new");
  std::filesystem::remove(link);
  std::ofstream(link) << "not a link";
  EXPECT_FALSE(pointLink(link, "/dev/pts/new", error));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace velmar::sim
