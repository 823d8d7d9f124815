// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/StrictJson.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QStringDecoder>
#include <algorithm>
#include <cmath>
#include <vector>

namespace velmar {
namespace {

QString SizeText(qint64 bytes) {
  const bool mebi = bytes % (1024 * 1024) == 0;
  return QStringLiteral("is larger than %1 %2")
      .arg(bytes / (mebi ? 1024 * 1024 : 1024))
      .arg(mebi ? "MiB" : "KiB");
}

// Columns count characters, not bytes, as an editor shows them.
QString Where(const QByteArray& bytes, qsizetype offset) {
  const QByteArray before = bytes.left(std::clamp<qsizetype>(offset, 0, bytes.size()));
  return QStringLiteral("line %1, column %2")
      .arg(before.count('\n') + 1)
      .arg(QString::fromUtf8(before.mid(before.lastIndexOf('\n') + 1)).size() + 1);
}

struct Level {
  QString path;
  bool object;
  bool expectKey;
  QSet<QString> keys;
  QString key;
  qsizetype index = 0;

  QString Child() const {
    if (!object) return QStringLiteral("%1[%2]").arg(path).arg(index);
    return path.isEmpty() ? key : path + u'.' + key;
  }
};

// QJsonDocument keeps the last of two equal keys without a word and lets raw control characters
// pass inside strings, so the text it accepted (every bracket and string known to close) is
// walked once more for both. Keys compare with their escapes undone: "pol\u0065s" is "poles".
QString ScanText(const QByteArray& bytes) {
  std::vector<Level> levels;
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '"') {
      const qsizetype start = i;
      for (++i; i < bytes.size() && bytes[i] != '"'; ++i) {
        if (uchar(bytes[i]) < 0x20)
          return QStringLiteral("is not valid JSON: a control character inside a string at %1")
              .arg(Where(bytes, i));
        if (bytes[i] == '\\') ++i;
      }
      if (levels.empty() || !levels.back().expectKey) continue;
      Level& level = levels.back();
      level.expectKey = false;
      const QByteArray token = '[' + bytes.mid(start, i - start + 1) + ']';
      level.key = QJsonDocument::fromJson(token).array().at(0).toString();
      if (level.keys.contains(level.key))
        return QStringLiteral("%1 is given twice at %2; a key may appear once")
            .arg(level.Child(), Where(bytes, start));
      level.keys.insert(level.key);
    } else if (c == '{' || c == '[') {
      levels.push_back(
          {levels.empty() ? QString() : levels.back().Child(), c == '{', c == '{', {}, {}});
    } else if ((c == '}' || c == ']') && !levels.empty()) {
      levels.pop_back();
    } else if (c == ',' && !levels.empty()) {
      levels.back().expectKey = levels.back().object;
      ++levels.back().index;
    }
  }
  return {};
}

}  // namespace

std::optional<QByteArray> ReadBounded(const QString& path, qint64 limit, QString* error) {
  const auto fail = [&](const QString& what) -> std::optional<QByteArray> {
    if (error) *error = QStringLiteral("%1: %2").arg(path, what);
    return std::nullopt;
  };
  const QFileInfo info(path);
  if (!info.exists()) return fail(QStringLiteral("no such file"));
  if (info.isDir()) return fail(QStringLiteral("is a folder, not a file"));
  if (!info.isFile()) return fail(QStringLiteral("is not a regular file"));
  if (info.size() > limit) return fail(SizeText(limit));
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return fail(QStringLiteral("cannot be read (%1)").arg(file.errorString()));
  // The file may have grown since its size was taken: no more than limit + 1 bytes are read.
  QByteArray bytes;
  while (bytes.size() <= limit) {
    const QByteArray chunk = file.read(limit + 1 - bytes.size());
    if (chunk.isEmpty()) break;
    bytes += chunk;
  }
  if (file.error() != QFileDevice::NoError)
    return fail(QStringLiteral("cannot be read (%1)").arg(file.errorString()));
  if (bytes.size() > limit) return fail(SizeText(limit));
  return bytes;
}

bool IsUtf8(const QByteArray& bytes) {
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString text = decoder.decode(bytes);
  return !decoder.hasError();
}

std::optional<QJsonObject> ParseStrictObject(const QByteArray& bytes, QString* error) {
  QJsonParseError parse;
  QJsonDocument doc;
  QString fault;
  if (bytes.size() > kStrictJsonLimit)
    fault = SizeText(kStrictJsonLimit);
  else if (!IsUtf8(bytes))
    fault = QStringLiteral("is not UTF-8 text");
  else if (doc = QJsonDocument::fromJson(bytes, &parse); parse.error != QJsonParseError::NoError)
    fault = QStringLiteral("is not valid JSON: %1 at %2")
                .arg(parse.errorString(), Where(bytes, parse.offset));
  else if (!doc.isObject())
    fault = QStringLiteral("must hold one JSON object");
  else
    fault = ScanText(bytes);
  if (!fault.isEmpty()) {
    if (error) *error = fault;
    return std::nullopt;
  }
  // The key by which editors find a file's schema: no part of the file for the program.
  QJsonObject object = doc.object();
  object.remove(QStringLiteral("$schema"));
  return object;
}

bool CheckFormatAndVersion(const QJsonObject& object, const QString& format, int version,
                           QString* error) {
  const QJsonValue number = object["version"];
  const double value = number.toDouble();
  QString fault;
  if (object["format"] != format)
    fault = QStringLiteral("format must be \"%1\"; %2").arg(format, Found(object["format"]));
  else if (value > version && value == std::trunc(value))
    fault = QStringLiteral("version %1 is from a newer program; this one reads version %2")
                .arg(value, 0, 'g', 15)
                .arg(version);
  else if (number != version)
    fault = QStringLiteral("version must be %1; %2").arg(version).arg(Found(number));
  if (error && !fault.isEmpty()) *error = fault;
  return fault.isEmpty();
}

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

}  // namespace velmar
