// SPDX-License-Identifier: GPL-3.0-or-later
#include "Settings.h"

namespace velmar {

int32_t& SettingsState::Sel(SettingNumber number) {
  switch (number) {
    case kCutOffV:
      return SelCutOffV;
    case kBrake:
      return SelBrake;
    case kTiming:
      return SelTiming;
    case kCutOffT:
      return SelCutOffT;
    case kDir:
      break;
  }
  return SelDir;
}

SettingsState::Reported& SettingsState::Esc(SettingNumber number) {
  switch (number) {
    case kCutOffV:
      return EscCutOffV;
    case kBrake:
      return EscBrake;
    case kTiming:
      return EscTiming;
    case kCutOffT:
      return EscCutOffT;
    case kDir:
      break;
  }
  return EscDir;
}

void SettingsState::ForgetDevice() {
  for (SettingNumber number : kComparisonOrder) Esc(number).reset();
}

std::vector<Command> SettingsState::Compare() const {
  std::vector<Command> commands;
  for (SettingNumber number : kComparisonOrder) {
    const Reported esc = Esc(number);
    const int32_t sel = Sel(number);
    if (esc == sel) continue;
    // A value outside the list may be a corrupted answer or one this program
    // does not know: ask again rather than overwrite what the ESC holds.
    const bool unknown = !esc || (Outside[number] && !Chosen[number]);
    commands.push_back(unknown ? ReadSettingCommand(number)
                               : WriteSettingCommand(number, uint8_t(sel + 1)));
  }
  return commands;
}

std::optional<int32_t> SettingsState::TakeReply(uint8_t number, uint8_t wireValue, int entryCount) {
  if (number >= kSettingCount) return std::nullopt;
  const int32_t value = int32_t(wireValue) - 1;
  Esc(SettingNumber(number)) = value;
  Outside[number] = value < 0 || value >= entryCount;
  if (Outside[number]) return std::nullopt;
  Chosen[number] = false;
  return value;
}

}  // namespace velmar
