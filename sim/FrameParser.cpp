// SPDX-License-Identifier: GPL-3.0-or-later
#include "FrameParser.h"

namespace velmar::sim {

std::optional<std::size_t> RequestLength(std::uint8_t code) {
  switch (static_cast<Command>(code)) {
    case Command::kPoll:
    case Command::kIdentify:
    case Command::kSpeed:
      return 3;
    case Command::kReadSetting:
    case Command::kThrottle:
      return 4;
    case Command::kWriteSetting:
      return 5;
  }
  return std::nullopt;
}

std::optional<Bytes> FrameParser::Push(std::uint8_t byte) {
  switch (m_partial.size()) {
    case 0:
      if (byte == kRequestStart0) m_partial.push_back(byte);
      return std::nullopt;
    case 1:
      if (byte == kRequestStart1) {
        m_partial.push_back(byte);
      } else if (byte != kRequestStart0) {
        m_partial.clear();  // a repeated 'Q' may still be the start of the frame
      }
      return std::nullopt;
    case 2: {
      const auto length = RequestLength(byte);
      if (!length) {
        // The "QK" was noise; the byte after it may itself begin the next frame.
        m_partial.clear();
        return Push(byte);
      }
      m_length = *length;
      break;
    }
    default:
      break;
  }
  m_partial.push_back(byte);
  if (m_partial.size() < m_length) return std::nullopt;
  Bytes frame;
  frame.swap(m_partial);
  return frame;
}

}  // namespace velmar::sim
