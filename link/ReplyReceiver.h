#pragma once

#include <cstdint>

#include "protocol/Commands.h"

namespace velmar {

// Turns the bytes read after a send into the head command's reply: skips the
// echo of the frame when the line returns it, drops whatever comes before the
// marker, stores the reply into the head record. Bytes in, "complete" out.
class ReplyReceiver {
 public:
  // A new exchange: the next byte read decides again whether the line echoes.
  // Called at every send and whenever the head command is replaced, so bytes of
  // an old exchange can never complete a new one.
  void Restart();

  // Takes one byte read from the port. Returns true when it completes the
  // reply; the caller then processes the reply and calls Restart().
  bool Take(uint8_t b, CmdRecord& head);

  bool Complete(const CmdRecord& head) const { return ReplyLen >= head.RxLen; }
  // The echo or the reply is coming in, as opposed to nothing or noise so far.
  bool Underway() const { return SkipEcho || ReplyStarted; }

  int32_t RxCount = 0;  // bytes read since the send, echo included
  bool SkipEcho = false;
  bool ReplyStarted = false;
  int32_t ReplyLen = 0;  // reply bytes stored, the marker included
};

}  // namespace velmar
