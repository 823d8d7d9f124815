// SPDX-License-Identifier: GPL-3.0-or-later
#include "Identification.h"

#include <array>

namespace velmar {
namespace {

struct ModelRow {
  uint16_t from;  // the row covers from .. from + 499
  const char* text;
};

// Each model line takes 500 codes; the version counts from 1.000 at the start
// of its range.
constexpr std::array<ModelRow, 12> kModels{{
    {7000, "QK-5A V"},
    {7500, "Torvix-5A V"},
    {8000, "QK-10A V"},
    {8500, "Torvix-10A V"},
    {9000, "QK-18A V"},
    {9500, "Torvix-18A V"},
    {10000, "QK-25A V"},
    {10500, "Torvix-25A V"},
    {11000, "QK-36A V"},
    {11500, "Torvix-36A V"},
    {12000, "QK-50A V"},
    {12500, "Torvix-50A V"},
}};
constexpr uint16_t kRowWidth = 500;

}  // namespace

QString Thousandths(uint32_t thousandths, const QLocale& locale) {
  return QStringLiteral("%1%2%3")
      .arg(thousandths / 1000)
      .arg(locale.decimalPoint())
      .arg(thousandths % 1000, 3, 10, QLatin1Char('0'));
}

QString HardwareText(uint16_t hardwareCode, const QLocale& locale, const QString& unknown) {
  for (const ModelRow& row : kModels) {
    if (hardwareCode >= row.from && hardwareCode < row.from + kRowWidth)
      return QLatin1String(row.text) + Thousandths(1000u + hardwareCode - row.from, locale);
  }
  return unknown + QLatin1String(" V") + Thousandths(1000u + hardwareCode % 1000u, locale);
}

QString FirmwareText(uint16_t firmwareCode, const QLocale& locale) {
  return QLatin1String("V") + Thousandths(firmwareCode, locale);
}

}  // namespace velmar
