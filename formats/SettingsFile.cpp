#include "SettingsFile.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QSet>
#include <QStringDecoder>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <vector>

#include "device/Identification.h"
#include "protocol/SettingLists.h"

namespace velmar {
namespace {

const QString kFormat = QStringLiteral("velmar-esc-settings");
constexpr int kVersion = 1;
// The identification texts are a few characters long; a longer one is no identification.
constexpr int kTextLimit = 64;
const QStringList kTopKeys{"format", "version", "hardware", "firmware", "settings"};

QString Text(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

QString Quoted(const QString& text) {
  return '"' + text + '"';
}

QString QuotedList(const QStringList& items) {
  QStringList quoted;
  for (const QString& item : items) quoted << Quoted(item);
  return quoted.join(QStringLiteral(", "));
}

// A value as the file wrote it, cut short so that a long one cannot flood the message.
QString Shown(const QJsonValue& value) {
  const QByteArray json = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
  const QString text = QString::fromUtf8(json.mid(1, json.size() - 2));
  return text.size() > 40 ? text.left(40) + QStringLiteral("...") : text;
}

QByteArray JsonString(const QString& text) {
  const QByteArray json = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
  return json.mid(1, json.size() - 2);
}

QString Where(const QByteArray& bytes, qsizetype offset) {
  const QByteArray before = bytes.left(std::clamp<qsizetype>(offset, 0, bytes.size()));
  const qsizetype lineStart = before.lastIndexOf('\n') + 1;
  return QStringLiteral("line %1, column %2")
      .arg(before.count('\n') + 1)
      .arg(QString::fromUtf8(before.mid(lineStart)).size() + 1);
}

QString TooLarge(qint64 size) {
  return QStringLiteral("%1 bytes, more than the %2 a settings file may hold")
      .arg(size)
      .arg(kSettingsFileLimit);
}

QStringList Entries(const SettingList& list) {
  QStringList entries;
  for (std::string_view entry : list.entries) entries << Text(entry);
  return entries;
}

std::optional<QString> EntryText(int number, std::optional<int32_t> index) {
  const auto& entries = kSettingLists[number].entries;
  if (!index || *index < 0 || size_t(*index) >= entries.size()) return std::nullopt;
  return Text(entries[*index]);
}

// QJsonDocument keeps the last of two equal keys without a word and lets control characters
// pass inside strings; one walk over the text it has accepted finds both. Keys are compared
// after their escapes are undone, as the document compares them.
QString ScanText(const QByteArray& bytes) {
  struct Level {
    QString path;
    bool object;
    QSet<QString> keys;
    int index = 0;
  };
  std::vector<Level> levels;
  bool expectKey = false;
  QString key;
  const auto child = [&](const Level& level) {
    if (!level.object) return QStringLiteral("%1[%2]").arg(level.path).arg(level.index);
    return level.path.isEmpty() ? key : level.path + '.' + key;
  };
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '"') {
      const qsizetype start = i;
      for (++i; i < bytes.size() && bytes[i] != '"'; ++i) {
        if (uchar(bytes[i]) < 0x20)
          return QStringLiteral("invalid JSON at %1: a control character inside a string")
              .arg(Where(bytes, i));
        if (bytes[i] == '\\') ++i;
      }
      if (!expectKey || levels.empty()) continue;
      const QByteArray token = '[' + bytes.mid(start, i - start + 1) + ']';
      key = QJsonDocument::fromJson(token).array().at(0).toString();
      expectKey = false;
      if (levels.back().keys.contains(key))
        return QStringLiteral("duplicate key %1 at %2")
            .arg(Quoted(child(levels.back())), Where(bytes, start));
      levels.back().keys.insert(key);
    } else if (c == '{' || c == '[') {
      levels.push_back({levels.empty() ? QString() : child(levels.back()), c == '{', {}});
      expectKey = c == '{';
    } else if ((c == '}' || c == ']') && !levels.empty()) {
      levels.pop_back();
      expectKey = false;
    } else if (c == ',' && !levels.empty()) {
      expectKey = levels.back().object;
      ++levels.back().index;
    }
  }
  return {};
}

QString Missing(const QString& key) {
  return QStringLiteral("key %1 is missing").arg(Quoted(key));
}

QString WrongType(const QString& key, const QString& wanted, const QJsonValue& value) {
  return QStringLiteral("key %1 must be %2, not %3").arg(Quoted(key), wanted, Shown(value));
}

// The fault of a file's bytes, empty when there is none; then `file` holds what it says.
QString Check(const QByteArray& bytes, SettingsFile* file) {
  if (bytes.size() > kSettingsFileLimit) return TooLarge(bytes.size());
  QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
  const QString decoded = utf8.decode(bytes);  // only to learn whether the bytes decode
  if (utf8.hasError()) return QStringLiteral("not valid UTF-8 text");
  QJsonParseError parsed;
  const QJsonDocument document = QJsonDocument::fromJson(bytes, &parsed);
  if (parsed.error != QJsonParseError::NoError)
    return QStringLiteral("invalid JSON at %1: %2")
        .arg(Where(bytes, parsed.offset), parsed.errorString());
  if (const QString fault = ScanText(bytes); !fault.isEmpty()) return fault;
  if (!document.isObject()) return QStringLiteral("the top level is not a JSON object");
  const QJsonObject top = document.object();

  const QJsonValue format = top.value(QStringLiteral("format"));
  if (format.isUndefined()) return Missing(QStringLiteral("format"));
  if (format != kFormat)
    return QStringLiteral("not a settings file: key \"format\" is %1, expected %2")
        .arg(Shown(format), Quoted(kFormat));
  const QJsonValue version = top.value(QStringLiteral("version"));
  if (version.isUndefined()) return Missing(QStringLiteral("version"));
  if (!version.isDouble())
    return WrongType(QStringLiteral("version"), QStringLiteral("a number"), version);
  const double number = version.toDouble();
  if (number > kVersion && number == std::floor(number))
    return QStringLiteral(
               "key \"version\" is %1: the file is from a newer program; this one "
               "reads version %2")
        .arg(Shown(version))
        .arg(kVersion);
  if (number != kVersion)
    return QStringLiteral("key \"version\" must be %1, not %2").arg(kVersion).arg(Shown(version));
  for (const QString& key : top.keys())
    if (!kTopKeys.contains(key))
      return QStringLiteral("unknown key %1; allowed keys: %2")
          .arg(Quoted(key), QuotedList(kTopKeys));

  for (auto [key, text] : {std::pair{"hardware", &file->hardware}, {"firmware", &file->firmware}}) {
    const QJsonValue value = top.value(QLatin1String(key));
    if (!value.isUndefined() && (!value.isString() || value.toString().size() > kTextLimit))
      return WrongType(key, QStringLiteral("a string of at most %1 characters").arg(kTextLimit),
                       value);
    *text = value.toString();
  }

  const QJsonValue settingsValue = top.value(QStringLiteral("settings"));
  if (settingsValue.isUndefined()) return Missing(QStringLiteral("settings"));
  if (!settingsValue.isObject())
    return WrongType(QStringLiteral("settings"), QStringLiteral("an object"), settingsValue);
  const QJsonObject settings = settingsValue.toObject();
  QStringList keys;
  for (SettingNumber number : kComparisonOrder) keys << Text(kSettingLists[number].key);
  for (const QString& key : settings.keys())
    if (!keys.contains(key))
      return QStringLiteral("unknown key %1; allowed keys: %2")
          .arg(Quoted("settings." + key), QuotedList(keys));
  for (const SettingList& list : kSettingLists) {
    const QJsonValue value = settings.value(Text(list.key));
    if (value.isUndefined()) continue;
    const QStringList entries = Entries(list);
    const qsizetype index = value.isString() ? entries.indexOf(value.toString()) : -1;
    if (index < 0)
      return QStringLiteral("key %1: %2 is not allowed; allowed values: %3")
          .arg(Quoted("settings." + Text(list.key)), Shown(value), QuotedList(entries));
    file->settings[list.number] = int32_t(index);
  }
  return {};
}

}  // namespace

QByteArray SettingsFileBytes(const SettingsFile& file) {
  QByteArray out = "{\n  \"format\": " + JsonString(kFormat) +
                   ",\n  \"version\": " + QByteArray::number(kVersion) +
                   ",\n  \"hardware\": " + JsonString(file.hardware) +
                   ",\n  \"firmware\": " + JsonString(file.firmware) + ",\n  \"settings\": {";
  const char* separator = "\n";
  for (SettingNumber number : kComparisonOrder) {
    const std::optional<QString> entry = EntryText(number, file.settings[number]);
    if (!entry) continue;
    out += separator + JsonString(Text(kSettingLists[number].key)).prepend("    ") + ": " +
           JsonString(*entry);
    separator = ",\n";
  }
  out += *separator == '\n' ? "}" : "\n  }";
  return out + "\n}\n";
}

void SettingsFile::Identify(uint16_t hardwareCode, uint16_t firmwareCode) {
  hardware = HardwareText(hardwareCode, QLocale::c());
  firmware = FirmwareText(firmwareCode, QLocale::c());
}

std::optional<SettingsFile> ParseSettingsFile(const QByteArray& bytes, const QString& name,
                                              QString* error) {
  SettingsFile file;
  const QString fault = Check(bytes, &file);
  if (fault.isEmpty()) return file;
  if (error) *error = name + QStringLiteral(": ") + fault;
  return std::nullopt;
}

std::optional<SettingsFile> ReadSettingsFile(const QString& path, QString* error) {
  // The size is checked before anything is read, and only regular files are opened: a device
  // or a pipe could block the open or never end.
  const QFileInfo info(path);
  QFile in(path);
  QString fault;
  QByteArray bytes;
  if (!info.exists())
    fault = QStringLiteral("no such file");
  else if (!info.isFile())
    fault = QStringLiteral("not a regular file");
  else if (info.size() > kSettingsFileLimit)
    fault = TooLarge(info.size());
  else if (!in.open(QIODevice::ReadOnly))
    fault = QStringLiteral("cannot be read: ") + in.errorString();
  else
    while (bytes.size() <= kSettingsFileLimit) {
      const QByteArray chunk = in.read(kSettingsFileLimit + 1 - bytes.size());
      if (in.error() != QFileDevice::NoError)
        fault = QStringLiteral("cannot be read: ") + in.errorString();
      if (chunk.isEmpty() || !fault.isEmpty()) break;
      bytes += chunk;
    }
  if (fault.isEmpty()) return ParseSettingsFile(bytes, path, error);
  if (error) *error = path + QStringLiteral(": ") + fault;
  return std::nullopt;
}

bool WriteSettingsFile(const QString& path, const SettingsFile& file, QString* error) {
  // QSaveFile writes beside the target and renames it over on commit, so a failure leaves the
  // old file as it was. A device or a folder at the path is refused rather than replaced.
  const QByteArray bytes = SettingsFileBytes(file);
  const QFileInfo info(path);
  QSaveFile out(path);
  QString fault;
  if (info.exists() && !info.isFile())
    fault = QStringLiteral("not a regular file");
  else if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
    fault = QStringLiteral("cannot be written: ") + out.errorString();
  if (fault.isEmpty()) return true;
  if (error) *error = path + QStringLiteral(": ") + fault;
  return false;
}

QJsonObject SettingsJson(const std::array<std::optional<int32_t>, kSettingCount>& settings) {
  QJsonObject json;
  for (int number = 0; number < kSettingCount; ++number)
    if (const std::optional<QString> entry = EntryText(number, settings[number]))
      json.insert(Text(kSettingLists[number].key), *entry);
  return json;
}

}  // namespace velmar
