// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandRing.h"

#include "protocol/Commands.h"

namespace velmar {
namespace {
int32_t Next(int32_t i) {
  return i + 1 == CommandRing::kSlots ? 0 : i + 1;
}
int32_t Previous(int32_t i) {
  return i == 0 ? CommandRing::kSlots - 1 : i - 1;
}
void Fill(CmdRecord& slot, const Command& command) {
  slot.Cmd = command.code;
  slot.TxLen = command.txLen;
  slot.RxLen = command.rxLen;
  if (command.txLen >= 2) slot.Param[1] = command.param1;
  if (command.txLen >= 3) slot.Param[2] = command.param2;
}
}  // namespace

bool CommandRing::EnqueueCommand(const Command& command) {
  if (Waiting() == kSlots - 1) return false;
  const int32_t i = QueueTail;
  QueueTail = Next(QueueTail);
  Fill(CmdQueue[i], command);
  return true;
}

void CommandRing::PushFront(const Command& command) {
  if (Waiting() == kSlots - 1) QueueTail = Previous(QueueTail);
  QueueHead = Previous(QueueHead);
  Fill(Head(), command);
}

void CommandRing::AdvanceHead() {
  if (Empty()) return;
  QueueHead = Next(QueueHead);
}

void CommandRing::CutToPoll() {
  QueueTail = Next(QueueHead);
  CmdRecord& head = Head();
  const Command poll = PollCommand();
  head.Cmd = poll.code;
  head.TxLen = poll.txLen;
  head.RxLen = poll.rxLen;
}

}  // namespace velmar
