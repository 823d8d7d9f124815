// SPDX-License-Identifier: GPL-3.0-or-later
// What the other tests take on trust from the simulated ESC: its answer to each command, and the
// echo, pacing and silence the end-to-end tests build their lines from; and the figures and
// lines of the simulated bench sensor.

#include <gtest/gtest.h>

#include <cmath>

#include "EscModel.h"
#include "SensorModel.h"

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

TEST(SimSensor, ReadsThePropellerAndTheBattery) {
  PropellerOptions quiet;
  quiet.noise = 0;
  PropellerOptions second = quiet;
  second.thrustAt10k = 800;
  second.torqueAt10k = 0.070;
  second.thrustTare = 0;
  second.batteryVoltage = 12.6;
  PropellerOptions noisy;
  noisy.noise = 2;
  const struct {
    const char* name;
    PropellerOptions options;
    double rpm;
    SensorReading want;
  } cases[] = {
      {"at rest: the tare, the idle current", quiet, 0, {37.5, 0.0008, 0.6, 16.782}},
      {"10,000 r/min", quiet, 10'000, {487.5, 0.0408, 3.7376, 16.6879}},
      {"a second propeller at 5,000 r/min", second, 5'000, {200, 0.0183, 1.5123, 12.5546}},
      {"noise: each draw one spread, doubled", noisy, 0, {38.5, 0.0012, 0.64, 16.792}},
  };
  for (const auto& c : cases) {
    const auto got = Sense(c.options, c.rpm, [] { return 1.0; });
    EXPECT_NEAR(got.thrust, c.want.thrust, 1e-9) << c.name;
    EXPECT_NEAR(got.torque, c.want.torque, 1e-9) << c.name;
    EXPECT_NEAR(got.current, c.want.current, 1e-4) << c.name;
    EXPECT_NEAR(got.voltage, c.want.voltage, 1e-4) << c.name;
  }
}

// Every second line junk, one line a second and none between; a CSV header at the start and
// every 5 s.
TEST(SimSensor, SendsEachJunkKindInTurnBetweenGoodLines) {
  const std::string zeros(260, '0');
  const struct {
    bool csv;
    std::string good;
    std::vector<std::string> junk;
  } cases[] = {
      {false,
       "thrust_g:37.50 torque_nm:0.00080 current_a:0.600 voltage_v:16.782\r\n",
       {"thrust_g:" + zeros + "37.50 torque_nm:0.00080 current_a:0.600 voltage_v:16.782\r\n",
        "\xFF\xFEthrust_g:37.50 torque_nm:0.00080 current_a:0.600 voltage_v:16.782\r\n",
        "thrust_g:nan torque_nm:0.00080 current_a:0.600 voltage_v:16.782\r\n",
        "thrust_g:37.50 torque_nm:0.00080 current_a:1e999 voltage_v:16.782\r\n",
        "Tare complete\r\n", "thrust_g:37.50 torque_nm:0.00080"}},
      {true,
       "37.50,0.00080,0.600,16.782\r\n",
       {zeros + "37.50,0.00080,0.600,16.782\r\n",
        "\xFF\xFE"
        "37.50,0.00080,0.600,16.782\r\n",
        "nan,0.00080,0.600,16.782\r\n", "37.50,0.00080,1e999,16.782\r\n", "37.50,0.00080,0.600\r\n",
        "Tare complete\r\n", "37.50,0.00080"}},
  };
  for (const auto& c : cases) {
    SensorOptions options;
    options.rate = 1;
    options.csv = c.csv;
    options.junkEvery = 2;
    options.propeller.noise = 0;
    SensorFeed feed(options, 1, Time{});
    std::string sent, want;
    for (std::size_t i = 0; i < 4 * c.junk.size(); ++i) {
      const Time at = std::chrono::seconds(i);
      sent += feed.Take(at, 0) + feed.Take(at + std::chrono::milliseconds(999), 0);
      if (c.csv && i % 5 == 0) want += "thrust_g,torque_nm,current_a,voltage_v\r\n";
      want += i % 2 == 0 ? c.good : c.junk[i / 2 % c.junk.size()];
    }
    EXPECT_EQ(sent, want) << c.csv;
  }
}

}  // namespace
}  // namespace velmar::sim
