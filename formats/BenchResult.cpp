// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/BenchResult.h"

#include <algorithm>

namespace velmar {

QString QuantityName(BenchQuantity quantity) {
  switch (quantity) {
    case BenchQuantity::Rpm:
      return QStringLiteral("rpm");
    case BenchQuantity::Thrust:
      return QStringLiteral("thrust");
    case BenchQuantity::Current:
      return QStringLiteral("current");
    case BenchQuantity::Power:
      return QStringLiteral("power");
    case BenchQuantity::GPerW:
      break;
  }
  return QStringLiteral("g_per_w");
}

std::optional<BenchQuantity> QuantityNamed(const QString& name) {
  for (const BenchQuantity q : kBenchQuantities)
    if (QuantityName(q) == name) return q;
  return std::nullopt;
}

std::optional<double> QuantityOf(const StepResult& step, BenchQuantity quantity) {
  if (quantity == BenchQuantity::Rpm) return step.rpmMean;
  if (!step.sensor) return std::nullopt;
  switch (quantity) {
    case BenchQuantity::Thrust:
      return step.sensor->thrust;
    case BenchQuantity::Current:
      return step.sensor->current;
    case BenchQuantity::Power:
      return step.sensor->power;
    default:
      return step.sensor->gPerW;
  }
}

bool Holds(const BenchResult& result, BenchQuantity quantity) {
  return std::any_of(result.steps.begin(), result.steps.end(),
                     [&](const StepResult& s) { return QuantityOf(s, quantity).has_value(); });
}

}  // namespace velmar
