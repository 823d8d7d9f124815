// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "protocol/Commands.h"
#include "protocol/Settings.h"

namespace velmar {
namespace {

using Frame = std::vector<uint8_t>;

// Param[3] is left over from an earlier command in the slot.
CmdRecord Record(const Command& c) {
  return {c.code, {0, c.param1, c.param2, 0xEE}, c.txLen, {}, c.rxLen};
}

TEST(Frame, EachCommandOnTheWire) {
  const std::pair<Command, Frame> cases[] = {
      {PollCommand(), {0x51, 0x4B, 0x00}},
      {IdentifyCommand(), {0x51, 0x4B, 0x01}},
      {ReadSettingCommand(3), {0x51, 0x4B, 0x02, 0x03}},
      {WriteSettingCommand(1, 2), {0x51, 0x4B, 0x03, 0x01, 0x02}},
      {ThrottleCommand(120), {0x51, 0x4B, 0x04, 0x78}},
      {SpeedCommand(), {0x51, 0x4B, 0x05}}};
  for (const auto& [command, frame] : cases) EXPECT_EQ(BuildFrame(Record(command)), frame);
  CmdRecord oversized = Record(PollCommand());
  oversized.TxLen = 40;  // never produced; still no read past the record
  EXPECT_EQ(BuildFrame(oversized).size(), 8u);
}

// The brake's story after a connection: the ESC's answers (wire values) to
// its reads and writes, and the user's choice of "Enable" (kChoose) among them.
constexpr int kChoose = -1;
struct SyncCase {
  const char* name;
  std::vector<int> story;
  Command next;  // what the next comparison asks for the brake; none when in step
};

class Sync : public ::testing::TestWithParam<SyncCase> {};

TEST_P(Sync, AnswersChoicesAndTheNextComparison) {
  SettingsState s;
  s.SelCutOffV = s.SelCutOffT = s.SelTiming = 1;  // the defaults
  s.ForgetDevice();
  for (const auto& [number, wire, entries] :
       {std::tuple{kCutOffV, 2, 8}, {kCutOffT, 2, 2}, {kTiming, 2, 3}, {kDir, 1, 2}})
    s.TakeReply(number, uint8_t(wire), entries);
  for (int event : GetParam().story) {
    if (event == kChoose) {
      s.SelBrake = 1;
      s.Choose(kBrake);
    } else if (const auto entry = s.TakeReply(kBrake, uint8_t(event), 2)) {
      s.SelBrake = *entry;  // the selector follows the ESC, and so does the selection
    }
  }
  const Command next = GetParam().next;
  EXPECT_EQ(s.Compare(), next == Command{} ? std::vector<Command>{} : std::vector{next});
}

INSTANTIATE_TEST_SUITE_P(
    Settings, Sync,
    ::testing::Values(
        SyncCase{"NotYetRead", {}, ReadSettingCommand(kBrake)},
        SyncCase{"ReadWithinTheListIsTheTruth", {2}, Command{}},
        SyncCase{"ChoiceIsWrittenAsIndexPlusOne", {1, kChoose}, WriteSettingCommand(kBrake, 2)},
        SyncCase{"ChoiceBeforeTheFirstReadWaitsForIt", {kChoose}, ReadSettingCommand(kBrake)},
        SyncCase{"InListAnswerReplacesThePendingChoice", {kChoose, 1}, Command{}},
        SyncCase{"ZeroMeansReadAgain", {1, 0}, ReadSettingCommand(kBrake)},
        SyncCase{"ChoiceIsWrittenOverAZero", {0, kChoose}, WriteSettingCommand(kBrake, 2)},
        SyncCase{"OutsideTheListIsReadAgainNotOverwritten", {0xF7}, ReadSettingCommand(kBrake)},
        SyncCase{"InListThenOutsideStillNoWrite", {2, 3}, ReadSettingCommand(kBrake)},
        SyncCase{
            "UsersChoiceIsWrittenOverAnUnknownValue", {9, kChoose}, WriteSettingCommand(kBrake, 2)},
        SyncCase{
            "ChoiceSettledInTheListIsNotRepeated", {kChoose, 2, 9}, ReadSettingCommand(kBrake)}),
    [](const ::testing::TestParamInfo<SyncCase>& info) { return info.param.name; });

TEST(Settings, UnknownSettingNumbersChangeNothing) {
  SettingsState s;
  EXPECT_EQ(s.TakeReply(5, 1, 2), std::nullopt);
  EXPECT_EQ(s.TakeReply(255, 1, 2), std::nullopt);
  EXPECT_TRUE(s.Compare().empty());
}

}  // namespace
}  // namespace velmar
