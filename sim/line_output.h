#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>

#include "record.h"
#include "sim_time.h"

namespace velmar::sim {

// What the ESC puts on the line, and when. The line's echo of the PC's own bytes goes out as
// soon as it can; replies go out one after another, each no earlier than its ready time, and a
// chunk that has started is finished before anything else is sent. When paced, no byte leaves
// sooner than one byte time after the one before it, as on a real 38400 baud line.
class LineOutput {
 public:
  explicit LineOutput(bool paced) : paced_(paced) {}

  void addEcho(std::span<const std::uint8_t> bytes, Time now);
  // `gap` is a pause after the previous reply chunk has gone out (the second half of a split
  // reply); `done` is logged once the chunk's last byte has been written.
  void addReply(Bytes bytes, Time ready, Time gap, std::optional<Record> done);

  // The bytes that may be written at `now`.
  std::span<const std::uint8_t> pending(Time now);
  // The caller wrote `count` of the pending bytes at `now`; returns the record of a finished
  // chunk, stamped with `now`.
  std::optional<Record> sent(std::size_t count, Time now);
  // When pending() will next have something; a time not after now means "as soon as the line
  // takes it".
  std::optional<Time> nextWake() const;
  void clear();

 private:
  struct Chunk {
    Bytes bytes;
    Time ready{};
    Time gap{};
    std::optional<Record> done;
  };
  enum class Source { kNone, kEcho, kReply };

  Source nextSource(Time now) const;
  Time replyReadyAt() const;
  std::deque<Chunk>& queue(Source source) { return source == Source::kEcho ? echo_ : replies_; }

  bool paced_;
  std::deque<Chunk> echo_;
  std::deque<Chunk> replies_;
  Source active_ = Source::kNone;
  std::size_t sent_ = 0;  // of the active chunk
  Time reply_free_at_{};  // when the previous reply chunk finished
  Time wire_free_at_{};   // paced: when the next byte may go
};

}  // namespace velmar::sim
