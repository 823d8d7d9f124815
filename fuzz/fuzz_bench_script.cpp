// SPDX-License-Identifier: GPL-3.0-or-later
// The bench-run script reader on fuzzed files: whatever it accepts is well-formed UTF-8 within
// the size limit and holds only values inside their ranges, in a run of at most one hour.
#include <QStringDecoder>
#include <cstdio>
#include <cstdlib>

#include "formats/BenchScript.h"

static void Require(bool holds, const char* rule) {
  if (!holds) std::fprintf(stderr, "broken: %s\n", rule), std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velmar;
  const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  QString error;
  const auto script = ParseBenchScript(bytes, QStringLiteral("f.json"), &error);
  Require(script ? error.isEmpty() : error.startsWith("f.json: "), "refused naming the file");
  if (!script) return 0;
  QStringDecoder utf8(QStringDecoder::Utf8);
  const QString text = utf8.decode(bytes);
  Require(!utf8.hasError() && size <= size_t(kBenchScriptLimit), "UTF-8 within the size limit");
  Require(kPolesRange.Holds(script->poles) && script->poles % 2 == 0, "poles even, 2 to 30");
  Require(!script->steps.empty() && script->steps.size() <= kMaxBenchSteps, "1 to 1000 steps");
  for (const BenchStep& step : script->steps)
    Require(kThrottleRange.Holds(step.throttle) && kSettleRange.Holds(step.settle.count()) &&
                kHoldRange.Holds(step.hold.count()),
            "every step's throttle, settle and hold in range");
  Require(!script->rpmMax || kRpmMaxRange.Holds(*script->rpmMax), "rpm_max in range");
  Require(kNoSpeedRange.Holds(script->noSpeed.count()), "no_speed_ms in range");
  Require(BenchRunLength(script->steps) <= kMaxBenchRun, "a run of at most one hour");
  return 0;
}
