// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/BenchScript.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>
#include <cmath>

#include "formats/StrictJson.h"

namespace velmar {

using std::chrono::milliseconds;

namespace {

const QString kFormat = QStringLiteral("velmar-bench-run");
constexpr int kVersion = 1;

QString Child(const QString& path, const QString& key) {
  return path.isEmpty() ? key : path + u'.' + key;
}

QString Element(const QString& path, qsizetype index) {
  return QStringLiteral("%1[%2]").arg(path).arg(index);
}

QString AndList(QStringList items) {
  const QString last = items.takeLast();
  return items.isEmpty() ? last : items.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
}

// Reads the parsed document; the first fault found is the one reported.
class Reader {
 public:
  Reader(const QString& name, QString* error) : m_name(name), m_error(error) {}

  bool Failed() const { return m_failed; }

  void Fail(const QString& what) {
    if (m_failed) return;
    m_failed = true;
    if (m_error) *m_error = QStringLiteral("%1: %2").arg(m_name, what);
  }
  void Fail(const QString& path, const QString& allowed, const QJsonValue& found) {
    Fail(QStringLiteral("%1 must be %2; %3").arg(path, allowed, Found(found)));
  }

  void Keys(const QJsonObject& object, const QString& path, const QStringList& allowed) {
    for (auto it = object.begin(); it != object.end(); ++it)
      if (!allowed.contains(it.key()))
        return Fail(QStringLiteral("%1 is not a key this program knows; %2 may hold %3")
                        .arg(Child(path, it.key()), path.isEmpty() ? "the script" : path,
                             AndList(allowed)));
  }

  int Int(const QJsonValue& v, const QString& path, IntRange range, bool even = false) {
    // Compared as a double first: 1e300 or 40.5 must not reach an int.
    const double d = v.toDouble(std::nan(""));
    if (d >= range.lo && d <= range.hi && d == std::trunc(d) && (!even || int(d) % 2 == 0))
      return int(d);
    Fail(path,
         QStringLiteral("%1whole number from %2 to %3")
             .arg(even ? "an even " : "a ")
             .arg(range.lo)
             .arg(range.hi),
         v);
    return range.lo;
  }

  double Real(const QJsonValue& v, const QString& path, DecimalRange range) {
    const double d = v.toDouble(std::nan(""));
    if (v.isDouble() && range.Holds(d)) return d;
    Fail(path, QStringLiteral("a number from %1 to %2").arg(range.lo).arg(range.hi), v);
    return range.lo;
  }

  milliseconds Ms(const QJsonValue& v, const QString& path, IntRange range) {
    return milliseconds(Int(v, path, range));
  }

  QJsonObject Object(const QJsonValue& v, const QString& path, const QStringList& keys) {
    if (!v.isObject())
      Fail(path, QStringLiteral("an object with %1").arg(AndList(keys)), v);
    else
      Keys(v.toObject(), path, keys);
    return v.toObject();
  }

 private:
  QString m_name;
  QString* m_error;
  bool m_failed = false;
};

std::vector<BenchStep> Sweep(int from, int to, int stride, milliseconds settle, milliseconds hold) {
  const int direction = from <= to ? 1 : -1;
  std::vector<BenchStep> steps;
  for (int t = from; direction * (to - t) >= 0; t += direction * stride)
    steps.push_back({t, settle, hold});
  // The sweep always ends on its last value, even where the stride passes it.
  if (steps.back().throttle != to) steps.push_back({to, settle, hold});
  return steps;
}

std::vector<BenchStep> ReadSweep(Reader& r, const QJsonValue& v) {
  const QString p = QStringLiteral("sweep");
  const QJsonObject sweep = r.Object(v, p, {"from", "to", "step", "settle_ms", "hold_ms"});
  const int from = r.Int(sweep["from"], Child(p, "from"), kThrottleRange);
  const int to = r.Int(sweep["to"], Child(p, "to"), kThrottleRange);
  const int stride = r.Int(sweep["step"], Child(p, "step"), kSweepStrideRange);
  const milliseconds settle = r.Ms(sweep["settle_ms"], Child(p, "settle_ms"), kSettleRange);
  const milliseconds hold = r.Ms(sweep["hold_ms"], Child(p, "hold_ms"), kHoldRange);
  return r.Failed() ? std::vector<BenchStep>{} : Sweep(from, to, stride, settle, hold);
}

std::vector<BenchStep> ReadSteps(Reader& r, const QJsonValue& v) {
  const QJsonArray list = v.toArray();
  if (!v.isArray() || list.isEmpty() || list.size() > kMaxBenchSteps) {
    r.Fail("steps", QStringLiteral("a list of 1 to %1 steps").arg(kMaxBenchSteps), v);
    return {};
  }
  std::vector<BenchStep> steps;
  for (qsizetype i = 0; i < list.size() && !r.Failed(); ++i) {
    const QString p = Element("steps", i);
    const QJsonObject step = r.Object(list[i], p, {"throttle", "settle_ms", "hold_ms"});
    steps.push_back({r.Int(step["throttle"], Child(p, "throttle"), kThrottleRange),
                     r.Ms(step["settle_ms"], Child(p, "settle_ms"), kSettleRange),
                     r.Ms(step["hold_ms"], Child(p, "hold_ms"), kHoldRange)});
  }
  return steps;
}

void ReadLimits(Reader& r, const QJsonValue& v, BenchScript& script) {
  if (v.isUndefined()) return;
  const QJsonObject limits = r.Object(v, "limits",
                                      {"rpm_max", "no_speed_ms", "current_max_a", "thrust_max_g",
                                       "power_max_w", "sensor_silent_ms"});
  if (limits.contains("rpm_max"))
    script.rpmMax = r.Int(limits["rpm_max"], "limits.rpm_max", kRpmMaxRange);
  if (limits.contains("no_speed_ms"))
    script.noSpeed = r.Ms(limits["no_speed_ms"], "limits.no_speed_ms", kNoSpeedRange);
  const auto real = [&](const char* key, DecimalRange range, std::optional<double>& to) {
    if (limits.contains(key)) to = r.Real(limits[key], QStringLiteral("limits.") + key, range);
  };
  real("current_max_a", kCurrentMaxRange, script.currentMax);
  real("thrust_max_g", kThrustMaxRange, script.thrustMax);
  real("power_max_w", kPowerMaxRange, script.powerMax);
  if (limits.contains("sensor_silent_ms"))
    script.sensorSilent =
        r.Ms(limits["sensor_silent_ms"], "limits.sensor_silent_ms", kSensorSilentRange);
}

}  // namespace

milliseconds BenchRunLength(const std::vector<BenchStep>& steps) {
  milliseconds total{0};
  int last = 0;
  for (const BenchStep& step : steps) {
    const int rise = std::max(0, step.throttle - last);
    total += (rise + kClimbPerPoll - 1) / kClimbPerPoll * kClimbPollInterval;
    total += step.settle + step.hold;
    last = step.throttle;
  }
  return total;
}

std::optional<BenchScript> ParseBenchScript(const QByteArray& bytes, const QString& name,
                                            QString* error) {
  Reader r(name, error);
  const auto refuse = [&](const QString& what) {
    r.Fail(what);
    return std::optional<BenchScript>();
  };
  QString fault;
  const std::optional<QJsonObject> parsed = ParseStrictObject(bytes, &fault);
  // The fixed frame first: a script from a newer program is told as such, before its new keys
  // are taken for mistakes.
  if (!parsed || !CheckFormatAndVersion(*parsed, kFormat, kVersion, &fault)) return refuse(fault);
  const QJsonObject& top = *parsed;
  r.Keys(top, {}, {"format", "version", "poles", "sweep", "steps", "limits"});
  BenchScript script;
  script.poles = r.Int(top["poles"], "poles", kPolesRange, true);
  const bool sweep = top.contains("sweep");
  if (sweep == top.contains("steps"))
    r.Fail(QStringLiteral("sweep and steps: a script holds exactly one of them; this one holds %1")
               .arg(sweep ? "both" : "neither"));
  if (!r.Failed()) script.steps = sweep ? ReadSweep(r, top["sweep"]) : ReadSteps(r, top["steps"]);
  ReadLimits(r, top["limits"], script);
  const milliseconds length = BenchRunLength(script.steps);
  if (length > kMaxBenchRun)
    r.Fail(QStringLiteral("%1 would run for %2 ms, climbs included; a run lasts at most %3 ms "
                          "(one hour)")
               .arg(sweep ? "sweep" : "steps")
               .arg(length.count())
               .arg(kMaxBenchRun.count()));
  if (r.Failed()) return std::nullopt;
  return script;
}

std::optional<BenchScript> ReadBenchScript(const QString& path, QString* error) {
  const auto bytes = ReadBounded(path, kBenchScriptLimit, error);
  if (!bytes) return std::nullopt;
  return ParseBenchScript(*bytes, path, error);
}

QByteArray DefaultBenchScriptText() {
  return R"({
  "format": "velmar-bench-run",
  "version": 1,
  "poles": 14,
  "sweep": {"from": 40, "to": 200, "step": 20, "settle_ms": 800, "hold_ms": 2000},
  "limits": {"rpm_max": 30000, "no_speed_ms": 1500}
}
)";
}

BenchScript DefaultBenchScript() {
  // Read from its own text, so the two cannot drift apart.
  return *ParseBenchScript(DefaultBenchScriptText(), QStringLiteral("the default script"), nullptr);
}

}  // namespace velmar
