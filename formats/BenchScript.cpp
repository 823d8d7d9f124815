#include "formats/BenchScript.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QStringList>
#include <cmath>

#include "formats/BoundedFile.h"

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

// A value as a message quotes it; long text is cut, the file is untrusted.
QString Found(const QJsonValue& v) {
  switch (v.type()) {
    case QJsonValue::Undefined:
      return QStringLiteral("it is missing");
    case QJsonValue::Null:
      return QStringLiteral("found null");
    case QJsonValue::Bool:
      return v.toBool() ? QStringLiteral("found true") : QStringLiteral("found false");
    case QJsonValue::Double:
      return QStringLiteral("found %1").arg(v.toDouble(), 0, 'g', 15);
    case QJsonValue::String: {
      const QString text = v.toString();
      return QStringLiteral("found the text \"%1\"")
          .arg(text.size() > 40 ? text.left(40) + u'…' : text);
    }
    case QJsonValue::Array:
      return QStringLiteral("found a list of %1").arg(v.toArray().size());
    case QJsonValue::Object:
      return QStringLiteral("found an object");
  }
  return {};
}

// QJsonDocument keeps the last of two equal keys without a word, so the text is
// scanned for them; "pol\u0065s" is the same key as "poles". It runs only on text
// the JSON parser accepted, so every bracket and string is known to close.
std::optional<QString> DuplicateKey(const QByteArray& text) {
  struct Level {
    bool object;
    QString path;
    QSet<QString> keys;
    QString lastKey;
    qsizetype index = 0;
    bool expectKey = true;
  };
  std::vector<Level> levels;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '{' || c == '[') {
      QString path;
      if (!levels.empty()) {
        const Level& up = levels.back();
        path = up.object ? Child(up.path, up.lastKey) : Element(up.path, up.index);
      }
      levels.push_back({c == '{', path, {}, {}});
    } else if ((c == '}' || c == ']') && !levels.empty()) {
      levels.pop_back();
    } else if (c == ',' && !levels.empty()) {
      levels.back().expectKey = levels.back().object;
      ++levels.back().index;
    } else if (c == '"') {
      const qsizetype start = i;
      for (++i; i < text.size() && text[i] != '"'; ++i)
        if (text[i] == '\\') ++i;
      if (levels.empty() || !levels.back().object || !levels.back().expectKey) continue;
      Level& level = levels.back();
      level.expectKey = false;
      // The parser decodes the escapes, so the key compares as the program reads it.
      const QByteArray quoted = text.mid(start, i - start + 1);
      level.lastKey = QJsonDocument::fromJson('[' + quoted + ']').array().at(0).toString();
      if (level.keys.contains(level.lastKey)) return Child(level.path, level.lastKey);
      level.keys.insert(level.lastKey);
    }
  }
  return std::nullopt;
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
  const QJsonObject limits = r.Object(v, "limits", {"rpm_max", "no_speed_ms"});
  if (limits.contains("rpm_max"))
    script.rpmMax = r.Int(limits["rpm_max"], "limits.rpm_max", kRpmMaxRange);
  if (limits.contains("no_speed_ms"))
    script.noSpeed = r.Ms(limits["no_speed_ms"], "limits.no_speed_ms", kNoSpeedRange);
}

// The fixed frame first: a script from a newer program is told as such, before its
// new keys are taken for mistakes.
void ReadFrame(Reader& r, const QJsonObject& top) {
  if (top["format"] != kFormat)
    return r.Fail("format", QStringLiteral("\"%1\"").arg(kFormat), top["format"]);
  const QJsonValue version = top["version"];
  const double number = version.toDouble();
  if (number > kVersion && number == std::trunc(number))
    return r.Fail(QStringLiteral("version %1 is from a newer program; this one reads version %2")
                      .arg(number, 0, 'g', 15)
                      .arg(kVersion));
  if (version != kVersion) r.Fail("version", QString::number(kVersion), version);
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
  if (bytes.size() > kBenchScriptLimit)
    return refuse(QStringLiteral("is larger than %1").arg(SizeText(kBenchScriptLimit)));
  if (!IsUtf8(bytes)) return refuse(QStringLiteral("is not UTF-8 text"));
  QJsonParseError parse;
  const QJsonDocument doc = QJsonDocument::fromJson(bytes, &parse);
  if (parse.error != QJsonParseError::NoError) {
    const QByteArray before = bytes.left(parse.offset);
    return refuse(QStringLiteral("is not valid JSON: %1 at line %2, column %3")
                      .arg(parse.errorString())
                      .arg(before.count('\n') + 1)
                      .arg(before.size() - before.lastIndexOf('\n')));
  }
  if (!doc.isObject()) return refuse(QStringLiteral("must hold one JSON object"));
  if (const auto key = DuplicateKey(bytes))
    return refuse(QStringLiteral("%1 is given twice; a key may appear once").arg(*key));

  const QJsonObject top = doc.object();
  ReadFrame(r, top);
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
