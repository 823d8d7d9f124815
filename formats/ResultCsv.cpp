// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/ResultCsv.h"

#include <QList>
#include <algorithm>
#include <cmath>

#include "formats/StrictJson.h"

namespace velmar {

using std::chrono::milliseconds;

namespace {

constexpr char kStopped[] = "# stopped: ";
constexpr char kCompleted[] = "# completed";
constexpr char kNotConfirmed[] = "# stop not confirmed";
constexpr char kZero[] = "# zero: ";
constexpr double kGPerWMinPower = 0.5;  // below it thrust per watt says nothing
constexpr IntRange kCount{0, 999'999'999};
constexpr IntRange kRise{0, int(kMaxBenchRun.count())};

// The writer makes plain digits only; anything else is not its file.
std::optional<int> Whole(const QByteArray& field) {
  if (field.isEmpty() || field.size() > 9) return std::nullopt;
  if (!std::all_of(field.begin(), field.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  return field.toInt();
}

std::optional<double> Decimal(const QByteArray& field) {
  const qsizetype point = field.indexOf('.');
  if (point < 0) return Whole(field);
  if (!Whole(field.left(point)) || !Whole(field.mid(point + 1))) return std::nullopt;
  return field.toDouble();
}

// A sensor's figure may be below zero (thrust under the tare) or empty (never sent).
std::optional<double> Signed(const QByteArray& field) {
  const bool minus = field.startsWith('-');
  const auto v = Decimal(minus ? field.mid(1) : field);
  if (!v) return std::nullopt;
  return minus ? -*v : *v;
}

QByteArray Figure(const std::optional<double>& v, int decimals) {
  return v ? QByteArray::number(*v, 'f', decimals) : QByteArray();
}

QByteArray Header(bool sensor) {
  return sensor ? QByteArray(kResultCsvHeader) + ',' + kResultCsvSensorColumns
                : QByteArray(kResultCsvHeader);
}

QString Quoted(const QByteArray& field) {
  const QString text = QString::fromUtf8(field.left(40));
  return QStringLiteral("\"%1%2\"").arg(text, field.size() > 40 ? QStringLiteral("…") : QString());
}

std::optional<StepResult> ParseRow(const QByteArray& line, int step, bool sensor, QString* fault) {
  const QList<QByteArray> f = line.split(',');
  const QList<QByteArray> names = Header(sensor).split(',');
  if (f.size() != names.size()) {
    *fault = QStringLiteral("a row has %1 fields; this one has %2").arg(names.size()).arg(f.size());
    return std::nullopt;
  }
  const auto whole = [&](int i, IntRange range) {
    const auto v = Whole(f[i]);
    if (v && range.Holds(*v)) return *v;
    if (fault->isEmpty())
      *fault = QStringLiteral("%1 must be a whole number from %2 to %3; found %4")
                   .arg(QString::fromLatin1(names[i]))
                   .arg(range.lo)
                   .arg(range.hi)
                   .arg(Quoted(f[i]));
    return 0;
  };
  const auto decimal = [&](int i) {
    const auto v = Decimal(f[i]);
    if (!v && fault->isEmpty())
      *fault = QStringLiteral("%1 must be a decimal number like 1234.5; found %2")
                   .arg(QString::fromLatin1(names[i]), Quoted(f[i]));
    return v.value_or(0);
  };
  StepResult r;
  r.step = whole(0, {step, step});  // the rows count up from 1
  r.throttle = whole(1, kThrottleRange);
  r.settle = milliseconds(whole(2, kSettleRange));
  r.hold = milliseconds(whole(3, kHoldRange));
  r.samples = whole(4, kCount);
  r.rpmMean = decimal(5);
  r.rpmMin = whole(6, kCount);
  r.rpmMax = whole(7, kCount);
  r.rpmSd = decimal(8);
  if (!f[9].isEmpty()) r.rise = milliseconds(whole(9, kRise));
  if (sensor) {
    const auto figure = [&](int i) -> std::optional<double> {
      if (f[i].isEmpty()) return std::nullopt;
      const auto v = Signed(f[i]);
      if (!v && fault->isEmpty())
        *fault = QStringLiteral("%1 must be empty or a decimal number like -12.5; found %2")
                     .arg(QString::fromLatin1(names[i]), Quoted(f[i]));
      return v;
    };
    r.sensor = SensorFigures{figure(10), figure(11), figure(12), figure(13),
                             figure(14), figure(15), figure(16), whole(17, kCount)};
  }
  if (!fault->isEmpty()) return std::nullopt;
  return r;
}

// "thrust_g=12.5, torque_nm=" back into a zero; nothing when it is not that line.
std::optional<SensorZero> ParseZero(const QByteArray& line) {
  const QList<QByteArray> parts = line.mid(sizeof kZero - 1).split(',');
  if (!line.startsWith(kZero) || parts.size() != 2) return std::nullopt;
  const auto value = [](QByteArray part, const char* name, std::optional<double>& to) {
    part = part.trimmed();
    const QByteArray key = QByteArray(name) + '=';
    if (!part.startsWith(key)) return false;
    part = part.mid(key.size());
    to = Signed(part);
    return part.isEmpty() || to;
  };
  SensorZero zero;
  if (!value(parts[0], "thrust_g", zero.thrust) || !value(parts[1], "torque_nm", zero.torque))
    return std::nullopt;
  return zero;
}

QByteArray RowText(const StepResult& r) {
  const QByteArray rise = r.rise ? QByteArray::number(qint64(r.rise->count())) : QByteArray();
  QByteArray figures;
  if (r.sensor) {
    const SensorFigures& s = *r.sensor;
    figures = ',' + Figure(s.thrust, 2) + ',' + Figure(s.thrustSd, 2) + ',' + Figure(s.torque, 5) +
              ',' + Figure(s.current, 3) + ',' + Figure(s.voltage, 3) + ',' + Figure(s.power, 2) +
              ',' + Figure(s.gPerW, 3) + ',' + QByteArray::number(s.samples);
  }
  // QByteArray::number never uses the user's locale: a decimal comma would split the column.
  return QByteArray::number(r.step) + ',' + QByteArray::number(r.throttle) + ',' +
         QByteArray::number(qint64(r.settle.count())) + ',' +
         QByteArray::number(qint64(r.hold.count())) + ',' + QByteArray::number(r.samples) + ',' +
         QByteArray::number(r.rpmMean, 'f', 1) + ',' + QByteArray::number(r.rpmMin) + ',' +
         QByteArray::number(r.rpmMax) + ',' + QByteArray::number(r.rpmSd, 'f', 1) + ',' + rise +
         figures + '\n';
}

}  // namespace

bool ResultCsv::Open(const QString& path, QString* error, bool sensor) {
  Close();
  m_file.setFileName(path);
  if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    if (error)
      *error = QStringLiteral("%1: cannot be written (%2)").arg(path, m_file.errorString());
    return false;
  }
  return Write(Header(sensor) + '\n', error);
}

bool ResultCsv::Zero(const SensorZero& zero, QString* error) {
  return Write(kZero + ("thrust_g=" + Figure(zero.thrust, 2)) +
                   (", torque_nm=" + Figure(zero.torque, 5)) + '\n',
               error);
}

bool ResultCsv::Append(const StepResult& row, QString* error) {
  return Write(RowText(row), error);
}

bool ResultCsv::End(const BenchResult& result, QString* error) {
  QString reason = result.stopped;
  reason.replace(u'\n', u' ').replace(u'\r', u' ');  // the reason stays one line
  QByteArray lines = reason.isEmpty() ? QByteArray(kCompleted) : kStopped + reason.toUtf8();
  lines += '\n';
  if (!result.stopConfirmed) lines += QByteArray(kNotConfirmed) + '\n';
  return Write(lines, error);
}

void ResultCsv::Close() {
  m_file.close();
}

bool ResultCsv::Write(const QByteArray& line, QString* error) {
  if (m_file.isOpen() && m_file.write(line) == line.size() && m_file.flush()) return true;
  if (error)
    *error = QStringLiteral("%1: writing failed (%2)")
                 .arg(m_file.fileName(),
                      m_file.isOpen() ? m_file.errorString() : QStringLiteral("not open"));
  return false;
}

std::optional<BenchResult> ReadResultCsv(const QString& path, QString* error) {
  const auto bytes = ReadBounded(path, kResultCsvLimit, error);
  if (!bytes) return std::nullopt;
  const auto refuse = [&](qsizetype line, const QString& what) {
    if (error) *error = QStringLiteral("%1, line %2: %3").arg(path).arg(line).arg(what);
    return std::optional<BenchResult>();
  };
  if (!IsUtf8(*bytes)) return refuse(1, QStringLiteral("the file is not UTF-8 text"));
  QList<QByteArray> lines = bytes->split('\n');
  if (lines.size() > 1 && lines.last().isEmpty()) lines.removeLast();
  for (QByteArray& line : lines)  // a spreadsheet may have saved it with CR LF
    if (line.endsWith('\r')) line.chop(1);
  BenchResult result;
  result.sensor = lines.first() == Header(true);
  if (!result.sensor && lines.first() != kResultCsvHeader)
    return refuse(1, QStringLiteral("the first line must be the header %1, or that with %2")
                         .arg(kResultCsvHeader, kResultCsvSensorColumns));
  if (lines.size() > 1 && lines.last() == kNotConfirmed) {
    result.stopConfirmed = false;
    lines.removeLast();
  }
  result.interrupted = true;
  qsizetype first = 1;
  if (result.sensor && lines.size() > 1 && lines[1].startsWith(kZero)) {
    if (!(result.zero = ParseZero(lines[1])))
      return refuse(2, QStringLiteral("the zero must read \"# zero: thrust_g=G, torque_nm=NM\""));
    first = 2;
  }
  for (qsizetype n = first; n < lines.size(); ++n) {
    const bool last = n == lines.size() - 1;
    if (last && lines[n].startsWith(kStopped)) {
      result.stopped = QString::fromUtf8(lines[n].mid(sizeof kStopped - 1));
      result.interrupted = false;
      break;
    }
    if (last && lines[n] == kCompleted) {
      result.interrupted = false;
      break;
    }
    QString fault;
    const auto row = ParseRow(lines[n], int(n - first + 1), result.sensor, &fault);
    if (!row) return refuse(n + 1, fault);
    result.steps.push_back(*row);
  }
  return result;
}

StepResult StepStatistics(int step, const BenchStep& spec, const SpeedSamples& settle,
                          const SpeedSamples& hold) {
  StepResult r{step, spec.throttle, spec.settle, spec.hold, int(hold.size()), 0, 0, 0, 0, {}, {}};
  if (hold.empty()) return r;
  double sum = 0;
  r.rpmMin = r.rpmMax = hold.front().second;
  for (const auto& [at, rpm] : hold) {
    sum += rpm;
    r.rpmMin = std::min(r.rpmMin, rpm);
    r.rpmMax = std::max(r.rpmMax, rpm);
  }
  r.rpmMean = sum / r.samples;
  double squares = 0;
  for (const auto& [at, rpm] : hold) squares += (rpm - r.rpmMean) * (rpm - r.rpmMean);
  r.rpmSd = std::sqrt(squares / r.samples);
  // Within 2 % is |rpm - mean| <= mean / 50, kept in that form so 980 against a
  // mean of 1000 counts exactly.
  for (const SpeedSamples* samples : {&settle, &hold})
    for (const auto& [at, rpm] : *samples)
      if (50 * std::abs(rpm - r.rpmMean) <= r.rpmMean && (!r.rise || at < *r.rise)) r.rise = at;
  return r;
}

}  // namespace velmar

namespace velmar {

SensorSample WithoutZero(SensorSample sample, const SensorZero& zero) {
  if (sample.thrust) *sample.thrust -= zero.thrust.value_or(0);
  if (sample.torque) *sample.torque -= zero.torque.value_or(0);
  return sample;
}

SensorFigures SensorStatistics(std::vector<SensorSample> samples, const SensorZero& zero) {
  for (SensorSample& s : samples) s = WithoutZero(s, zero);
  SensorFigures f;
  f.samples = int(samples.size());
  const auto mean = [&](auto value) -> std::optional<double> {
    double sum = 0;
    int n = 0;
    for (const SensorSample& s : samples)
      if (const std::optional<double> v = value(s)) sum += *v, ++n;
    if (n == 0) return std::nullopt;
    return sum / n;
  };
  f.thrust = mean([](const SensorSample& s) { return s.thrust; });
  f.torque = mean([](const SensorSample& s) { return s.torque; });
  f.current = mean([](const SensorSample& s) { return s.current; });
  f.voltage = mean([](const SensorSample& s) { return s.voltage; });
  f.power = mean([](const SensorSample& s) { return s.Power(); });
  if (f.thrust)
    f.thrustSd = std::sqrt(*mean([&](const SensorSample& s) -> std::optional<double> {
      if (!s.thrust) return std::nullopt;
      return (*s.thrust - *f.thrust) * (*s.thrust - *f.thrust);
    }));
  if (f.thrust && f.power && *f.power >= kGPerWMinPower) f.gPerW = *f.thrust / *f.power;
  return f;
}

}  // namespace velmar
