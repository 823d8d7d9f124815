#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "esc_model.h"
#include "record.h"
#include "sim_options.h"

namespace velmar::sim {
namespace {

using namespace std::chrono_literals;

const Bytes kPoll = {0x51, 0x4B, 0x00};
const Bytes kIdentify = {0x51, 0x4B, 0x01};
const Bytes kSpeed = {0x51, 0x4B, 0x05};

Bytes readSetting(std::uint8_t s) {
  return {0x51, 0x4B, 0x02, s};
}
Bytes writeSetting(std::uint8_t s, std::uint8_t v) {
  return {0x51, 0x4B, 0x03, s, v};
}
Bytes throttle(std::uint8_t t) {
  return {0x51, 0x4B, 0x04, t};
}

Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// Drives the model by hand: the test owns the clock and plays the program's part of writing
// whatever the model has due.
class Esc {
 public:
  explicit Esc(EscOptions options = {}) : model_(options, now_) {}

  Time now() const { return now_; }
  EscModel& model() { return model_; }

  // Sends bytes and returns everything the ESC puts on the line at that same instant.
  Bytes send(const Bytes& bytes) {
    model_.receive(bytes, now_);
    return drain();
  }

  // Everything due at the current time; every write is taken whole, like an idle pty.
  Bytes drain() {
    Bytes out;
    for (auto due = model_.pending(now_); !due.empty(); due = model_.pending(now_)) {
      out.insert(out.end(), due.begin(), due.end());
      model_.sent(due.size(), now_);
    }
    return out;
  }

  // Lets time pass in steps, writing output as it falls due.
  Bytes advance(Time duration, Time step = 1ms) {
    Bytes out;
    const Time end = now_ + duration;
    while (now_ < end) {
      now_ = std::min(now_ + step, end);
      model_.tick(now_);
      const Bytes due = drain();
      out.insert(out.end(), due.begin(), due.end());
    }
    return out;
  }

  std::vector<Record> records() {
    auto fresh = model_.takeRecords();
    records_.insert(records_.end(), fresh.begin(), fresh.end());
    return records_;
  }

  std::uint32_t speedPeriod() {
    const Bytes reply = send(kSpeed);
    EXPECT_EQ(reply.size(), 4u);
    if (reply.size() != 4) return 0;
    return reply[1] | (reply[2] << 8) | (reply[3] << 16);
  }

 private:
  Time now_ = 1000s;  // anything but zero, so a missing offset shows
  EscModel model_;
  std::vector<Record> records_;
};

std::vector<Record> ofKind(const std::vector<Record>& records, Record::Kind kind) {
  std::vector<Record> out;
  std::copy_if(records.begin(), records.end(), std::back_inserter(out),
               [kind](const Record& r) { return r.kind == kind; });
  return out;
}

bool hasEvent(const std::vector<Record>& records, const std::string& text) {
  return std::any_of(records.begin(), records.end(), [&](const Record& r) {
    return r.kind == Record::Kind::kEvent && r.text == text;
  });
}

// What the PC shows for a period, with its pole count equal to the motor's.
double pcRpm(std::uint32_t period, int poles) {
  return (2'000'000.0 / period) / (poles / 2.0) * 60;
}

// --- Replies to each command -----------------------------------------------------------------

TEST(EscReplies, PollAndThrottleAnswerWithTheStartByteAlone) {
  Esc esc;
  EXPECT_EQ(esc.send(kPoll), Bytes({0x59}));
  EXPECT_EQ(esc.send(throttle(120)), Bytes({0x59}));
  EXPECT_EQ(esc.model().throttle(), 120);
}

TEST(EscReplies, ThrottleAboveFullIsHeldAtFull) {
  Esc esc;
  EXPECT_EQ(esc.send(throttle(255)), Bytes({0x59}));
  EXPECT_EQ(esc.model().throttle(), 200);
}

TEST(EscReplies, IdentifySendsHardwareThenFirmwareLowByteFirst) {
  Esc defaults;
  // 8250 = 0x203A, 1012 = 0x03F4
  EXPECT_EQ(defaults.send(kIdentify), Bytes({0x59, 0x3A, 0x20, 0xF4, 0x03}));

  EscOptions options;
  options.hardware = 12345;  // 0x3039: 36A, line 1, revision 345
  options.firmware = 1234;   // 0x04D2
  Esc custom(options);
  EXPECT_EQ(custom.send(kIdentify), Bytes({0x59, 0x39, 0x30, 0xD2, 0x04}));
}

TEST(EscReplies, ReadsReturnStartupValues) {
  Esc defaults;
  const Bytes expected = {2, 1, 2, 2, 1};
  for (std::uint8_t s = 0; s < 5; ++s) {
    EXPECT_EQ(defaults.send(readSetting(s)), Bytes({0x59, expected[s]})) << "setting " << int(s);
  }

  EscOptions options;
  options.settings = {8, 2, 3, 1, 2};
  Esc custom(options);
  for (std::uint8_t s = 0; s < 5; ++s) {
    EXPECT_EQ(custom.send(readSetting(s)), Bytes({0x59, options.settings[s]}))
        << "setting " << int(s);
  }
}

TEST(EscReplies, WriteStoresTheValueAndAnswersWithIt) {
  Esc esc;
  EXPECT_EQ(esc.send(writeSetting(2, 3)), Bytes({0x59, 3}));
  EXPECT_EQ(esc.send(writeSetting(0, 8)), Bytes({0x59, 8}));
  EXPECT_EQ(esc.send(readSetting(2)), Bytes({0x59, 3}));
  EXPECT_EQ(esc.send(readSetting(0)), Bytes({0x59, 8}));
  EXPECT_EQ(esc.send(readSetting(1)), Bytes({0x59, 1})) << "other settings stay as they were";
}

TEST(EscReplies, WriteOutsideTheSettingsRangeKeepsTheOldValue) {
  Esc esc;
  EXPECT_EQ(esc.send(writeSetting(0, 9)), Bytes({0x59, 2}));
  EXPECT_EQ(esc.send(writeSetting(2, 0)), Bytes({0x59, 2}));
  EXPECT_EQ(esc.send(writeSetting(4, 3)), Bytes({0x59, 1}));
  EXPECT_EQ(esc.send(readSetting(0)), Bytes({0x59, 2}));
}

TEST(EscReplies, RejectWritesAnswersTheOldValueAndStoresNothing) {
  EscOptions options;
  options.reject_writes = true;
  Esc esc(options);
  EXPECT_EQ(esc.send(writeSetting(1, 2)), Bytes({0x59, 1}));
  EXPECT_EQ(esc.send(readSetting(1)), Bytes({0x59, 1}));
}

TEST(EscReplies, SetCommandChangesWhatReadsReturn) {
  Esc esc;
  EXPECT_TRUE(esc.model().setSetting(3, 1, esc.now()));
  EXPECT_EQ(esc.send(readSetting(3)), Bytes({0x59, 1}));
  // Out-of-range values are allowed here, so the PC's handling of them can be tried.
  EXPECT_TRUE(esc.model().setSetting(0, 42, esc.now()));
  EXPECT_EQ(esc.send(readSetting(0)), Bytes({0x59, 42}));
  EXPECT_FALSE(esc.model().setSetting(5, 1, esc.now()));
  EXPECT_FALSE(esc.model().setSetting(0, 256, esc.now()));
  EXPECT_TRUE(hasEvent(esc.records(), "set 3 1"));
}

// --- Framing ---------------------------------------------------------------------------------

TEST(EscFraming, SkipsGarbageUntilTheNextStart) {
  Esc esc;
  EXPECT_EQ(esc.send({0x51, 0x51, 0x4B, 0x00}), Bytes({0x59}));
  EXPECT_EQ(esc.send({0x00, 0xFF, 0x4B, 0x59, 0x51, 0x4B, 0x01}),
            Bytes({0x59, 0x3A, 0x20, 0xF4, 0x03}));
  EXPECT_EQ(esc.send({0x51, 0x00, 0x4B, 0x00}), Bytes{}) << "'Q' and 'K' must be adjacent";
  EXPECT_EQ(esc.send(kPoll), Bytes({0x59}));
}

TEST(EscFraming, UnknownCodesAreIgnoredAndTheNextFrameAnswered) {
  Esc esc;
  EXPECT_EQ(esc.send({0x51, 0x4B, 0x06}), Bytes{});
  EXPECT_EQ(esc.send({0x51, 0x4B, 0xFF}), Bytes{});
  EXPECT_EQ(esc.send(kPoll), Bytes({0x59}));
  // The byte after a "QK" that turned out to be noise may start the real frame.
  EXPECT_EQ(esc.send({0x51, 0x4B, 0x51, 0x4B, 0x00}), Bytes({0x59}));
}

TEST(EscFraming, SettingNumbersAboveFourAreIgnored) {
  Esc esc;
  EXPECT_EQ(esc.send(readSetting(5)), Bytes{});
  EXPECT_EQ(esc.send(writeSetting(7, 1)), Bytes{});
  EXPECT_EQ(esc.send(readSetting(0xFF)), Bytes{});
  EXPECT_EQ(esc.send(kPoll), Bytes({0x59}));
  // Still complete frames, so they are logged for whoever studies the PC's traffic.
  EXPECT_EQ(ofKind(esc.records(), Record::Kind::kRx).size(), 4u);
}

TEST(EscFraming, NoFrameIsAnsweredBeforeItsLastByte) {
  const std::vector<Bytes> frames = {kPoll,        kIdentify, readSetting(4), writeSetting(2, 3),
                                     throttle(10), kSpeed};
  for (const auto& frame : frames) {
    Esc esc;
    for (std::size_t i = 0; i + 1 < frame.size(); ++i) {
      EXPECT_EQ(esc.send({frame[i]}), Bytes{}) << "code " << int(frame[2]) << " byte " << i;
      esc.advance(50ms);
    }
    EXPECT_FALSE(esc.send({frame.back()}).empty()) << "code " << int(frame[2]);
  }
}

TEST(EscFraming, SeveralFramesInOneReadAreAnsweredInOrder) {
  Esc esc;
  EXPECT_EQ(esc.send(concat({kPoll, readSetting(0), writeSetting(1, 2), kPoll})),
            Bytes({0x59, 0x59, 2, 0x59, 2, 0x59}));
}

// Random input, weighted towards the bytes that matter, must only ever produce whole replies
// to logged frames, and exactly what the log says was sent.
TEST(EscFraming, RandomInputOnlyEverProducesLoggedReplies) {
  Esc esc;
  std::mt19937 random(7);
  const Bytes interesting = {0x51, 0x4B, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x59};
  Bytes sent_out;
  for (int round = 0; round < 5000; ++round) {
    Bytes chunk(random() % 16);
    for (auto& byte : chunk) {
      byte = random() % 4 ? interesting[random() % interesting.size()] : random() % 256;
    }
    const Bytes out = esc.send(chunk);
    sent_out.insert(sent_out.end(), out.begin(), out.end());
  }
  const auto records = esc.records();
  Bytes logged;
  std::size_t answered = 0;
  for (const auto& tx : ofKind(records, Record::Kind::kTx)) {
    ASSERT_FALSE(tx.bytes.empty());
    EXPECT_EQ(tx.bytes[0], 0x59);
    logged.insert(logged.end(), tx.bytes.begin(), tx.bytes.end());
    ++answered;
  }
  EXPECT_EQ(sent_out, logged);
  EXPECT_GT(answered, 50u);
  EXPECT_LE(answered, ofKind(records, Record::Kind::kRx).size());
}

// --- The half-duplex line --------------------------------------------------------------------

TEST(EscEcho, HandsBackEveryByteBeforeTheReply) {
  EscOptions options;
  options.line.echo = true;
  Esc esc(options);
  EXPECT_EQ(esc.send({0xAA, 0x51, 0x4B, 0x02, 0x00}),
            Bytes({0xAA, 0x51, 0x4B, 0x02, 0x00, 0x59, 0x02}));
  EXPECT_EQ(esc.send({0x51, 0x4B}), Bytes({0x51, 0x4B})) << "a partial frame is echoed only";
  EXPECT_EQ(esc.send({0x00}), Bytes({0x00, 0x59}));
}

TEST(EscEcho, EchoComesBackEvenWhileMuted) {
  EscOptions options;
  options.line.echo = true;
  Esc esc(options);
  esc.model().setMuted(true, esc.now());
  EXPECT_EQ(esc.send(kPoll), kPoll);
}

TEST(EscEcho, WithoutEchoOnlyTheReplyComesBack) {
  Esc esc;
  EXPECT_EQ(esc.send(readSetting(2)), Bytes({0x59, 0x02}));
}

// --- The motor -------------------------------------------------------------------------------

TEST(EscMotor, SpeedIsZeroWhileTheMotorStands) {
  Esc esc;
  EXPECT_EQ(esc.speedPeriod(), 0u);
  esc.advance(2s);
  EXPECT_EQ(esc.speedPeriod(), 0u);
}

TEST(EscMotor, SettledPeriodMatchesThrottle) {
  struct Case {
    std::uint8_t throttle;
    int poles;
    std::uint32_t period;  // 240,000,000 / (rpm * poles), rounded
  };
  const Case cases[] = {{200, 14, 1429}, {100, 14, 2857}, {50, 14, 5714}, {200, 12, 1667}};
  for (const auto& c : cases) {
    EscOptions options;
    options.motor.poles = c.poles;
    options.failsafe = Time::zero();
    Esc esc(options);
    esc.send(throttle(c.throttle));
    esc.advance(8s, 10ms);  // twenty time constants
    const auto period = esc.speedPeriod();
    EXPECT_EQ(period, c.period) << "throttle " << int(c.throttle) << ", " << c.poles << " poles";
    EXPECT_NEAR(pcRpm(period, c.poles), 12000.0 * c.throttle / 200,
                12000.0 * c.throttle / 200 / 1000);
  }
}

TEST(EscMotor, SpeedFollowsThrottleWithALag) {
  EscOptions options;
  options.failsafe = Time::zero();
  Esc esc(options);
  esc.send(throttle(200));
  esc.advance(400ms);  // one time constant
  EXPECT_NEAR(esc.model().rpm(), 12000 * (1 - std::exp(-1.0)), 12);
  const auto period = esc.speedPeriod();
  EXPECT_GT(period, 1429u) << "not yet at full speed";
  EXPECT_NEAR(pcRpm(period, 14), 12000 * (1 - std::exp(-1.0)), 12);
}

TEST(EscMotor, SpeedDoesNotDependOnHowTimeIsSliced) {
  EscOptions options;
  options.failsafe = Time::zero();
  Esc coarse(options);
  Esc fine(options);
  coarse.send(throttle(150));
  fine.send(throttle(150));
  coarse.advance(700ms, 700ms);
  fine.advance(700ms, 1ms);
  EXPECT_NEAR(coarse.model().rpm(), fine.model().rpm(), 1e-6);
}

TEST(EscMotor, MaxRpmScalesTheSpeed) {
  EscOptions options;
  options.motor.max_rpm = 24000;
  options.motor.tau = Time::zero();
  options.failsafe = Time::zero();
  Esc esc(options);
  esc.send(throttle(200));
  esc.advance(1ms);
  EXPECT_EQ(esc.speedPeriod(), 714u);  // 240e6 / (24000 * 14) = 714.3
}

// --- Signal-loss failsafe --------------------------------------------------------------------

TEST(EscFailsafe, ThrottleDropsWhenRequestsStopAndTheMotorCoastsToAStop) {
  Esc esc;
  esc.send(throttle(200));
  // Polls keep the throttle alive well past one failsafe time.
  for (int i = 0; i < 6; ++i) {
    esc.advance(500ms);
    esc.send(kPoll);
  }
  EXPECT_EQ(esc.model().throttle(), 200);
  EXPECT_GT(esc.model().rpm(), 11000);
  ASSERT_TRUE(esc.model().nextWake().has_value()) << "the program must wake for the failsafe";
  EXPECT_EQ(*esc.model().nextWake(), esc.now() + 1000ms);

  esc.advance(999ms);
  EXPECT_EQ(esc.model().throttle(), 200);
  esc.advance(1ms);
  EXPECT_EQ(esc.model().throttle(), 0);
  EXPECT_TRUE(hasEvent(esc.records(), "failsafe"));

  esc.advance(8s, 10ms);
  EXPECT_EQ(esc.speedPeriod(), 0u);
  EXPECT_EQ(esc.model().throttle(), 0) << "requests alone do not bring the throttle back";
}

TEST(EscFailsafe, ZeroMeansNever) {
  EscOptions options;
  options.failsafe = Time::zero();
  Esc esc(options);
  esc.send(throttle(100));
  esc.advance(10s, 100ms);
  EXPECT_EQ(esc.model().throttle(), 100);
  EXPECT_FALSE(esc.model().nextWake().has_value());
}

TEST(EscFailsafe, FiresAtItsDeadlineEvenWhenTimeJumps) {
  EscOptions options;
  options.motor.tau = 100ms;
  Esc esc(options);
  esc.send(throttle(200));
  esc.advance(5s, 5s);  // one step far past the deadline
  EXPECT_EQ(esc.model().throttle(), 0);
  // 1 s at full throttle, then 4 s = 40 time constants of coasting: standing.
  EXPECT_LT(esc.model().rpm(), 1);
  const auto records = esc.records();
  const auto failsafe = std::find_if(records.begin(), records.end(),
                                     [](const Record& r) { return r.text == "failsafe"; });
  ASSERT_NE(failsafe, records.end());
  EXPECT_EQ(failsafe->at, esc.now() - 4s);
}

// --- Line faults and timing ------------------------------------------------------------------

TEST(EscFaults, DropAlwaysNeverAnswers) {
  EscOptions options;
  options.line.drop = 1.0;
  Esc esc(options);
  for (const auto& frame : {kPoll, kIdentify, readSetting(0), writeSetting(0, 3)}) {
    EXPECT_EQ(esc.send(frame), Bytes{});
  }
  EXPECT_EQ(esc.advance(1s), Bytes{});
  const auto records = esc.records();
  EXPECT_EQ(ofKind(records, Record::Kind::kRx).size(), 4u);
  EXPECT_TRUE(ofKind(records, Record::Kind::kTx).empty());
  EXPECT_EQ(esc.send(readSetting(0)), Bytes{}) << "the write still took effect";
  esc.model().takeRecords();
}

TEST(EscFaults, DropSometimesAnswersSomeAndRepeatsWithTheSameSeed) {
  EscOptions options;
  options.line.drop = 0.5;
  options.line.seed = 42;
  auto answers = [&] {
    Esc esc(options);
    std::string pattern;
    for (int i = 0; i < 200; ++i) pattern += esc.send(kPoll).empty() ? '.' : 'Y';
    return pattern;
  };
  const std::string first = answers();
  EXPECT_EQ(first, answers());
  const auto answered = std::count(first.begin(), first.end(), 'Y');
  EXPECT_GT(answered, 60);
  EXPECT_LT(answered, 140);

  options.line.seed = 43;
  EXPECT_NE(first, answers()) << "another seed, other faults";
}

TEST(EscFaults, CorruptAlwaysChangesExactlyOneDataByte) {
  EscOptions options;
  options.line.corrupt = 1.0;
  Esc esc(options);
  const Bytes clean = {0x59, 0x3A, 0x20, 0xF4, 0x03};
  for (int i = 0; i < 100; ++i) {
    const Bytes reply = esc.send(kIdentify);
    ASSERT_EQ(reply.size(), clean.size());
    EXPECT_EQ(reply[0], 0x59);
    int changed = 0;
    for (std::size_t b = 1; b < clean.size(); ++b) changed += reply[b] != clean[b];
    EXPECT_EQ(changed, 1) << "reply " << i;
  }
  EXPECT_EQ(esc.send(kPoll), Bytes({0x59})) << "a reply without data bytes has none to change";
}

TEST(EscFaults, NoiseComesBeforeTheReplyAndNeverContainsItsStartByte) {
  EscOptions options;
  options.line.noise = 1.0;
  Esc esc(options);
  std::vector<int> lengths(4);
  for (int i = 0; i < 300; ++i) {
    const Bytes out = esc.send(readSetting(0));
    ASSERT_GE(out.size(), 3u);
    ASSERT_LE(out.size(), 5u);
    const Bytes noise(out.begin(), out.end() - 2);
    EXPECT_EQ(std::count(noise.begin(), noise.end(), 0x59), 0);
    EXPECT_EQ(Bytes(out.end() - 2, out.end()), Bytes({0x59, 0x02}));
    ++lengths[noise.size()];
  }
  EXPECT_GT(lengths[1], 0);
  EXPECT_GT(lengths[2], 0);
  EXPECT_GT(lengths[3], 0);
}

TEST(EscFaults, ReplyDelayHoldsTheWholeReply) {
  EscOptions options;
  options.line.reply_delay = 20ms;
  options.line.echo = true;
  Esc esc(options);
  EXPECT_EQ(esc.send(kPoll), kPoll) << "the echo is the line's, not delayed";
  EXPECT_EQ(esc.advance(19ms), Bytes{});
  EXPECT_EQ(esc.advance(1ms), Bytes({0x59}));
}

TEST(EscFaults, SplitSendsTwoPartsWithAPauseBetween) {
  EscOptions options;
  options.line.reply_delay = 5ms;
  options.line.split = 30ms;
  Esc esc(options);
  EXPECT_EQ(esc.send(kIdentify), Bytes{});
  EXPECT_EQ(esc.advance(5ms), Bytes({0x59, 0x3A, 0x20}));
  EXPECT_EQ(esc.advance(29ms), Bytes{});
  EXPECT_EQ(esc.advance(1ms), Bytes({0xF4, 0x03}));

  const auto tx = ofKind(esc.records(), Record::Kind::kTx);
  ASSERT_EQ(tx.size(), 1u) << "one reply, logged once it is all out";
  EXPECT_EQ(tx[0].bytes, Bytes({0x59, 0x3A, 0x20, 0xF4, 0x03}));
  EXPECT_EQ(tx[0].at, esc.now());
}

TEST(EscFaults, RepliesNeverInterleave) {
  EscOptions options;
  options.line.split = 50ms;
  Esc esc(options);
  Bytes out = esc.send(readSetting(0));
  esc.advance(10ms);
  const Bytes more = esc.send(readSetting(1));
  out.insert(out.end(), more.begin(), more.end());
  const Bytes rest = esc.advance(200ms);
  out.insert(out.end(), rest.begin(), rest.end());
  EXPECT_EQ(out, Bytes({0x59, 0x02, 0x59, 0x01}));
}

TEST(EscFaults, WireTimeSendsOneByteEveryByteTime) {
  EscOptions options;
  options.line.wire_time = true;
  Esc esc(options);
  EXPECT_EQ(esc.send(kIdentify), Bytes({0x59})) << "only the first byte may go at once";
  Bytes out = {0x59};
  int steps_with_output = 0;
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(esc.advance(kByteTime - 1ns, kByteTime - 1ns), Bytes{});
    const Bytes next = esc.advance(1ns, 1ns);
    EXPECT_EQ(next.size(), 1u);
    steps_with_output += !next.empty();
    out.insert(out.end(), next.begin(), next.end());
  }
  EXPECT_EQ(out, Bytes({0x59, 0x3A, 0x20, 0xF4, 0x03}));
  EXPECT_EQ(steps_with_output, 4);
  using Micros = std::chrono::duration<double, std::micro>;
  EXPECT_NEAR(Micros(kByteTime).count(), 260.4, 0.1);
}

// --- Control ---------------------------------------------------------------------------------

TEST(EscControl, MuteStopsAnswersButFramesAreStillLogged) {
  Esc esc;
  esc.model().setMuted(true, esc.now());
  EXPECT_EQ(esc.send(kPoll), Bytes{});
  EXPECT_EQ(esc.send(writeSetting(2, 1)), Bytes{});
  EXPECT_EQ(esc.advance(1s), Bytes{});
  esc.model().setMuted(false, esc.now());
  EXPECT_EQ(esc.send(readSetting(2)), Bytes({0x59, 1})) << "the muted write was still carried out";

  const auto records = esc.records();
  EXPECT_EQ(ofKind(records, Record::Kind::kRx).size(), 3u);
  EXPECT_EQ(ofKind(records, Record::Kind::kTx).size(), 1u);
  EXPECT_TRUE(hasEvent(records, "mute"));
  EXPECT_TRUE(hasEvent(records, "unmute"));
}

TEST(EscControl, LostLineDiscardsPendingRepliesAndPartialFrames) {
  EscOptions options;
  options.line.reply_delay = 50ms;
  Esc esc(options);
  esc.send(kPoll);
  esc.send({0x51, 0x4B, 0x02});
  esc.model().lineLost(esc.now());
  EXPECT_EQ(esc.send({0x00}), Bytes{});
  EXPECT_EQ(esc.advance(100ms), Bytes{}) << "neither the old reply nor a read of setting 0";
  esc.send(kPoll);
  EXPECT_EQ(esc.advance(50ms), Bytes({0x59}));
  EXPECT_TRUE(hasEvent(esc.records(), "hangup"));
}

// --- The log ---------------------------------------------------------------------------------

TEST(EscLog, LinesCarryMicrosecondsDirectionAndUppercaseHex) {
  EXPECT_EQ(formatRecord(Record{123456789ns, Record::Kind::kRx, {}, {0x51, 0x4B, 0x02, 0x0A}}),
            "123456 rx 51 4B 02 0A");
  EXPECT_EQ(formatRecord(Record{2s, Record::Kind::kTx, {}, {0x59, 0xFF}}), "2000000 tx 59 FF");
  EXPECT_EQ(formatRecord(eventRecord(5us, "set 0 3")), "5 event set 0 3");
  EXPECT_EQ(formatRecord(eventRecord(5us, "noise", {0x00, 0xAB})), "5 event noise 00 AB");
}

TEST(EscLog, RxIsStampedOnArrivalAndTxWhenTheLastByteIsWritten) {
  EscOptions options;
  options.line.reply_delay = 3ms;
  Esc esc(options);
  const Time arrival = esc.now();
  esc.send(readSetting(4));
  esc.advance(10ms);
  const auto records = esc.records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].kind, Record::Kind::kRx);
  EXPECT_EQ(records[0].at, arrival);
  EXPECT_EQ(records[0].bytes, readSetting(4));
  EXPECT_EQ(records[1].kind, Record::Kind::kTx);
  EXPECT_EQ(records[1].at, arrival + 3ms);
  EXPECT_EQ(records[1].bytes, Bytes({0x59, 0x01}));
}

// --- Command line ----------------------------------------------------------------------------

TEST(SimCommandLine, DefaultsMatchTheEscsStartup) {
  const auto parsed = parseOptions({});
  ASSERT_EQ(parsed.error, "");
  const EscOptions& esc = parsed.options.esc;
  EXPECT_EQ(esc.settings, Settings({2, 1, 2, 2, 1}));
  EXPECT_EQ(esc.hardware, 8250);
  EXPECT_EQ(esc.firmware, 1012);
  EXPECT_EQ(esc.motor.poles, 14);
  EXPECT_EQ(esc.failsafe, 1000ms);
  EXPECT_EQ(esc.line.seed, 1u);
  EXPECT_FALSE(esc.line.split.has_value());
}

TEST(SimCommandLine, ReadsEveryOptionInBothSpellings) {
  const auto parsed = parseOptions({"--settings",
                                    "8,2,3,1,2",
                                    "--hw=13499",
                                    "--fw",
                                    "1234",
                                    "--poles",
                                    "12",
                                    "--tau",
                                    "250",
                                    "--failsafe=0",
                                    "--echo",
                                    "--wire-time",
                                    "--reply-delay",
                                    "2.5",
                                    "--split",
                                    "4",
                                    "--drop",
                                    "0.1",
                                    "--noise=0.2",
                                    "--corrupt",
                                    "1",
                                    "--seed",
                                    "99",
                                    "--reject-writes",
                                    "--max-rpm",
                                    "30000",
                                    "--link",
                                    "/tmp/esc",
                                    "--log",
                                    "/tmp/esc.log"});
  ASSERT_EQ(parsed.error, "");
  const SimOptions& o = parsed.options;
  EXPECT_EQ(o.esc.settings, Settings({8, 2, 3, 1, 2}));
  EXPECT_EQ(o.esc.hardware, 13499);
  EXPECT_EQ(o.esc.firmware, 1234);
  EXPECT_EQ(o.esc.motor.poles, 12);
  EXPECT_EQ(o.esc.motor.tau, 250ms);
  EXPECT_EQ(o.esc.motor.max_rpm, 30000);
  EXPECT_EQ(o.esc.failsafe, Time::zero());
  EXPECT_TRUE(o.esc.line.echo);
  EXPECT_TRUE(o.esc.line.wire_time);
  EXPECT_EQ(o.esc.line.reply_delay, 2500us);
  EXPECT_EQ(o.esc.line.split, Time(4ms));
  EXPECT_DOUBLE_EQ(o.esc.line.drop, 0.1);
  EXPECT_DOUBLE_EQ(o.esc.line.noise, 0.2);
  EXPECT_DOUBLE_EQ(o.esc.line.corrupt, 1.0);
  EXPECT_EQ(o.esc.line.seed, 99u);
  EXPECT_TRUE(o.esc.reject_writes);
  EXPECT_EQ(o.link_path, "/tmp/esc");
  EXPECT_EQ(o.log_path, "/tmp/esc.log");
}

TEST(SimCommandLine, RejectsValuesTheEscCannotHave) {
  const std::vector<std::vector<std::string>> bad = {
      {"--settings", "1,2,3,4"},  {"--settings", "1,2,3,4,5,6"},
      {"--settings", "1,2,,4,5"}, {"--settings", "1,2,3,4,256"},
      {"--poles", "13"},          {"--drop", "1.5"},
      {"--noise", "-0.1"},        {"--hw", "70000"},
      {"--tau", "abc"},           {"--seed"},
      {"--frobnicate"},           {"--corrupt", "nan"},
  };
  for (const auto& args : bad) {
    EXPECT_NE(parseOptions(args).error, "") << args[0] << (args.size() > 1 ? " " + args[1] : "");
  }
  EXPECT_TRUE(parseOptions({"--help"}).options.help);
}

}  // namespace
}  // namespace velmar::sim
