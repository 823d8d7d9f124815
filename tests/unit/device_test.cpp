// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "device/Identification.h"
#include "device/Speed.h"
#include "device/Throttle.h"
#include "support/QtPrinters.h"

namespace velmar {
namespace {

TEST(Identification, ModelAndVersionTexts) {
  const QLocale english(QLocale::English, QLocale::UnitedStates);
  // Codes past the signed 16-bit range stay positive.
  const uint16_t codes[] = {7000,  7499,  7500,  8250, 8999, 9000,  10742, 11000,
                            11500, 12999, 13000, 6999, 0,    32768, 65535};
  const QStringList texts = QString(
                                "QK-5A V1.000|QK-5A V1.499|Torvix-5A V1.000|QK-10A V1.250|"
                                "Torvix-10A V1.499|QK-18A V1.000|Torvix-25A V1.242|QK-36A V1.000|"
                                "Torvix-36A V1.000|Torvix-50A V1.499|Unknown V1.000|Unknown V1.999|"
                                "Unknown V1.000|Unknown V1.768|Unknown V1.535")
                                .split('|');
  for (int i = 0; i < texts.size(); ++i)
    EXPECT_EQ(HardwareText(codes[i], english), texts[i]) << codes[i];
  const std::pair<uint16_t, const char*> firmware[] = {
      {0, "V0.000"}, {5, "V0.005"}, {1234, "V1.234"}, {32767, "V32.767"}, {65535, "V65.535"}};
  for (const auto& [code, text] : firmware)
    EXPECT_EQ(FirmwareText(code, english), QLatin1String(text)) << code;
  const QLocale german(QLocale::German, QLocale::Germany);
  EXPECT_EQ(HardwareText(8250, german), QStringLiteral("QK-10A V1,250"));
}

TEST(Speed, SamplesRoundDownInTheGivenOrder) {
  // Period bytes, poles, sample; 0x177 = 375 gives 63999.99999999999 in double precision.
  const std::tuple<uint8_t, uint8_t, uint8_t, int, int32_t> cases[] = {
      {0xE8, 0x03, 0x00, 14, 17142}, {0x77, 0x01, 0x00, 10, 63999}, {0x70, 0x17, 0x00, 10, 3999},
      {0x88, 0x13, 0x00, 12, 4000},  {0xB8, 0x0B, 0x00, 12, 6666},  {0x2D, 0x01, 0x00, 2, 398671},
      {0xFF, 0xFF, 0xFF, 24, 0},     {0xE8, 0x03, 0x00, 3, 80000}};
  for (const auto& [b1, b2, b3, poles, sample] : cases)
    EXPECT_EQ(SpeedSample(PeriodFromReply(b1, b2, b3), poles), sample) << sample;
  EXPECT_EQ(PeriodFromReply(0x00, 0x00, 0x01), 65536u);
}

TEST(Speed, AverageClimbsOverTenSamplesThenOverwritesTheOldest) {
  RpmAverage average;
  average.Add(999);
  average.Reset();
  std::vector<int32_t> shown;
  for (int i = 0; i < 11; ++i) shown.push_back(average.Add(17142));
  EXPECT_EQ(shown, (std::vector<int32_t>{1714, 3428, 5142, 6856, 8571, 10285, 11999, 13713, 15427,
                                         17142, 17142}));
  EXPECT_EQ(average.Add(17142 + 10), 17143);
  for (int i = 0; i < 10; ++i) average.Add(SpeedSample(301, 2));
  EXPECT_EQ(average.Add(SpeedSample(301, 2)), 398671);  // the largest sum fits
}

TEST(Throttle, RiseLimitAndRunFlag) {
  const std::tuple<int, int, int> rises[] = {{100, 0, 5},  {41, 40, 41}, {45, 40, 45},
                                             {46, 40, 45}, {0, 40, 0},   {0, 200, 0}};
  for (const auto& [value, last, kept] : rises) EXPECT_EQ(LimitRise(value, last, 5), kept);
  const std::pair<int, std::optional<bool>> flags[] = {
      {0, false}, {19, false}, {20, std::nullopt}, {25, std::nullopt}, {26, true}, {200, true}};
  for (const auto& [throttle, flag] : flags) EXPECT_EQ(RunFlag(throttle), flag) << throttle;
}

}  // namespace
}  // namespace velmar
