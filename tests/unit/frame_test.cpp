#include <gtest/gtest.h>

#include "protocol/Commands.h"
#include "protocol/Settings.h"

namespace velmar {
namespace {

CmdRecord Record(const Command& command) {
  CmdRecord record;
  record.Cmd = command.code;
  record.TxLen = command.txLen;
  record.RxLen = command.rxLen;
  record.Param[1] = command.param1;
  record.Param[2] = command.param2;
  return record;
}

TEST(Frame, EachCommandOnTheWire) {
  using Bytes = std::vector<uint8_t>;
  EXPECT_EQ(BuildFrame(Record(PollCommand())), (Bytes{0x51, 0x4B, 0x00}));
  EXPECT_EQ(BuildFrame(Record(IdentifyCommand())), (Bytes{0x51, 0x4B, 0x01}));
  EXPECT_EQ(BuildFrame(Record(ReadSettingCommand(3))), (Bytes{0x51, 0x4B, 0x02, 0x03}));
  EXPECT_EQ(BuildFrame(Record(WriteSettingCommand(1, 2))), (Bytes{0x51, 0x4B, 0x03, 0x01, 0x02}));
  EXPECT_EQ(BuildFrame(Record(ThrottleCommand(120))), (Bytes{0x51, 0x4B, 0x04, 0x78}));
  EXPECT_EQ(BuildFrame(Record(SpeedCommand())), (Bytes{0x51, 0x4B, 0x05}));
}

TEST(Frame, SendsOnlyTheParametersTxLenCounts) {
  CmdRecord record = Record(ThrottleCommand(9));
  record.Param[2] = 0xEE;  // left over from an earlier command in the slot
  EXPECT_EQ(BuildFrame(record).size(), 4u);
  record.TxLen = 6;
  EXPECT_EQ(BuildFrame(record).size(), 8u);
  record.TxLen = 40;  // never produced; still no read past the record
  EXPECT_EQ(BuildFrame(record).size(), 8u);
}

class SettingsSync : public ::testing::Test {
 protected:
  SettingsSync() {
    // The defaults: 5.6V, soft cutoff, brake off, 10-20 degrees, forward.
    s.SelCutOffV = 1;
    s.SelCutOffT = 1;
    s.SelBrake = 0;
    s.SelTiming = 1;
    s.SelDir = 0;
  }
  SettingsState s;
};

TEST_F(SettingsSync, AfterConnectingEverySettingIsReadInComparisonOrder) {
  s.ForgetDevice();
  EXPECT_EQ(s.Compare(), (std::vector<Command>{ReadSettingCommand(0), ReadSettingCommand(3),
                                               ReadSettingCommand(1), ReadSettingCommand(2),
                                               ReadSettingCommand(4)}));
}

TEST_F(SettingsSync, KnownValuesThatDifferAreWrittenAsSelectionPlusOne) {
  s.EscCutOffV = 1;
  s.EscCutOffT = 1;
  s.EscBrake = 0;
  s.EscTiming = 1;
  s.EscDir = 0;
  EXPECT_TRUE(s.Compare().empty());
  s.SelBrake = 1;
  s.EscDir = -1;
  EXPECT_EQ(s.Compare(), (std::vector<Command>{WriteSettingCommand(1, 2), ReadSettingCommand(4)}));
}

TEST_F(SettingsSync, TheEscsAnswerIsTheTruthWithinTheList) {
  s.ForgetDevice();
  EXPECT_EQ(s.TakeReply(kCutOffV, 3, 8), 2);
  EXPECT_EQ(s.EscCutOffV, 2);
  // 0 means "not read": read again at the next comparison.
  EXPECT_EQ(s.TakeReply(kBrake, 0, 2), std::nullopt);
  EXPECT_EQ(s.EscBrake, -1);
  // Beyond the list: stored, but no entry to show; written again.
  EXPECT_EQ(s.TakeReply(kCutOffV, 9, 8), std::nullopt);
  EXPECT_EQ(s.EscCutOffV, 8);
  EXPECT_EQ(s.Compare().front(), WriteSettingCommand(0, 2));
  EXPECT_EQ(s.TakeReply(kCutOffV, 255, 8), std::nullopt);
  EXPECT_EQ(s.EscCutOffV, 254);
}

TEST_F(SettingsSync, UnknownSettingNumbersChangeNothing) {
  const SettingsState before = s;
  EXPECT_EQ(s.TakeReply(5, 1, 2), std::nullopt);
  EXPECT_EQ(s.TakeReply(255, 1, 2), std::nullopt);
  EXPECT_EQ(s.Compare(), before.Compare());
}

}  // namespace
}  // namespace velmar
