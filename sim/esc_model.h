#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "frame_parser.h"
#include "line_output.h"
#include "motor.h"
#include "record.h"
#include "sim_time.h"

namespace velmar::sim {

inline constexpr int kSettingCount = 5;
using Settings = std::array<std::uint8_t, kSettingCount>;

// Cutoff voltage, brake, timing, cutoff type, direction, as wire values.
inline constexpr Settings kDefaultSettings = {2, 1, 2, 2, 1};

// The line between the PC and the ESC, and its faults.
struct LineOptions {
  bool echo = false;       // a half-duplex line hands the PC back every byte it sends
  bool wire_time = false;  // pace output at 38400 baud instead of all at once
  Time reply_delay{};
  std::optional<Time> split;  // send replies in two parts with this pause between
  double drop = 0;            // probability that a reply never comes
  double noise = 0;           // probability of stray bytes before a reply
  double corrupt = 0;         // probability that one data byte of a reply is changed
  std::uint32_t seed = 1;
};

struct EscOptions {
  Settings settings = kDefaultSettings;
  bool reject_writes = false;
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

  void receive(std::span<const std::uint8_t> bytes, Time now);
  // Brings the motor and the failsafe up to `now`.
  void tick(Time now);

  // Output: write pending(now), then report with sent() how many bytes went out.
  std::span<const std::uint8_t> pending(Time now) { return output_.pending(now); }
  void sent(std::size_t count, Time now);
  // When the model next wants to act (output due, failsafe), if ever.
  std::optional<Time> nextWake() const;

  void setMuted(bool muted, Time now);
  bool setSetting(int index, int value, Time now);
  // The line went away: whatever was on its way to the PC is lost.
  void lineLost(Time now);
  void logEvent(std::string text, Time now);
  std::vector<Record> takeRecords();

  std::uint8_t setting(int index) const { return settings_.at(index); }
  int throttle() const { return motor_.throttle(); }
  double rpm() const { return motor_.rpm(); }
  bool muted() const { return muted_; }

 private:
  void handleFrame(const Bytes& frame, Time now);
  std::optional<Bytes> execute(const Bytes& frame);
  void writeSetting(std::uint8_t index, std::uint8_t value);
  void send(Bytes reply, Time now);
  bool chance(double probability);
  Bytes noiseBytes();
  void corrupt(Bytes& reply);
  std::optional<Time> failsafeDeadline() const;

  EscOptions options_;
  Settings settings_;
  FrameParser parser_;
  Motor motor_;
  LineOutput output_;
  std::mt19937 random_;
  bool muted_ = false;
  Time now_;
  Time last_frame_at_;
  std::vector<Record> records_;
};

}  // namespace velmar::sim
