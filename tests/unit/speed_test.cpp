#include "device/Speed.h"

#include <gtest/gtest.h>

namespace velmar {
namespace {

struct SampleCase {
  uint32_t period;
  int poles;
  int32_t sample;
};

class Samples : public ::testing::TestWithParam<SampleCase> {};

TEST_P(Samples, RoundDownInTheGivenOrder) {
  EXPECT_EQ(SpeedSample(GetParam().period, GetParam().poles), GetParam().sample);
}

INSTANTIATE_TEST_SUITE_P(Speed, Samples,
                         ::testing::Values(SampleCase{1000, 14, 17142},
                                           // 63999.99999999999 in double precision, so not 64000.
                                           SampleCase{375, 10, 63999}, SampleCase{6000, 10, 3999},
                                           SampleCase{5000, 12, 4000}, SampleCase{3000, 12, 6666},
                                           SampleCase{301, 2, 398671}, SampleCase{16777215, 24, 0},
                                           SampleCase{1000, 3, 80000}));

TEST(Speed, PeriodIsLittleEndian24Bit) {
  EXPECT_EQ(PeriodFromReply(0xE8, 0x03, 0x00), 1000u);
  EXPECT_EQ(PeriodFromReply(0xFF, 0xFF, 0xFF), 16777215u);
  EXPECT_EQ(PeriodFromReply(0x00, 0x00, 0x01), 65536u);
}

TEST(RpmAverage, ClimbsOverTenSamplesAfterAReset) {
  RpmAverage average;
  average.RpmSamples.fill(999);
  average.RpmPos = 4;
  average.Reset();
  std::vector<int32_t> shown;
  for (int i = 0; i < 11; ++i) shown.push_back(average.Add(17142));
  EXPECT_EQ(shown, (std::vector<int32_t>{1714, 3428, 5142, 6856, 8571, 10285, 11999, 13713, 15427,
                                         17142, 17142}));
}

TEST(RpmAverage, OverwritesTheOldestSampleAndWrapsAtTen) {
  RpmAverage average;
  for (int i = 0; i < 9; ++i) average.Add(100);
  EXPECT_EQ(average.RpmPos, 9);
  EXPECT_EQ(average.Add(100), 100);
  EXPECT_EQ(average.RpmPos, 0);
  EXPECT_EQ(average.Add(1100), 200);
  EXPECT_EQ(average.RpmSamples[0], 1100);
}

TEST(RpmAverage, LargestSamplesDoNotOverflow) {
  RpmAverage average;
  int32_t shown = 0;
  for (int i = 0; i < 10; ++i) shown = average.Add(SpeedSample(301, 2));
  EXPECT_EQ(shown, 398671);
}

}  // namespace
}  // namespace velmar
