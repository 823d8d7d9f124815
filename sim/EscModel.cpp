// SPDX-License-Identifier: GPL-3.0-or-later
#include "EscModel.h"

#include <algorithm>
#include <utility>

namespace velmar::sim {
namespace {

struct Range {
  std::uint8_t low;
  std::uint8_t high;
};

// The values the ESC accepts for each setting; it keeps its old value for anything else.
constexpr std::array<Range, kSettingCount> kSettingRanges = {
    {{1, 8}, {1, 2}, {1, 3}, {1, 2}, {1, 2}}};

std::uint8_t LowByte(unsigned value) {
  return static_cast<std::uint8_t>(value & 0xFF);
}

std::uint8_t HighByte(unsigned value) {
  return static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

}  // namespace

EscModel::EscModel(const EscOptions& options, Time start)
    : m_options(options),
      m_settings(options.settings),
      m_motor(options.motor),
      m_output(options.line.wireTime),
      m_random(options.line.seed),
      m_now(start),
      m_lastFrameAt(start) {}

void EscModel::Receive(std::span<const std::uint8_t> bytes, Time now) {
  Tick(now);
  if (m_options.line.echo) m_output.AddEcho(bytes, m_now);
  for (const auto byte : bytes) {
    if (auto frame = m_parser.Push(byte)) HandleFrame(*frame, m_now);
  }
}

void EscModel::Tick(Time now) {
  now = std::max(now, m_now);
  if (const auto deadline = FailsafeDeadline(); deadline && *deadline <= now) {
    const Time at = std::max(*deadline, m_now);
    m_motor.Run(at - m_now);
    m_now = at;
    m_motor.SetThrottle(0);
    m_records.push_back(EventRecord(at, "failsafe"));
  }
  m_motor.Run(now - m_now);
  m_now = now;
}

std::optional<Time> EscModel::FailsafeDeadline() const {
  if (m_options.failsafe <= Time::zero() || m_motor.Throttle() == 0) return std::nullopt;
  return m_lastFrameAt + m_options.failsafe;
}

void EscModel::Sent(std::size_t count, Time now) {
  if (auto done = m_output.Sent(count, now)) m_records.push_back(std::move(*done));
}

std::optional<Time> EscModel::NextWake() const {
  const auto output = m_output.NextWake();
  const auto failsafe = FailsafeDeadline();
  if (!output) return failsafe;
  if (!failsafe) return output;
  return std::min(*output, *failsafe);
}

void EscModel::HandleFrame(const Bytes& frame, Time now) {
  m_records.push_back(Record{now, Record::Kind::kRx, {}, frame});
  m_lastFrameAt = now;
  auto reply = Execute(frame);
  if (!reply || m_muted) return;
  Send(std::move(*reply), now);
}

std::optional<Bytes> EscModel::Execute(const Bytes& frame) {
  switch (static_cast<Command>(frame[2])) {
    case Command::kPoll:
      return Bytes{kReplyStart};
    case Command::kIdentify:
      return Bytes{kReplyStart, LowByte(m_options.hardware), HighByte(m_options.hardware),
                   LowByte(m_options.firmware), HighByte(m_options.firmware)};
    case Command::kReadSetting:
      if (frame[3] >= kSettingCount) return std::nullopt;
      return Bytes{kReplyStart, m_settings[frame[3]]};
    case Command::kWriteSetting:
      if (frame[3] >= kSettingCount) return std::nullopt;
      WriteSetting(frame[3], frame[4]);
      return Bytes{kReplyStart, m_settings[frame[3]]};
    case Command::kThrottle:
      m_motor.SetThrottle(frame[3]);
      return Bytes{kReplyStart};
    case Command::kSpeed: {
      const auto period = m_motor.Period();
      return Bytes{kReplyStart, LowByte(period), HighByte(period), LowByte(period >> 16)};
    }
  }
  return std::nullopt;
}

void EscModel::WriteSetting(std::uint8_t index, std::uint8_t value) {
  if (m_options.rejectWrites) return;
  const Range range = kSettingRanges[index];
  if (value < range.low || value > range.high) return;
  m_settings[index] = value;
}

void EscModel::Send(Bytes reply, Time now) {
  const LineOptions& line = m_options.line;
  if (Chance(line.drop)) {
    m_records.push_back(EventRecord(now, "drop"));
    return;
  }
  const Time ready = now + line.replyDelay;
  if (Chance(line.noise)) {
    Bytes noise = NoiseBytes();
    Record done = EventRecord({}, "noise", noise);
    m_output.AddReply(std::move(noise), ready, Time::zero(), std::move(done));
  }
  if (Chance(line.corrupt)) Corrupt(reply);

  Record done{{}, Record::Kind::kTx, {}, reply};
  if (!line.split || reply.size() < 2) {
    m_output.AddReply(std::move(reply), ready, Time::zero(), std::move(done));
    return;
  }
  const auto half = static_cast<std::ptrdiff_t>((reply.size() + 1) / 2);
  m_output.AddReply(Bytes(reply.begin(), reply.begin() + half), ready, Time::zero(), std::nullopt);
  m_output.AddReply(Bytes(reply.begin() + half, reply.end()), ready, *line.split, std::move(done));
}

bool EscModel::Chance(double probability) {
  if (probability <= 0) return false;
  if (probability >= 1) return true;
  return std::bernoulli_distribution(probability)(m_random);
}

Bytes EscModel::NoiseBytes() {
  const int count = std::uniform_int_distribution<int>(1, 3)(m_random);
  Bytes noise;
  for (int i = 0; i < count; ++i) {
    // Never the reply's start byte, so the PC could in principle skip the noise.
    const int byte = std::uniform_int_distribution<int>(0, 254)(m_random);
    noise.push_back(static_cast<std::uint8_t>(byte < kReplyStart ? byte : byte + 1));
  }
  return noise;
}

void EscModel::Corrupt(Bytes& reply) {
  if (reply.size() < 2) return;  // nothing but the start byte
  const auto index = std::uniform_int_distribution<std::size_t>(1, reply.size() - 1)(m_random);
  const int flip = std::uniform_int_distribution<int>(1, 255)(m_random);
  reply[index] ^= static_cast<std::uint8_t>(flip);
  m_records.push_back(EventRecord(m_now, "corrupt " + std::to_string(index)));
}

void EscModel::SetMuted(bool muted, Time now) {
  Tick(now);
  m_muted = muted;
  LogEvent(muted ? "mute" : "unmute", m_now);
}

bool EscModel::SetSetting(int index, int value, Time now) {
  if (index < 0 || index >= kSettingCount || value < 0 || value > 0xFF) return false;
  Tick(now);
  m_settings[index] = static_cast<std::uint8_t>(value);
  LogEvent("set " + std::to_string(index) + ' ' + std::to_string(value), m_now);
  return true;
}

void EscModel::LineLost(Time now) {
  Tick(now);
  m_output.Clear();
  m_parser.Reset();
  LogEvent("hangup", m_now);
}

void EscModel::LogEvent(std::string text, Time now) {
  m_records.push_back(EventRecord(std::max(now, m_now), std::move(text)));
}

std::vector<Record> EscModel::TakeRecords() {
  return std::exchange(m_records, {});
}

}  // namespace velmar::sim
