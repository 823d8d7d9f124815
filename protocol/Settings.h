// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "Commands.h"

namespace velmar {

// Setting numbers on the wire: each caption's leading number minus 1.
enum SettingNumber : uint8_t {
  kCutOffV = 0,
  kBrake = 1,
  kTiming = 2,
  kCutOffT = 3,
  kDir = 4,
};
inline constexpr int kSettingCount = 5;

// The order in which a poll reply visits the settings, and so the order of
// their reads and writes on the wire.
inline constexpr std::array<SettingNumber, kSettingCount> kComparisonOrder{kCutOffV, kCutOffT,
                                                                           kBrake, kTiming, kDir};

// Entry indices of the five settings: Sel* the selection, Esc* what the ESC
// last reported, nothing while it has not answered since the connection was
// made. The ESC may answer any wire value, 0 included, so "not read" is kept
// apart from every index. On the wire a value is its index + 1.
struct SettingsState {
  using Reported = std::optional<int32_t>;
  int32_t SelCutOffV = 0, SelCutOffT = 0, SelBrake = 0, SelTiming = 0, SelDir = 0;
  Reported EscCutOffV = 0, EscCutOffT = 0, EscBrake = 0, EscTiming = 0, EscDir = 0;
  // By setting number: the user chose the selection since the ESC last answered
  // within the list, and the ESC's last answer lay outside the list.
  std::array<bool, kSettingCount> Chosen{};
  std::array<bool, kSettingCount> Outside{};

  int32_t& Sel(SettingNumber number);
  Reported& Esc(SettingNumber number);
  int32_t Sel(SettingNumber number) const { return const_cast<SettingsState*>(this)->Sel(number); }
  Reported Esc(SettingNumber number) const { return const_cast<SettingsState*>(this)->Esc(number); }

  // A new connection: every device value must be read again.
  void ForgetDevice();

  // The user's own choice, by a selection or Restore Default: only such a
  // choice is ever written over a value the ESC reported outside the list.
  void Choose(SettingNumber number) { Chosen[number] = true; }

  // In comparison order: a read for each setting not yet read, or whose value
  // lies outside the list with no choice of the user's to carry; a write of the
  // selection for each other one the ESC holds differently.
  std::vector<Command> Compare() const;

  // Takes the ESC's answer to a read or a write. Within the selector's
  // entryCount entries it is the truth: returns the entry the selector must
  // move to. Nothing when the setting number is unknown or the answer lies
  // outside the list.
  std::optional<int32_t> TakeReply(uint8_t number, uint8_t wireValue, int entryCount);
};

}  // namespace velmar
