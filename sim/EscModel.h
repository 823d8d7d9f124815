// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "FrameParser.h"
#include "LineOutput.h"
#include "Motor.h"
#include "Record.h"
#include "SimTime.h"

namespace velmar::sim {

inline constexpr int kSettingCount = 5;
using Settings = std::array<std::uint8_t, kSettingCount>;

// Cutoff voltage, brake, timing, cutoff type, direction, as wire values.
inline constexpr Settings kDefaultSettings = {2, 1, 2, 2, 1};

// The line between the PC and the ESC, and its faults.
struct LineOptions {
  bool echo = false;      // a half-duplex line hands the PC back every byte it sends
  bool wireTime = false;  // pace output at 38400 baud instead of all at once
  Time replyDelay{};
  std::optional<Time> split;  // send replies in two parts with this pause between
  double drop = 0;            // probability that a reply never comes
  double noise = 0;           // probability of stray bytes before a reply
  double corrupt = 0;         // probability that one data byte of a reply is changed
  std::uint32_t seed = 1;
};

struct EscOptions {
  Settings settings = kDefaultSettings;
  bool rejectWrites = false;
  std::uint16_t hardware = 8250;
  std::uint16_t firmware = 1012;
  MotorOptions motor;
  Time failsafe = std::chrono::milliseconds(1000);  // zero: never
  LineOptions line;
};

// The simulated ESC: it takes the PC's bytes, answers complete requests, runs the motor and
// decides what goes back on the line and when. No I/O; the caller moves the bytes and the time.
class EscModel {
 public:
  EscModel(const EscOptions& options, Time start);

  void Receive(std::span<const std::uint8_t> bytes, Time now);
  // Brings the motor and the failsafe up to `now`.
  void Tick(Time now);

  // Output: write Pending(now), then report with Sent() how many bytes went out.
  std::span<const std::uint8_t> Pending(Time now) { return m_output.Pending(now); }
  void Sent(std::size_t count, Time now);
  // When the model next wants to act (output due, failsafe), if ever.
  std::optional<Time> NextWake() const;

  void SetMuted(bool muted, Time now);
  bool SetSetting(int index, int value, Time now);
  // The line went away: whatever was on its way to the PC is lost.
  void LineLost(Time now);
  void LogEvent(std::string text, Time now);
  std::vector<Record> TakeRecords();

  std::uint8_t Setting(int index) const { return m_settings.at(index); }
  int Throttle() const { return m_motor.Throttle(); }
  double Rpm() const { return m_motor.Rpm(); }
  bool Muted() const { return m_muted; }

 private:
  void HandleFrame(const Bytes& frame, Time now);
  std::optional<Bytes> Execute(const Bytes& frame);
  void WriteSetting(std::uint8_t index, std::uint8_t value);
  void Send(Bytes reply, Time now);
  bool Chance(double probability);
  Bytes NoiseBytes();
  void Corrupt(Bytes& reply);
  std::optional<Time> FailsafeDeadline() const;

  EscOptions m_options;
  Settings m_settings;
  FrameParser m_parser;
  Motor m_motor;
  LineOutput m_output;
  std::mt19937 m_random;
  bool m_muted = false;
  Time m_now;
  Time m_lastFrameAt;
  std::vector<Record> m_records;
};

}  // namespace velmar::sim
