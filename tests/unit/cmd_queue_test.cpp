#include <gtest/gtest.h>

#include "link/CommandRing.h"
#include "protocol/Settings.h"

namespace velmar {
namespace {

TEST(CommandRing, EnqueueFillsTheTailSlotAndAdvances) {
  CommandRing ring;
  ASSERT_TRUE(ring.EnqueueCommand(WriteSettingCommand(kBrake, 2)));
  EXPECT_EQ(ring.QueueHead, 0);
  EXPECT_EQ(ring.QueueTail, 1);
  const CmdRecord& slot = ring.CmdQueue[0];
  EXPECT_EQ(slot.Cmd, ReqWriteSetting);
  EXPECT_EQ(slot.TxLen, 3);
  EXPECT_EQ(slot.RxLen, 2);
  EXPECT_EQ(slot.Param[1], 1);
  EXPECT_EQ(slot.Param[2], 2);
}

TEST(CommandRing, CommandsWithoutParametersLeaveTheSlotsBytesAlone) {
  CommandRing ring;
  ring.CmdQueue[0].Param[1] = 0x77;
  ring.EnqueueCommand(PollCommand());
  EXPECT_EQ(ring.CmdQueue[0].Param[1], 0x77);
}

TEST(CommandRing, WrapsFromSlot19ToSlot0) {
  CommandRing ring;
  ring.QueueHead = ring.QueueTail = 19;
  ring.EnqueueCommand(ThrottleCommand(120));
  EXPECT_EQ(ring.QueueTail, 0);
  EXPECT_EQ(ring.CmdQueue[19].Param[1], 120);
  EXPECT_FALSE(ring.Empty());
  ring.AdvanceHead();
  EXPECT_EQ(ring.QueueHead, 0);
  EXPECT_TRUE(ring.Empty());
}

TEST(CommandRing, RefusesTheTwentiethWaitingCommand) {
  CommandRing ring;
  for (int i = 0; i < 19; ++i) ASSERT_TRUE(ring.EnqueueCommand(ThrottleCommand(uint8_t(i))));
  EXPECT_EQ(ring.Waiting(), 19);
  EXPECT_FALSE(ring.EnqueueCommand(PollCommand()));
  EXPECT_FALSE(ring.Empty());
  EXPECT_EQ(ring.Waiting(), 19);
  EXPECT_EQ(ring.Head().Param[1], 0);
}

TEST(CommandRing, AdvancingAnEmptyRingKeepsItEmpty) {
  CommandRing ring;
  ring.QueueHead = ring.QueueTail = 7;
  ring.AdvanceHead();
  EXPECT_EQ(ring.QueueHead, 7);
  EXPECT_TRUE(ring.Empty());
}

TEST(CommandRing, CutToPollLeavesOnePollAtTheHead) {
  CommandRing ring;
  ring.QueueHead = ring.QueueTail = 17;
  for (int i = 0; i < 5; ++i) ring.EnqueueCommand(ReadSettingCommand(uint8_t(i)));
  ring.CutToPoll();
  EXPECT_EQ(ring.QueueHead, 17);
  EXPECT_EQ(ring.QueueTail, 18);
  EXPECT_EQ(ring.Head().Cmd, ReqPoll);
  EXPECT_EQ(ring.Head().TxLen, 1);
  EXPECT_EQ(ring.Head().RxLen, 1);

  ring.QueueHead = 19;
  ring.CutToPoll();
  EXPECT_EQ(ring.QueueTail, 0);
}

}  // namespace
}  // namespace velmar
