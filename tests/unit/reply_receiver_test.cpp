#include <gtest/gtest.h>

#include <vector>

#include "link/ReplyReceiver.h"

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

// Feeds bytes until the reply completes; returns how many were taken.
size_t Feed(ReplyReceiver& rx, CmdRecord& head, const std::vector<uint8_t>& bytes) {
  for (size_t i = 0; i < bytes.size(); ++i)
    if (rx.Take(bytes[i], head)) return i + 1;
  return bytes.size() + 1;  // never completed
}

struct FramingCase {
  const char* name;
  Command command;
  std::vector<uint8_t> line;
  size_t completesAfter;  // bytes taken, or 0 for "never"
  std::vector<uint8_t> reply;
};

class Framing : public ::testing::TestWithParam<FramingCase> {};

TEST_P(Framing, FindsTheReply) {
  const FramingCase& c = GetParam();
  CmdRecord head = Record(c.command);
  ReplyReceiver rx;
  rx.Restart();
  const size_t taken = Feed(rx, head, c.line);
  if (c.completesAfter == 0) {
    EXPECT_GT(taken, c.line.size());
    EXPECT_FALSE(rx.Complete(head));
    return;
  }
  ASSERT_EQ(taken, c.completesAfter);
  EXPECT_EQ(std::vector<uint8_t>(head.Reply.begin(), head.Reply.begin() + head.RxLen), c.reply);
}

INSTANTIATE_TEST_SUITE_P(
    ReplyReceiver, Framing,
    ::testing::Values(
        FramingCase{"EchoedPoll", PollCommand(), {0x51, 0x4B, 0x00, 0x59}, 4, {0x59}},
        FramingCase{"PlainPoll", PollCommand(), {0x59}, 1, {0x59}},
        FramingCase{"NoiseBeforeMarker", PollCommand(), {0x00, 0x59}, 2, {0x59}},
        FramingCase{
            "EchoedSpeed", SpeedCommand(), {0x51, 0x4B, 0x05, 0x59, 1, 2, 3}, 7, {0x59, 1, 2, 3}},
        // A "Y" inside the echo or the data is not a marker.
        FramingCase{"EchoOfWriteSkippedByCount",
                    WriteSettingCommand(0x59, 0x59),
                    {0x51, 0x4B, 0x03, 0x59, 0x59, 0x59, 0x59},
                    7,
                    {0x59, 0x59}},
        FramingCase{"MarkerInsideData",
                    SpeedCommand(),
                    {0x59, 0x59, 0x00, 0x59},
                    4,
                    {0x59, 0x59, 0x00, 0x59}},
        FramingCase{"ExtraBytesAfterReplyNotTaken", PollCommand(), {0x59, 0x59, 0x59}, 1, {0x59}},
        // An echo cut short runs into the reply: the marker is lost, so is the reply.
        FramingCase{"ShortEcho", PollCommand(), {0x51, 0x4B, 0x59}, 0, {}},
        FramingCase{"NoMarker", IdentifyCommand(), {0x00, 0x01, 0x02}, 0, {}}),
    [](const ::testing::TestParamInfo<FramingCase>& info) { return info.param.name; });

TEST(ReplyReceiver, ReplySplitOverSeveralReadsCompletesAtItsLastByte) {
  CmdRecord head = Record(SpeedCommand());
  ReplyReceiver rx;
  rx.Restart();
  EXPECT_FALSE(rx.Take(0x59, head));
  EXPECT_FALSE(rx.Take(0xE8, head));
  EXPECT_FALSE(rx.Complete(head));
  EXPECT_FALSE(rx.Take(0x03, head));
  EXPECT_TRUE(rx.Take(0x00, head));
  EXPECT_EQ(head.Reply[1], 0xE8);
  EXPECT_EQ(head.Reply[2], 0x03);
}

TEST(ReplyReceiver, RestartForgetsAPartReplySoItCannotCompleteTheNextCommand) {
  CmdRecord speed = Record(SpeedCommand());
  ReplyReceiver rx;
  rx.Restart();
  rx.Take(0x59, speed);
  rx.Take(0x01, speed);
  rx.Take(0x02, speed);  // one byte short

  // The head becomes a one-byte poll and is sent again.
  CmdRecord poll = Record(PollCommand());
  rx.Restart();
  EXPECT_FALSE(rx.Complete(poll));
  // Its echo is skipped; only a marker after it completes the poll.
  EXPECT_FALSE(rx.Take(0x51, poll));
  EXPECT_FALSE(rx.Take(0x4B, poll));
  EXPECT_FALSE(rx.Complete(poll));
  EXPECT_FALSE(rx.Take(0x00, poll));
  EXPECT_TRUE(rx.Take(0x59, poll));
}

TEST(ReplyReceiver, NeverStoresPastTheReplyBuffer) {
  CmdRecord head = Record(SpeedCommand());
  head.RxLen = 9;  // more than the record can hold
  ReplyReceiver rx;
  rx.Restart();
  for (int i = 0; i < 20; ++i) rx.Take(0x59, head);
  EXPECT_EQ(rx.ReplyLen, 5);
  EXPECT_FALSE(rx.Complete(head));
}

}  // namespace
}  // namespace velmar
