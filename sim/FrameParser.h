// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace velmar::sim {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint8_t kRequestStart0 = 0x51;  // 'Q'
inline constexpr std::uint8_t kRequestStart1 = 0x4B;  // 'K'
inline constexpr std::uint8_t kReplyStart = 0x59;     // 'Y'

enum class Command : std::uint8_t {
  kPoll = 0,
  kIdentify = 1,
  kReadSetting = 2,
  kWriteSetting = 3,
  kThrottle = 4,
  kSpeed = 5,
};

// Length of a whole request frame ("QK", code, parameters) for a command code, or nothing when
// the ESC does not know the code.
std::optional<std::size_t> RequestLength(std::uint8_t code);

// Cuts the PC's byte stream into request frames. Requests carry no length and no checksum, so
// the command code alone says how many parameter bytes follow; anything before the next "QK" is
// line noise and is skipped.
class FrameParser {
 public:
  // Returns the whole frame, "QK" included, when `byte` completes one.
  std::optional<Bytes> Push(std::uint8_t byte);
  void Reset() { m_partial.clear(); }
  bool Idle() const { return m_partial.empty(); }

 private:
  Bytes m_partial;
  std::size_t m_length = 0;
};

}  // namespace velmar::sim
