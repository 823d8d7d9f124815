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

QString Quoted(const QByteArray& field) {
  const QString text = QString::fromUtf8(field.left(40));
  return QStringLiteral("\"%1%2\"").arg(text, field.size() > 40 ? QStringLiteral("…") : QString());
}

std::optional<StepResult> ParseRow(const QByteArray& line, int step, QString* fault) {
  const QList<QByteArray> f = line.split(',');
  if (f.size() != 10) {
    *fault = QStringLiteral("a row has 10 fields; this one has %1").arg(f.size());
    return std::nullopt;
  }
  const QList<QByteArray> names = QByteArray(kResultCsvHeader).split(',');
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
  if (!fault->isEmpty()) return std::nullopt;
  return r;
}

QByteArray RowText(const StepResult& r) {
  const QByteArray rise = r.rise ? QByteArray::number(qint64(r.rise->count())) : QByteArray();
  // QByteArray::number never uses the user's locale: a decimal comma would split the column.
  return QByteArray::number(r.step) + ',' + QByteArray::number(r.throttle) + ',' +
         QByteArray::number(qint64(r.settle.count())) + ',' +
         QByteArray::number(qint64(r.hold.count())) + ',' + QByteArray::number(r.samples) + ',' +
         QByteArray::number(r.rpmMean, 'f', 1) + ',' + QByteArray::number(r.rpmMin) + ',' +
         QByteArray::number(r.rpmMax) + ',' + QByteArray::number(r.rpmSd, 'f', 1) + ',' + rise +
         '\n';
}

}  // namespace

bool ResultCsv::Open(const QString& path, QString* error) {
  Close();
  m_file.setFileName(path);
  if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    if (error)
      *error = QStringLiteral("%1: cannot be written (%2)").arg(path, m_file.errorString());
    return false;
  }
  return Write(QByteArray(kResultCsvHeader) + '\n', error);
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
  if (lines.first() != kResultCsvHeader)
    return refuse(1, QStringLiteral("the first line must be the header %1").arg(kResultCsvHeader));
  BenchResult result;
  if (lines.size() > 1 && lines.last() == kNotConfirmed) {
    result.stopConfirmed = false;
    lines.removeLast();
  }
  result.interrupted = true;
  for (qsizetype n = 1; n < lines.size(); ++n) {
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
    const auto row = ParseRow(lines[n], int(n), &fault);
    if (!row) return refuse(n + 1, fault);
    result.steps.push_back(*row);
  }
  return result;
}

StepResult StepStatistics(int step, const BenchStep& spec, const SpeedSamples& settle,
                          const SpeedSamples& hold) {
  StepResult r{step, spec.throttle, spec.settle, spec.hold, int(hold.size()), 0, 0, 0, 0, {}};
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
