// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

#include "protocol/Commands.h"

namespace velmar {

// The ring of commands waiting to be sent. The head is the command on the wire,
// or the next to go; it stays there until its reply has been processed.
struct CommandRing {
  static constexpr int kSlots = 20;

  std::array<CmdRecord, kSlots> CmdQueue{};
  int32_t QueueHead = 0;
  int32_t QueueTail = 0;

  // Appends a command at QueueTail. A 20th waiting command is refused: taking
  // it would make the ring read as empty. Fields not given keep what the slot
  // held before.
  bool EnqueueCommand(const Command& command);

  bool Empty() const { return QueueHead == QueueTail; }
  int Waiting() const { return (QueueTail - QueueHead + kSlots) % kSlots; }
  CmdRecord& Head() { return CmdQueue[QueueHead]; }
  const CmdRecord& Head() const { return CmdQueue[QueueHead]; }

  // Puts a command before the head, to go out next. A full ring gives up its last
  // command for it: what is put first must not wait.
  void PushFront(const Command& command);

  // Moves past the head once its reply has been processed; never past the tail.
  void AdvanceHead();

  // Drops every waiting command and turns the head slot into a status poll.
  void CutToPoll();
};

}  // namespace velmar
