// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>

#include "Record.h"
#include "SimTime.h"

namespace velmar::sim {

// What the ESC puts on the line, and when. The line's echo of the PC's own bytes goes out as
// soon as it can; replies go out one after another, each no earlier than its ready time, and a
// chunk that has started is finished before anything else is sent. When paced, no byte leaves
// sooner than one byte time after the one before it, as on a real 38400 baud line.
class LineOutput {
 public:
  explicit LineOutput(bool paced) : m_paced(paced) {}

  void AddEcho(std::span<const std::uint8_t> bytes, Time now);
  // `gap` is a pause after the previous reply chunk has gone out (the second half of a split
  // reply); `done` is logged once the chunk's last byte has been written.
  void AddReply(Bytes bytes, Time ready, Time gap, std::optional<Record> done);

  // The bytes that may be written at `now`.
  std::span<const std::uint8_t> Pending(Time now);
  // The caller wrote `count` of the pending bytes at `now`; returns the record of a finished
  // chunk, stamped with `now`.
  std::optional<Record> Sent(std::size_t count, Time now);
  // When Pending() will next have something; a time not after now means "as soon as the line
  // takes it".
  std::optional<Time> NextWake() const;
  void Clear();

 private:
  struct Chunk {
    Bytes bytes;
    Time ready{};
    Time gap{};
    std::optional<Record> done;
  };
  enum class Source { kNone, kEcho, kReply };

  Source NextSource(Time now) const;
  Time ReplyReadyAt() const;
  std::deque<Chunk>& Queue(Source source) { return source == Source::kEcho ? m_echo : m_replies; }

  bool m_paced;
  std::deque<Chunk> m_echo;
  std::deque<Chunk> m_replies;
  Source m_active = Source::kNone;
  std::size_t m_sent = 0;  // of the active chunk
  Time m_replyFreeAt{};    // when the previous reply chunk finished
  Time m_wireFreeAt{};     // paced: when the next byte may go
};

}  // namespace velmar::sim
