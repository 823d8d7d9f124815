// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>

namespace velmar::sim {

// The model never reads a clock: every call brings the time, so tests can drive it by hand and
// the program passes CLOCK_MONOTONIC.
using Time = std::chrono::nanoseconds;

// One byte on a 38400 baud 8N1 line: start bit, eight data bits, stop bit.
inline constexpr Time kByteTime{10 * 1'000'000'000LL / 38400};

}  // namespace velmar::sim
