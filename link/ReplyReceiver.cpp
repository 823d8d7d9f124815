// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReplyReceiver.h"

#include <algorithm>

namespace velmar {

void ReplyReceiver::Restart() {
  RxCount = 0;
  SkipEcho = false;
  ReplyStarted = false;
  ReplyLen = 0;
}

ReplyReceiver::Taken ReplyReceiver::Take(uint8_t b, CmdRecord& head) {
  ++RxCount;
  // The first byte after a send tells whether the line echoes.
  if (RxCount == 1) {
    SkipEcho = b == kMagic1;
    if (!SkipEcho) ReplyStarted = false;
  }
  if (SkipEcho) {
    // The echo is skipped by count, whatever its bytes say.
    if (RxCount == head.TxLen + 2) {
      SkipEcho = false;
      ReplyStarted = false;
    }
    return Taken::Progress;
  }
  if (!ReplyStarted) {
    ReplyStarted = b == kReplyMarker;
    ReplyLen = 0;
    if (!ReplyStarted) return Taken::Dropped;
  }
  const int32_t room = std::min<int32_t>(head.RxLen, int32_t(head.Reply.size()));
  if (ReplyLen < room) head.Reply[ReplyLen++] = b;
  return Complete(head) ? Taken::Complete : Taken::Progress;
}

}  // namespace velmar
