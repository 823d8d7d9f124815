#include "esc_model.h"

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

std::uint8_t lowByte(unsigned value) {
  return static_cast<std::uint8_t>(value & 0xFF);
}

std::uint8_t highByte(unsigned value) {
  return static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

}  // namespace

EscModel::EscModel(const EscOptions& options, Time start)
    : options_(options),
      settings_(options.settings),
      motor_(options.motor),
      output_(options.line.wire_time),
      random_(options.line.seed),
      now_(start),
      last_frame_at_(start) {}

void EscModel::receive(std::span<const std::uint8_t> bytes, Time now) {
  tick(now);
  if (options_.line.echo) output_.addEcho(bytes, now_);
  for (const auto byte : bytes) {
    if (auto frame = parser_.push(byte)) handleFrame(*frame, now_);
  }
}

void EscModel::tick(Time now) {
  now = std::max(now, now_);
  if (const auto deadline = failsafeDeadline(); deadline && *deadline <= now) {
    const Time at = std::max(*deadline, now_);
    motor_.run(at - now_);
    now_ = at;
    motor_.setThrottle(0);
    records_.push_back(eventRecord(at, "failsafe"));
  }
  motor_.run(now - now_);
  now_ = now;
}

std::optional<Time> EscModel::failsafeDeadline() const {
  if (options_.failsafe <= Time::zero() || motor_.throttle() == 0) return std::nullopt;
  return last_frame_at_ + options_.failsafe;
}

void EscModel::sent(std::size_t count, Time now) {
  if (auto done = output_.sent(count, now)) records_.push_back(std::move(*done));
}

std::optional<Time> EscModel::nextWake() const {
  const auto output = output_.nextWake();
  const auto failsafe = failsafeDeadline();
  if (!output) return failsafe;
  if (!failsafe) return output;
  return std::min(*output, *failsafe);
}

void EscModel::handleFrame(const Bytes& frame, Time now) {
  records_.push_back(Record{now, Record::Kind::kRx, {}, frame});
  last_frame_at_ = now;
  auto reply = execute(frame);
  if (!reply || muted_) return;
  send(std::move(*reply), now);
}

std::optional<Bytes> EscModel::execute(const Bytes& frame) {
  switch (static_cast<Command>(frame[2])) {
    case Command::kPoll:
      return Bytes{kReplyStart};
    case Command::kIdentify:
      return Bytes{kReplyStart, lowByte(options_.hardware), highByte(options_.hardware),
                   lowByte(options_.firmware), highByte(options_.firmware)};
    case Command::kReadSetting:
      if (frame[3] >= kSettingCount) return std::nullopt;
      return Bytes{kReplyStart, settings_[frame[3]]};
    case Command::kWriteSetting:
      if (frame[3] >= kSettingCount) return std::nullopt;
      writeSetting(frame[3], frame[4]);
      return Bytes{kReplyStart, settings_[frame[3]]};
    case Command::kThrottle:
      motor_.setThrottle(frame[3]);
      return Bytes{kReplyStart};
    case Command::kSpeed: {
      const auto period = motor_.period();
      return Bytes{kReplyStart, lowByte(period), highByte(period), lowByte(period >> 16)};
    }
  }
  return std::nullopt;
}

void EscModel::writeSetting(std::uint8_t index, std::uint8_t value) {
  if (options_.reject_writes) return;
  const Range range = kSettingRanges[index];
  if (value < range.low || value > range.high) return;
  settings_[index] = value;
}

void EscModel::send(Bytes reply, Time now) {
  const LineOptions& line = options_.line;
  if (chance(line.drop)) {
    records_.push_back(eventRecord(now, "drop"));
    return;
  }
  const Time ready = now + line.reply_delay;
  if (chance(line.noise)) {
    Bytes noise = noiseBytes();
    Record done = eventRecord({}, "noise", noise);
    output_.addReply(std::move(noise), ready, Time::zero(), std::move(done));
  }
  if (chance(line.corrupt)) corrupt(reply);

  Record done{{}, Record::Kind::kTx, {}, reply};
  if (!line.split || reply.size() < 2) {
    output_.addReply(std::move(reply), ready, Time::zero(), std::move(done));
    return;
  }
  const auto half = static_cast<std::ptrdiff_t>((reply.size() + 1) / 2);
  output_.addReply(Bytes(reply.begin(), reply.begin() + half), ready, Time::zero(), std::nullopt);
  output_.addReply(Bytes(reply.begin() + half, reply.end()), ready, *line.split, std::move(done));
}

bool EscModel::chance(double probability) {
  if (probability <= 0) return false;
  if (probability >= 1) return true;
  return std::bernoulli_distribution(probability)(random_);
}

Bytes EscModel::noiseBytes() {
  const int count = std::uniform_int_distribution<int>(1, 3)(random_);
  Bytes noise;
  for (int i = 0; i < count; ++i) {
    // Never the reply's start byte, so the PC could in principle skip the noise.
    const int byte = std::uniform_int_distribution<int>(0, 254)(random_);
    noise.push_back(static_cast<std::uint8_t>(byte < kReplyStart ? byte : byte + 1));
  }
  return noise;
}

void EscModel::corrupt(Bytes& reply) {
  if (reply.size() < 2) return;  // nothing but the start byte
  const auto index = std::uniform_int_distribution<std::size_t>(1, reply.size() - 1)(random_);
  const int flip = std::uniform_int_distribution<int>(1, 255)(random_);
  reply[index] ^= static_cast<std::uint8_t>(flip);
  records_.push_back(eventRecord(now_, "corrupt " + std::to_string(index)));
}

void EscModel::setMuted(bool muted, Time now) {
  tick(now);
  muted_ = muted;
  logEvent(muted ? "mute" : "unmute", now_);
}

bool EscModel::setSetting(int index, int value, Time now) {
  if (index < 0 || index >= kSettingCount || value < 0 || value > 0xFF) return false;
  tick(now);
  settings_[index] = static_cast<std::uint8_t>(value);
  logEvent("set " + std::to_string(index) + ' ' + std::to_string(value), now_);
  return true;
}

void EscModel::lineLost(Time now) {
  tick(now);
  output_.clear();
  parser_.reset();
  logEvent("hangup", now_);
}

void EscModel::logEvent(std::string text, Time now) {
  records_.push_back(eventRecord(std::max(now, now_), std::move(text)));
}

std::vector<Record> EscModel::takeRecords() {
  return std::exchange(records_, {});
}

}  // namespace velmar::sim
