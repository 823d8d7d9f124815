#include "FormHarness.h"

namespace velmar::testing {
namespace {

class Reception : public FormTest {};

TEST_F(Reception, FirstPollReplyConnectsAndQueuesIdentifyThenFiveReads) {
  Start();
  EXPECT_EQ(NextFrame(), kPoll);
  port.Deliver(kY);
  EXPECT_EQ(Text("TxtConnState"), QStringLiteral("Connected"));
  const SettingsState& s = Probe().settings();
  EXPECT_EQ((std::array{s.EscCutOffV, s.EscCutOffT, s.EscBrake, s.EscTiming, s.EscDir}),
            (std::array{-1, -1, -1, -1, -1}));
  QList<QByteArray> frames;
  for (int i = 0; i < 6; ++i) {
    frames << NextFrame(20ms);
    port.Deliver(EscAnswer(frames.last()));
  }
  EXPECT_EQ(frames,
            QList<QByteArray>({kIdentify, Bytes({0x51, 0x4B, 0x02, 0x00}),
                               Bytes({0x51, 0x4B, 0x02, 0x03}), Bytes({0x51, 0x4B, 0x02, 0x01}),
                               Bytes({0x51, 0x4B, 0x02, 0x02}), Bytes({0x51, 0x4B, 0x02, 0x04})}));
  EXPECT_EQ(Text("TxtHardVer"), QStringLiteral("QK-10A V1.250"));
  EXPECT_EQ(Text("TxtFirmVer"), QStringLiteral("V1.012"));
  // Then idle: polls only, nothing appended.
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Exchange(kY), kPoll);
  EXPECT_TRUE(Probe().ring().Empty());
}

TEST_F(Reception, EchoingLine) {
  StartConnected();
  EXPECT_EQ(NextFrame(), kPoll);
  port.Deliver(kPoll + kY);
  EXPECT_TRUE(Probe().ring().Empty());
  EXPECT_EQ(timer1->Interval(), 100ms);
  EXPECT_TRUE(timer1->IsActive());
  EXPECT_FALSE(timer2->IsActive());
  EXPECT_EQ(port.ReceiveThreshold(), 0);
}

TEST_F(Reception, EchoOfAFiveByteFrameIsSkippedByCount) {
  StartConnected();
  Probe().settings().SelBrake = 1;  // out of step: the next poll writes it
  Exchange(kY);
  const QByteArray write = NextFrame();
  ASSERT_EQ(write, Bytes({0x51, 0x4B, 0x03, 0x01, 0x02}));
  // A "Y" inside the echo is not the marker.
  port.Deliver(Bytes({0x51, 0x4B, 0x03, 0x01, 0x59}));
  EXPECT_FALSE(Probe().ring().Empty());
  port.Deliver(Bytes({0x59, 0x02}));
  EXPECT_EQ(Probe().settings().EscBrake, 1);
  EXPECT_TRUE(Probe().ring().Empty());
}

TEST_F(Reception, NoiseBeforeTheMarkerIsDropped) {
  StartConnected();
  Probe().MotorRunning() = true;
  EXPECT_EQ(NextFrame(), kSpeed);
  port.Deliver(Bytes({0x00, 0x13, 0x59, 0xE8, 0x03, 0x00}));
  EXPECT_EQ(Text("TxtRev"), QStringLiteral("12000"));  // one sample of 120000 over ten
}

TEST_F(Reception, ReplySplitOverTwoNotificationsRestartsTheTimeout) {
  StartConnected();
  Probe().MotorRunning() = true;
  EXPECT_EQ(NextFrame(), kSpeed);
  clock.Advance(250ms);
  port.Deliver(Bytes({0x59, 0xE8}));
  EXPECT_TRUE(timer2->IsActive());
  EXPECT_EQ(timer2->Due(), clock.Now() + 300ms);
  EXPECT_FALSE(timer1->IsActive());
  clock.Advance(250ms);  // 500 ms after the send
  const qsizetype sent = port.writes.size();
  port.Deliver(Bytes({0x03, 0x00}));
  EXPECT_EQ(port.writes.size(), sent);
  EXPECT_EQ(Text("TxtRev"), QStringLiteral("12000"));
  EXPECT_TRUE(Probe().ring().Empty());
}

TEST_F(Reception, BytesAfterACompleteReplyAreLeftForTheNextSendToDiscard) {
  StartConnected();
  EXPECT_EQ(NextFrame(), kPoll);
  port.Deliver(Bytes({0x59, 0x59, 0x59}));
  EXPECT_EQ(port.InBufferCount(), 2);
  // No notification reaches the window until the next send.
  port.Deliver(Bytes({0x59}));
  EXPECT_EQ(port.InBufferCount(), 3);
  EXPECT_EQ(NextFrame(), kPoll);
  EXPECT_EQ(port.InBufferCount(), 0);
}

TEST_F(Reception, OtherEventsChangeNothing) {
  StartConnected();
  EXPECT_EQ(NextFrame(), kPoll);
  const auto due = timer2->Due();
  clock.Advance(100ms);
  port.Arrive(kY);
  form->MSComm_OnComm(3);
  EXPECT_EQ(port.InBufferCount(), 1);
  EXPECT_EQ(timer2->Due(), due);
  EXPECT_EQ(Probe().ring().Waiting(), 1);
}

TEST_F(Reception, ANotificationWithTheRingEmptyProcessesNothing) {
  StartConnected();
  CommandRing& ring = Probe().ring();
  ASSERT_TRUE(ring.Empty());
  const int head = ring.QueueHead;
  const auto due = timer1->Due();
  port.Arrive(kY);
  form->MSComm_OnComm(SerialPort::comEvReceive);
  EXPECT_EQ(port.InBufferCount(), 1);
  EXPECT_EQ(ring.QueueHead, head);
  EXPECT_TRUE(ring.Empty());
  EXPECT_EQ(timer1->Due(), due);
  EXPECT_TRUE(timer1->IsActive());
}

TEST_F(Reception, NoiseAloneGivesTheReplyNoMoreTime) {
  StartConnected();
  EXPECT_EQ(NextFrame(), kPoll);
  // A chattering line that never answers: stray bytes every 50 ms.
  for (int i = 0; i < 20; ++i) {
    clock.Advance(50ms);
    port.Deliver(Bytes({0x13, 0x37}));
  }
  // Three timeouts of 300 ms and their re-sends fit into that second.
  EXPECT_EQ(Text("TxtConnState"), QStringLiteral("Unconnected"));
  EXPECT_GE(port.writes.size(), 4);
}

TEST_F(Reception, AReplyAbandonedByAPortChangeCannotCompleteOnTheNewPort) {
  Start({1, 2});
  FramesUntilIdle([](const QByteArray& f) { return EscAnswer(f); });
  Probe().MotorRunning() = true;
  EXPECT_EQ(NextFrame(), kSpeed);
  port.Deliver(Bytes({0x59, 0xE8}));
  QComboBox* ports = List("CombPort");
  ports->setCurrentIndex(1);
  emit ports->activated(1);
  ASSERT_EQ(Probe().OpenPort(), 2);
  port.Deliver(Bytes({0x03, 0x00}));  // the rest, from whatever is on the new port
  EXPECT_EQ(Text("TxtRev"), QStringLiteral("0"));
  EXPECT_EQ(Probe().ring().Head().Cmd, ReqSpeed);
  // The speed request goes out again on the new port and is answered there.
  EXPECT_EQ(NextFrame(), kSpeed);
  port.Deliver(Bytes({0x59, 0xE8, 0x03, 0x00}));
  EXPECT_EQ(Text("TxtRev"), QStringLiteral("12000"));
}

// A reply cut short, then the fall-back turns the head into a poll: the rest
// of the old reply must not complete the poll.
TEST_F(Reception, StaleBytesNeverCompleteANewHead) {
  StartConnected();
  Probe().MotorRunning() = true;
  EXPECT_EQ(NextFrame(), kSpeed);
  Probe().TimeoutCount() = 2;
  port.Deliver(Bytes({0x59, 0x10}));  // two of four bytes
  clock.Advance(300ms);               // third timeout: fall-back
  ASSERT_EQ(Text("TxtConnState"), QStringLiteral("Unconnected"));
  ASSERT_EQ(Probe().ring().Head().Cmd, ReqPoll);
  // The rest of the speed reply straggles in before the poll is sent.
  port.Deliver(Bytes({0x20, 0x00, 0x59}));
  EXPECT_EQ(Text("TxtConnState"), QStringLiteral("Unconnected"));
  // The poll goes out, its echo arrives alone: not complete.
  EXPECT_EQ(NextFrame(), kPoll);
  port.Deliver(kPoll);
  EXPECT_EQ(Text("TxtConnState"), QStringLiteral("Unconnected"));
  EXPECT_EQ(Probe().ring().Waiting(), 1);
  port.Deliver(kY);
  EXPECT_EQ(Text("TxtConnState"), QStringLiteral("Connected"));
}

TEST_F(Reception, AReplyOnAnEchoingLineAfterAPartReplyStartsAfresh) {
  StartConnected();
  Probe().MotorRunning() = true;
  EXPECT_EQ(NextFrame(), kSpeed);
  port.Deliver(Bytes({0x59, 0x10, 0x20}));  // one byte short; timeout resends
  EXPECT_EQ(NextFrame(), kSpeed);
  port.Deliver(kSpeed + Bytes({0x59, 0xE8, 0x03, 0x00}));
  EXPECT_EQ(Text("TxtRev"), QStringLiteral("12000"));
}

}  // namespace
}  // namespace velmar::testing
