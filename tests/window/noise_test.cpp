#include <random>

#include "FormHarness.h"

namespace velmar::testing {
namespace {

// Whatever arrives on the line, the ring stays sound and the window keeps
// working: random bytes in random bursts, at random moments.
TEST_F(FormTest, ANoisyLineNeverBreaksTheRing) {
  Start();
  std::mt19937 random(20261206);
  std::uniform_int_distribution<int> byte(0, 255), burst(0, 12), pause(0, 400);
  std::bernoulli_distribution likely(0.7);
  for (int round = 0; round < 3000; ++round) {
    QByteArray bytes;
    for (int n = burst(random); n > 0; --n)
      bytes.append(char(likely(random) ? 0x59 : byte(random)));
    port.Deliver(bytes);
    if (likely(random)) Slider()->setValue(byte(random) % 201);
    clock.Advance(std::chrono::milliseconds(pause(random)));
    const CommandRing& ring = Probe().ring();
    ASSERT_GE(ring.QueueHead, 0);
    ASSERT_LT(ring.QueueHead, CommandRing::kSlots);
    ASSERT_LE(ring.Waiting(), 8) << "round " << round;
  }
  // A clean ESC afterwards still gets through.
  port.writes.clear();
  Slider()->setValue(0);
  Probe().MotorRunning() = false;
  FramesUntilIdle([](const QByteArray& f) { return EscAnswer(f); });
  EXPECT_EQ(Text("TxtConnState"), QStringLiteral("Connected"));
  EXPECT_EQ(Exchange(kY), kPoll);
}

}  // namespace
}  // namespace velmar::testing
