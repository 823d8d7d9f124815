// SPDX-License-Identifier: GPL-3.0-or-later
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

  // What one byte did: dropped as noise, taken as part of the echo or the
  // reply, or completed the reply (the caller then processes the reply and
  // calls Restart()).
  enum class Taken { Dropped, Progress, Complete };
  Taken Take(uint8_t b, CmdRecord& head);

  bool Complete(const CmdRecord& head) const { return ReplyLen >= head.RxLen; }

  int32_t RxCount = 0;  // bytes read since the send, echo included
  bool SkipEcho = false;
  bool ReplyStarted = false;
  int32_t ReplyLen = 0;  // reply bytes stored, the marker included
};

}  // namespace velmar
