#include "frame_parser.h"

namespace velmar::sim {

std::optional<std::size_t> requestLength(std::uint8_t code) {
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

std::optional<Bytes> FrameParser::push(std::uint8_t byte) {
  switch (partial_.size()) {
    case 0:
      if (byte == kRequestStart0) partial_.push_back(byte);
      return std::nullopt;
    case 1:
      if (byte == kRequestStart1) {
        partial_.push_back(byte);
      } else if (byte != kRequestStart0) {
        partial_.clear();  // a repeated 'Q' may still be the start of the frame
      }
      return std::nullopt;
    case 2: {
      const auto length = requestLength(byte);
      if (!length) {
        // The "QK" was noise; the byte after it may itself begin the next frame.
        partial_.clear();
        return push(byte);
      }
      length_ = *length;
      break;
    }
    default:
      break;
  }
  partial_.push_back(byte);
  if (partial_.size() < length_) return std::nullopt;
  Bytes frame;
  frame.swap(partial_);
  return frame;
}

}  // namespace velmar::sim
