// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <span>
#include <string_view>

#include "Settings.h"

namespace velmar {

// What each setting offers: its key in settings files and JSON, its caption,
// and its list's entries in order (UTF-8, without the default marker " *").
// On the wire an entry's value is its index + 1.
struct SettingList {
  SettingNumber number;
  std::string_view key;
  std::string_view caption;
  std::span<const std::string_view> entries;
  int defaultIndex;
};

namespace detail {
inline constexpr std::string_view kCutOffVEntries[] = {"4.8V", "5.6V", "6.0V",  "7.2V",
                                                       "8.4V", "9.0V", "11.0V", "12.0V"};
inline constexpr std::string_view kBrakeEntries[] = {"Disable", "Enable"};
inline constexpr std::string_view kTimingEntries[] = {"4-10\u00B0", "10-20\u00B0", "20-30\u00B0"};
inline constexpr std::string_view kCutOffTEntries[] = {"Hard Cutoff", "Soft Cutoff"};
inline constexpr std::string_view kDirEntries[] = {"Forward", "Reverse"};
}  // namespace detail

// By setting number.
inline constexpr std::array<SettingList, kSettingCount> kSettingLists{{
    {kCutOffV, "cutoffVoltage", "1.Cutoff Voltage", detail::kCutOffVEntries, 1},
    {kBrake, "brake", "2.Brake", detail::kBrakeEntries, 0},
    {kTiming, "timing", "3.Timing Advance", detail::kTimingEntries, 1},
    {kCutOffT, "cutoffType", "4.Cutoff Type", detail::kCutOffTEntries, 1},
    {kDir, "direction", "5.Rotation Direction", detail::kDirEntries, 0},
}};

// The marker the lists show after the default entry.
inline constexpr std::string_view kDefaultMarker = " *";

}  // namespace velmar
