#include "line_output.h"

#include <algorithm>

namespace velmar::sim {

void LineOutput::addEcho(std::span<const std::uint8_t> bytes, Time now) {
  if (bytes.empty()) return;
  echo_.push_back(Chunk{Bytes(bytes.begin(), bytes.end()), now, Time::zero(), std::nullopt});
}

void LineOutput::addReply(Bytes bytes, Time ready, Time gap, std::optional<Record> done) {
  if (bytes.empty()) return;
  replies_.push_back(Chunk{std::move(bytes), ready, gap, std::move(done)});
}

Time LineOutput::replyReadyAt() const {
  const Chunk& chunk = replies_.front();
  return std::max(chunk.ready, reply_free_at_ + chunk.gap);
}

LineOutput::Source LineOutput::nextSource(Time now) const {
  if (!echo_.empty() && echo_.front().ready <= now) return Source::kEcho;
  if (!replies_.empty() && replyReadyAt() <= now) return Source::kReply;
  return Source::kNone;
}

std::span<const std::uint8_t> LineOutput::pending(Time now) {
  if (active_ == Source::kNone) active_ = nextSource(now);
  if (active_ == Source::kNone) return {};
  if (paced_ && now < wire_free_at_) return {};
  const Bytes& bytes = queue(active_).front().bytes;
  const auto rest = std::span<const std::uint8_t>(bytes).subspan(sent_);
  return paced_ ? rest.first(1) : rest;
}

std::optional<Record> LineOutput::sent(std::size_t count, Time now) {
  if (active_ == Source::kNone || count == 0) return std::nullopt;
  auto& source = queue(active_);
  Chunk& chunk = source.front();
  sent_ = std::min(sent_ + count, chunk.bytes.size());
  if (paced_) wire_free_at_ = now + kByteTime * static_cast<int>(count);
  if (sent_ < chunk.bytes.size()) return std::nullopt;

  auto done = std::move(chunk.done);
  if (done) done->at = now;
  if (active_ == Source::kReply) reply_free_at_ = now;
  source.pop_front();
  active_ = Source::kNone;
  sent_ = 0;
  return done;
}

std::optional<Time> LineOutput::nextWake() const {
  std::optional<Time> wake;
  if (active_ != Source::kNone) {
    wake = Time::min();
  } else {
    if (!echo_.empty()) wake = echo_.front().ready;
    if (!replies_.empty()) wake = std::min(wake.value_or(Time::max()), replyReadyAt());
  }
  if (wake && paced_) wake = std::max(*wake, wire_free_at_);
  return wake;
}

void LineOutput::clear() {
  echo_.clear();
  replies_.clear();
  active_ = Source::kNone;
  sent_ = 0;
}

}  // namespace velmar::sim
