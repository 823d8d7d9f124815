// SPDX-License-Identifier: GPL-3.0-or-later
// What the other tests take on trust from the simulated ESC: its answer to each command, and the
// echo, pacing and silence the end-to-end tests build their lines from.

#include <gtest/gtest.h>

#include "EscModel.h"

namespace velmar::sim {
namespace {

const Bytes kPoll = {0x51, 0x4B, 0x00};
const Bytes kIdentify = {0x51, 0x4B, 0x01};

// What goes out at the moment the request arrives.
TEST(SimModel, AnswersEachCommandOnEveryKindOfLine) {
  const struct {
    const char* name;
    Bytes in, out;
    bool echo = false, paced = false, muted = false;
  } cases[] = {
      {"poll", kPoll, {0x59}},
      {"identify: hardware 8250, firmware 1012", kIdentify, {0x59, 0x3A, 0x20, 0xF4, 0x03}},
      {"read settings 0 and 4", {0x51, 0x4B, 2, 0, 0x51, 0x4B, 2, 4}, {0x59, 2, 0x59, 1}},
      {"write, then read", {0x51, 0x4B, 3, 2, 3, 0x51, 0x4B, 2, 2}, {0x59, 3, 0x59, 3}},
      {"write out of range", {0x51, 0x4B, 3, 0, 9}, {0x59, 2}},
      {"throttle", {0x51, 0x4B, 4, 120}, {0x59}},
      {"speed, motor standing", {0x51, 0x4B, 5}, {0x59, 0, 0, 0}},
      {"echo", kPoll, {0x51, 0x4B, 0, 0x59}, true},
      {"paced: one byte per byte time", kIdentify, {0x59}, false, true},
      {"muted", kPoll, {}, false, false, true},
      {"echo while muted", kPoll, kPoll, true, false, true},
  };
  for (const auto& c : cases) {
    EscOptions options;
    options.line.echo = c.echo;
    options.line.wireTime = c.paced;
    const Time now = std::chrono::seconds(1000);
    EscModel esc(options, now);
    esc.SetMuted(c.muted, now);
    esc.Receive(c.in, now);
    Bytes out;
    for (auto due = esc.Pending(now); !due.empty(); due = esc.Pending(now)) {
      out.insert(out.end(), due.begin(), due.end());
      esc.Sent(due.size(), now);
    }
    EXPECT_EQ(out, c.out) << c.name;
  }
}

TEST(SimModel, MotorSettlesOnAConcaveCurveUpToMaxRpm) {
  const MotorOptions options;
  const auto rise = [&](int t) { return SteadyRpm(options, t) - SteadyRpm(options, t - 1); };
  for (int t = 1; t < kFullThrottle; ++t)
    EXPECT_TRUE(rise(t) > rise(t + 1) && rise(t + 1) > 0) << t;
  EXPECT_EQ(SteadyRpm(options, 0), 0);
  EXPECT_DOUBLE_EQ(SteadyRpm(options, kFullThrottle), options.maxRpm);
  Motor motor(options);
  motor.SetThrottle(100);
  motor.Run(options.tau * 20);
  EXPECT_NEAR(motor.Rpm(), SteadyRpm(options, 100), 0.01);
}

}  // namespace
}  // namespace velmar::sim
