#include "device/Identification.h"

#include <gtest/gtest.h>

#include "support/QtPrinters.h"

namespace velmar {
namespace {

const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

struct HardwareCase {
  uint16_t code;
  const char* text;
};

class HardwareTable : public ::testing::TestWithParam<HardwareCase> {};

TEST_P(HardwareTable, NamesModelAndVersion) {
  EXPECT_EQ(HardwareText(GetParam().code, kEnglish).toStdString(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Identification, HardwareTable,
    ::testing::Values(
        HardwareCase{7000, "QK-5A V1.000"}, HardwareCase{7499, "QK-5A V1.499"},
        HardwareCase{7500, "Torvix-5A V1.000"}, HardwareCase{8250, "QK-10A V1.250"},
        HardwareCase{8999, "Torvix-10A V1.499"}, HardwareCase{9000, "QK-18A V1.000"},
        HardwareCase{10742, "Torvix-25A V1.242"}, HardwareCase{11000, "QK-36A V1.000"},
        HardwareCase{11500, "Torvix-36A V1.000"}, HardwareCase{12000, "QK-50A V1.000"},
        HardwareCase{12999, "Torvix-50A V1.499"}, HardwareCase{13000, "Unknown V1.000"},
        HardwareCase{6999, "Unknown V1.999"}, HardwareCase{0, "Unknown V1.000"},
        // Codes past the signed 16-bit range stay positive.
        HardwareCase{32767, "Unknown V1.767"}, HardwareCase{32768, "Unknown V1.768"},
        HardwareCase{65535, "Unknown V1.535"}));

TEST(Identification, FirmwareInThousandths) {
  EXPECT_EQ(FirmwareText(0, kEnglish), QStringLiteral("V0.000"));
  EXPECT_EQ(FirmwareText(5, kEnglish), QStringLiteral("V0.005"));
  EXPECT_EQ(FirmwareText(1000, kEnglish), QStringLiteral("V1.000"));
  EXPECT_EQ(FirmwareText(1234, kEnglish), QStringLiteral("V1.234"));
  EXPECT_EQ(FirmwareText(32767, kEnglish), QStringLiteral("V32.767"));
  EXPECT_EQ(FirmwareText(65535, kEnglish), QStringLiteral("V65.535"));
}

TEST(Identification, UsesTheUsersDecimalSeparator) {
  const QLocale german(QLocale::German, QLocale::Germany);
  EXPECT_EQ(HardwareText(8250, german), QStringLiteral("QK-10A V1,250"));
  EXPECT_EQ(FirmwareText(1234, german), QStringLiteral("V1,234"));
}

}  // namespace
}  // namespace velmar
