// What the other tests rely on from the simulated ESC: its answers, its echo, split and mute,
// and the link that follows its device across a hang-up.

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

TEST(SimModel, AnswersEachCommand) {
  const struct {
    const char* name;
    Bytes in;
    Bytes out;
  } cases[] = {
      {"poll", kPoll, {0x59}},
      {"identify: hardware 8250, firmware 1012", kIdentify, {0x59, 0x3A, 0x20, 0xF4, 0x03}},
      {"read settings 0 and 4",
       {0x51, 0x4B, 0x02, 0x00, 0x51, 0x4B, 0x02, 0x04},
       {0x59, 2, 0x59, 1}},
      {"write, then read",
       {0x51, 0x4B, 0x03, 0x02, 0x03, 0x51, 0x4B, 0x02, 0x02},
       {0x59, 3, 0x59, 3}},
      {"write out of range", {0x51, 0x4B, 0x03, 0x00, 0x09}, {0x59, 2}},
      {"throttle", {0x51, 0x4B, 0x04, 0x78}, {0x59}},
      {"speed, motor standing", {0x51, 0x4B, 0x05}, {0x59, 0, 0, 0}},
  };
  for (const auto& c : cases) EXPECT_EQ(Esc().Send(c.in), c.out) << c.name;
}

TEST(SimModel, EchoesEveryByteEvenWhileMuted) {
  EscOptions options;
  options.line.echo = true;
  Esc esc(options);
  EXPECT_EQ(esc.Send(kPoll), Bytes({0x51, 0x4B, 0x00, 0x59}));
  esc.model.setMuted(true, esc.now);
  EXPECT_EQ(esc.Send(kPoll), kPoll);
  esc.model.setMuted(false, esc.now);
  EXPECT_EQ(esc.Send(kPoll), Bytes({0x51, 0x4B, 0x00, 0x59}));
}

TEST(SimModel, SplitsAReplyWithAPause) {
  EscOptions options;
  options.line.split = 30ms;
  Esc esc(options);
  EXPECT_EQ(esc.Send(kIdentify), Bytes({0x59, 0x3A, 0x20}));
  EXPECT_EQ(esc.Wait(29ms), Bytes{});
  EXPECT_EQ(esc.Wait(1ms), Bytes({0xF4, 0x03}));
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
