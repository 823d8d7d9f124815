// SPDX-License-Identifier: GPL-3.0-or-later
#include "LineOutput.h"

#include <algorithm>

namespace velmar::sim {

void LineOutput::AddEcho(std::span<const std::uint8_t> bytes, Time now) {
  if (bytes.empty()) return;
  m_echo.push_back(Chunk{Bytes(bytes.begin(), bytes.end()), now, Time::zero(), std::nullopt});
}

void LineOutput::AddReply(Bytes bytes, Time ready, Time gap, std::optional<Record> done) {
  if (bytes.empty()) return;
  m_replies.push_back(Chunk{std::move(bytes), ready, gap, std::move(done)});
}

Time LineOutput::ReplyReadyAt() const {
  const Chunk& chunk = m_replies.front();
  return std::max(chunk.ready, m_replyFreeAt + chunk.gap);
}

LineOutput::Source LineOutput::NextSource(Time now) const {
  if (!m_echo.empty() && m_echo.front().ready <= now) return Source::kEcho;
  if (!m_replies.empty() && ReplyReadyAt() <= now) return Source::kReply;
  return Source::kNone;
}

std::span<const std::uint8_t> LineOutput::Pending(Time now) {
  if (m_active == Source::kNone) m_active = NextSource(now);
  if (m_active == Source::kNone) return {};
  if (m_paced && now < m_wireFreeAt) return {};
  const Bytes& bytes = Queue(m_active).front().bytes;
  const auto rest = std::span<const std::uint8_t>(bytes).subspan(m_sent);
  return m_paced ? rest.first(1) : rest;
}

std::optional<Record> LineOutput::Sent(std::size_t count, Time now) {
  if (m_active == Source::kNone || count == 0) return std::nullopt;
  auto& source = Queue(m_active);
  Chunk& chunk = source.front();
  m_sent = std::min(m_sent + count, chunk.bytes.size());
  if (m_paced) m_wireFreeAt = now + kByteTime * static_cast<int>(count);
  if (m_sent < chunk.bytes.size()) return std::nullopt;

  auto done = std::move(chunk.done);
  if (done) done->at = now;
  if (m_active == Source::kReply) m_replyFreeAt = now;
  source.pop_front();
  m_active = Source::kNone;
  m_sent = 0;
  return done;
}

std::optional<Time> LineOutput::NextWake() const {
  std::optional<Time> wake;
  if (m_active != Source::kNone) {
    wake = Time::min();
  } else {
    if (!m_echo.empty()) wake = m_echo.front().ready;
    if (!m_replies.empty()) wake = std::min(wake.value_or(Time::max()), ReplyReadyAt());
  }
  if (wake && m_paced) wake = std::max(*wake, m_wireFreeAt);
  return wake;
}

void LineOutput::Clear() {
  m_echo.clear();
  m_replies.clear();
  m_active = Source::kNone;
  m_sent = 0;
}

}  // namespace velmar::sim
