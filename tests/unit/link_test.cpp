// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QStringList>

#include "link/SerialLink.h"
#include "support/ByteScript.h"
#include "support/ManualClock.h"
#include "support/ScriptedPort.h"

namespace velmar::testing {
namespace {

using namespace std::chrono_literals;

// Stands in for the window: answers like it on the connection state, and
// records what the link tells it.
struct Client final : LinkClient {
  SerialLink* link = nullptr;
  Command idle = PollCommand();
  std::vector<Command> onConnect;  // enqueued by the poll reply that connects
  QList<QByteArray> replies;       // newest first
  int fellBack = 0;

  Command IdleCommand() const override { return idle; }
  void BeforeSend(CmdRecord&) override {}
  void ReplyComplete(const CmdRecord& head) override {
    replies.prepend(QByteArray(reinterpret_cast<const char*>(head.Reply.data()), head.RxLen));
    if (head.Cmd != ReqPoll || link->Connected()) return;
    link->SetState(LinkState::Connected);
    for (const Command& command : onConnect) link->EnqueueCommand(command);
  }
  void FellBack() override { ++fellBack; }
  void Dropped(const CmdRecord&) override {}
};

class Link : public ::testing::Test {
 protected:
  void SetUp() override {
    port.usable = {1, 2};
    link = std::make_unique<SerialLink>(
        LinkServices{&port, clock.MakeTimer(), clock.MakeTimer(), [] {}}, client);
    client.link = link.get();
  }

  // Runs a byte script (support/ByteScript.h) with these steps too:
  //   C / U  the link reads connected / unconnected
  //   !N     the link has fallen back N times
  //   =N     N commands wait in the ring
  //   @HEX   the last reply the link completed
  //   qN     the program enqueues a read of setting N
  //   R      the motor runs from now on: the idle command asks for the speed
  //   V / A  the device vanishes / is there again;  PN  the user chooses port N
  //   oN     the port the link holds open (0: none)
  void Run(const QString& script) {
    RunByteScript(port, clock, script, [this](char op, const QString& arg) -> QString {
      if ((op == 'C' || op == 'U') && link->Connected() != (op == 'C')) return "the other state";
      if (op == '@') return QString::fromLatin1(client.replies.value(0).toHex()).toUpper();
      if (op == '!') return QString::number(client.fellBack);
      if (op == '=') return QString::number(link->Ring().Waiting());
      if (op == 'q') link->EnqueueCommand(ReadSettingCommand(uint8_t(arg.toInt())));
      if (op == 'R') client.idle = SpeedCommand();
      if (op == 'V') port.Vanish();
      if (op == 'A') port.Reappear();
      if (op == 'P' && !link->SelectPort(arg.toInt())) return "not opened";
      if (op == 'o') return QString::number(link->OpenPort());
      return QByteArray("CUqRVAP").contains(op) ? arg : "unknown step";
    });
  }

  ScriptedPort port;
  ManualClock clock;
  Client client;
  std::unique_ptr<SerialLink> link;
};

using Script = std::pair<const char*, const char*>;  // name, steps
class Scripts : public Link, public ::testing::WithParamInterface<Script> {};

TEST_P(Scripts, Run) {
  client.onConnect = {IdentifyCommand(), WriteSettingCommand(1, 2)};
  ASSERT_TRUE(link->SelectPort(1));
  Run(QLatin1String(GetParam().second));
}

// Times are counted from the port's opening; an idle poll goes out 100 ms
// after the ring empties, the next waiting command 10 ms after an exchange,
// and an unanswered frame again 300 + 10 ms after it went out.
INSTANTIATE_TEST_SUITE_P(
    Link, Scripts,
    ::testing::Values(
        Script{"IdlePollAndItsResend", "+99 . +1 >514B00 =1 +309 . +1 >514B00 =1 U"},
        Script{"PlainLineConnectSequence",
               "+100 >514B00 +5 <59 C =2 +9 . +1 >514B01 <59581BE803 +10 >514B030102 <5902 =0 "
               "+99 . +1 >514B00"},
        Script{"EchoingLineSkipsEachFrameByCount",
               "+100 >514B00 <514B0059 C +10 >514B01 <514B0159581BE803 +10 >514B030102 "
               "<514B030102 . <5902 =0 +100 >514B00"},
        Script{"NoiseBeforeTheMarkerIsDropped", "+100 >514B00 <0000FF59 C"},
        Script{"MarkerInsideTheReplyIsData", "R +100 >514B05 <59595959 =0 +100 >514B05"},
        Script{"SpeedReplySplitAcrossNotifications",
               "R +100 >514B05 +250 <5901 +250 <0203 =0 +99 . +1 >514B05"},
        Script{"CompletedEchoRestartsTheTimeout", "+100 >514B00 +150 <514B00 +200 . <59 C"},
        Script{"NoiseAloneGivesNoMoreTime", "+100 >514B00 +200 <00 +109 . +1 >514B00"},
        Script{"ShortEchoRunsIntoTheReplyAndTimesOut", "+100 >514B00 <514B59 +310 >514B00 U"},
        Script{"BytesAfterCompletionAreDiscardedBySend",
               "+100 >514B00 <595959 =2 +10 >514B01 <59581BE803 @59581BE803"},
        // While connected a timeout resends the head; the third counted falls back.
        Script{"ThirdTimeoutWhileConnectedFallsBackToAPoll",
               "+100 >514B00 <59 +10 >514B01 +310 >514B01 +310 >514B01 !0 C =2 "
               "+310 >514B00 !1 U =1 +310 >514B00 !1 <59 C +10 >514B01 +310 >514B01 C !1"},
        Script{"AGoodReplyClearsTheTimeoutCount",
               "+100 >514B00 <59 +10 >514B01 +310 >514B01 +310 >514B01 <59581BE803 +10 >514B030102 "
               "+310 >514B030102 <5902 +100 >514B00 +310 >514B00 +310 >514B00 !0 C +310 >514B00 "
               "!1 U"},
        Script{"StaleReplyBytesCannotCompleteTheNewHead",
               "+100 >514B00 <59 +10 >514B01 +310 >514B01 +310 >514B01 +300 <59581B U "
               "+10 >514B00 <59 C"},
        Script{"APartReplyIsForgottenWhenTheHeadGoesOutAgain",
               "+100 >514B00 <59 +10 >514B01 <5958 +310 >514B01 <59581BE803 @59581BE803"},
        Script{"UnconnectedTimeoutCutsTheRingToOnePoll",
               "q0 q1 q2 q3 q4 +100 >514B0200 =5 +310 >514B00 =1 U !0"},
        // A lost port falls back and is reopened when its device returns, unless the user has
        // chosen another port since.
        Script{"ALostPortIsReopenedWhenItsDeviceReturns",
               "+100 >514B00 <59 C +10 >514B01 <59581BE803 +10 >514B030102 <5902 +100 >514B00 V !1 "
               "o0 U +1000 . A o1 +100 >514B00 <59 C V P2 A o2"}),
    [](const auto& info) { return std::string(info.param.first); });

TEST_F(Link, WaitingCommandsGoOutInOrderAroundTheRingWhichHoldsNineteen) {
  ASSERT_TRUE(link->SelectPort(1));
  // Several rounds walk the head and the tail past slot 19.
  for (int round = 0; round < 8; ++round)
    Run("q0 q1 q2 =3 +100 >514B0200 <5901 +10 >514B0201 <5901 +10 >514B0202 <5901 =0");
  for (int i = 0; i < 25; ++i) link->EnqueueCommand(ReadSettingCommand(uint8_t(i)));
  EXPECT_EQ(link->Ring().Waiting(), CommandRing::kSlots - 1);
}

}  // namespace
}  // namespace velmar::testing
