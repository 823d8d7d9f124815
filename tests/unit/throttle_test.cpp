#include "device/Throttle.h"

#include <gtest/gtest.h>

namespace velmar {
namespace {

TEST(Throttle, RisesAreLimitedToTheLargeStepFromTheLastAcceptedValue) {
  EXPECT_EQ(LimitRise(100, 0, 5), 5);
  EXPECT_EQ(LimitRise(41, 40, 5), 41);
  EXPECT_EQ(LimitRise(45, 40, 5), 45);
  EXPECT_EQ(LimitRise(46, 40, 5), 45);
  EXPECT_EQ(LimitRise(200, 195, 5), 200);
}

TEST(Throttle, FallsOfAnySizeAreAccepted) {
  EXPECT_EQ(LimitRise(0, 40, 5), 0);
  EXPECT_EQ(LimitRise(0, 200, 5), 0);
}

TEST(Throttle, RunFlagHasHysteresis) {
  EXPECT_EQ(RunFlag(0), false);
  EXPECT_EQ(RunFlag(19), false);
  for (int t = 20; t <= 25; ++t) EXPECT_EQ(RunFlag(t), std::nullopt) << t;
  EXPECT_EQ(RunFlag(26), true);
  EXPECT_EQ(RunFlag(200), true);
}

}  // namespace
}  // namespace velmar
