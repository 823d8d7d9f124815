// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "FrameParser.h"
#include "SimTime.h"

namespace velmar::sim {

// One line of the simulator's log, which the end-to-end tests and the benchmark read back.
struct Record {
  enum class Kind { kRx, kTx, kEvent };

  Time at{};
  Kind kind = Kind::kEvent;
  std::string text;  // events only: the event's name and arguments
  Bytes bytes;       // rx: the whole frame; tx: the reply; events: bytes shown after the text
};

Record EventRecord(Time at, std::string text, Bytes bytes = {});

// "<µs> rx 51 4B 02 03", "<µs> tx 59 02", "<µs> event set 0 3"; no newline.
std::string FormatRecord(const Record& record);

}  // namespace velmar::sim
