// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>

namespace velmar {

using namespace std::chrono_literals;

// The link's fixed rhythm: one command on the wire at a time, the next one
// 10 ms after an exchange ends, an idle command every 100 ms, and 300 ms for a
// reply to come.
inline constexpr std::chrono::milliseconds kNextCommandInterval = 10ms;
inline constexpr std::chrono::milliseconds kIdlePollInterval = 100ms;
inline constexpr std::chrono::milliseconds kReplyTimeout = 300ms;

}  // namespace velmar
