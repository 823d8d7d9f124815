#include "FormHarness.h"

namespace velmar::testing {
namespace {

class Scheduler : public FormTest {};

TEST_F(Scheduler, PollsEvery100MsWhileNothingAnswers) {
  Start();
  EXPECT_TRUE(port.writes.isEmpty());
  clock.Advance(99ms);
  EXPECT_TRUE(port.writes.isEmpty());
  clock.Advance(1ms);
  ASSERT_EQ(port.writes, QList<QByteArray>({kPoll}));
  EXPECT_EQ(port.ReceiveThreshold(), 1);
  EXPECT_TRUE(timer2->IsActive());
  EXPECT_FALSE(timer1->IsActive());
  // Unanswered: sent again 300 ms + 10 ms later, with one poll in the ring.
  clock.Advance(309ms);
  EXPECT_EQ(port.writes.size(), 1);
  clock.Advance(1ms);
  EXPECT_EQ(port.writes.size(), 2);
  EXPECT_EQ(port.LastWrite(), kPoll);
  EXPECT_EQ(Probe().ring().Waiting(), 1);
}

TEST_F(Scheduler, AnsweredPollsComeAbout100MsApart) {
  StartConnected();
  const auto start = clock.Now();
  Exchange(kY);
  Exchange(kY);
  const QByteArray frame = NextFrame();
  EXPECT_EQ(frame, kPoll);
  EXPECT_EQ((clock.Now() - start).count(), 300);
  EXPECT_EQ(port.writes, QList<QByteArray>({kPoll, kPoll, kPoll}));
}

TEST_F(Scheduler, AsksForTheSpeedWhileTheMotorRuns) {
  StartConnected();
  Probe().MotorRunning() = true;
  EXPECT_EQ(NextFrame(), kSpeed);
  EXPECT_EQ(Probe().ring().Head().RxLen, 4);
}

TEST_F(Scheduler, WaitingCommandsGoOutInOrder10MsApart) {
  StartConnected();
  CommandRing& ring = Probe().ring();
  ASSERT_TRUE(ring.Empty());
  ring.EnqueueCommand(WriteSettingCommand(1, 2));
  ring.EnqueueCommand(ThrottleCommand(120));
  EXPECT_EQ(NextFrame(), Bytes({0x51, 0x4B, 0x03, 0x01, 0x02}));
  port.Deliver(Bytes({0x59, 0x02}));
  const auto answered = clock.Now();
  EXPECT_EQ(NextFrame(), Bytes({0x51, 0x4B, 0x04, 0x78}));
  EXPECT_EQ((clock.Now() - answered).count(), 10);
}

TEST_F(Scheduler, RingWrapsFromSlot19) {
  StartConnected();
  CommandRing& ring = Probe().ring();
  ring.QueueHead = ring.QueueTail = 19;
  ring.EnqueueCommand(ReadSettingCommand(4));
  EXPECT_EQ(ring.QueueTail, 0);
  EXPECT_EQ(Exchange(Bytes({0x59, 0x01})), Bytes({0x51, 0x4B, 0x02, 0x04}));
  EXPECT_EQ(ring.QueueHead, 0);
  EXPECT_TRUE(ring.Empty());
}

TEST_F(Scheduler, ThirdTimeoutWhileConnectedFallsBack) {
  StartConnected();
  Probe().ring().EnqueueCommand(ReadSettingCommand(3));
  EXPECT_EQ(NextFrame(), Bytes({0x51, 0x4B, 0x02, 0x03}));
  // Two timeouts: the same frame again each time, still connected.
  EXPECT_EQ(NextFrame(), Bytes({0x51, 0x4B, 0x02, 0x03}));
  EXPECT_EQ(NextFrame(), Bytes({0x51, 0x4B, 0x02, 0x03}));
  EXPECT_EQ(Text("TxtConnState"), QStringLiteral("Connected"));
  EXPECT_EQ(Probe().TimeoutCount(), 2);
  // Good replies in between do not clear the count.
  port.Deliver(Bytes({0x59, 0x02}));
  EXPECT_EQ(Text("TxtConnState"), QStringLiteral("Connected"));
  EXPECT_EQ(NextFrame(), kPoll);
  Slider()->setValue(5);
  // Third timeout.
  clock.Advance(299ms);
  EXPECT_EQ(Text("TxtConnState"), QStringLiteral("Connected"));
  clock.Advance(1ms);
  EXPECT_EQ(Text("TxtConnState"), QStringLiteral("Unconnected"));
  EXPECT_EQ(Text("TxtHardVer"), QStringLiteral("Unknown"));
  EXPECT_EQ(Text("TxtFirmVer"), QStringLiteral("Unknown"));
  EXPECT_EQ(Slider()->value(), 0);
  EXPECT_EQ(Probe().TimeoutCount(), 0);
  EXPECT_EQ(Probe().ring().Waiting(), 1);
  EXPECT_EQ(Probe().ring().Head().Cmd, ReqPoll);
  EXPECT_EQ(timer1->Interval(), 10ms);
  EXPECT_EQ(timer1->Due(), clock.Now() + 10ms);
}

TEST_F(Scheduler, TimeoutWhileUnconnectedCutsTheRingToOnePoll) {
  Start();
  CommandRing& ring = Probe().ring();
  for (int s = 0; s < 5; ++s) ring.EnqueueCommand(ReadSettingCommand(uint8_t(s)));
  EXPECT_EQ(NextFrame(), Bytes({0x51, 0x4B, 0x02, 0x00}));
  clock.Advance(300ms);
  EXPECT_EQ(ring.Waiting(), 1);
  EXPECT_EQ(ring.Head().Cmd, ReqPoll);
  EXPECT_EQ(ring.Head().TxLen, 1);
  EXPECT_EQ(ring.Head().RxLen, 1);
  EXPECT_EQ(NextFrame(), kPoll);
}

TEST_F(Scheduler, TimeoutWithAnEmptyRingOnlyRearmsTheIdleTick) {
  Start();
  timer1->Stop();
  timer1->SetInterval(10ms);
  timer2->SetInterval(300ms);
  timer2->Start();
  clock.Advance(300ms);
  EXPECT_TRUE(timer1->IsActive());
  EXPECT_EQ(timer1->Interval(), 100ms);
  EXPECT_TRUE(Probe().ring().Empty());
}

TEST_F(Scheduler, ATickOnAClosedPortSendsNothingAndKeepsTheIdleCommand) {
  Start();
  port.Close();
  clock.Advance(100ms);
  EXPECT_TRUE(port.writes.isEmpty());
  EXPECT_FALSE(timer1->IsActive());
  EXPECT_FALSE(timer2->IsActive());
  EXPECT_EQ(Probe().ring().Waiting(), 1);
  // Reopened: that poll is the first frame.
  QComboBox* ports = List("CombPort");
  emit ports->activated(0);
  EXPECT_EQ(NextFrame(), kPoll);
  EXPECT_EQ(Probe().ring().Waiting(), 1);
}

}  // namespace
}  // namespace velmar::testing
