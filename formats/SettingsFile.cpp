// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsFile.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStringList>

#include "device/Identification.h"
#include "formats/StrictJson.h"
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

QStringList Entries(const SettingList& list) {
  QStringList entries;
  for (std::string_view entry : list.entries) entries << Text(entry);
  return entries;
}

QString Missing(const QString& key) {
  return QStringLiteral("key %1 is missing").arg(Quoted(key));
}

QString WrongType(const QString& key, const QString& wanted, const QJsonValue& value) {
  return QStringLiteral("key %1 must be %2, not %3").arg(Quoted(key), wanted, Shown(value));
}

// The fault of a file's bytes, empty when there is none; then `file` holds what it says.
QString Check(const QByteArray& bytes, SettingsFile* file) {
  QString fault;
  const std::optional<QJsonObject> parsed = ParseStrictObject(bytes, &fault);
  if (!parsed || !CheckFormatAndVersion(*parsed, kFormat, kVersion, &fault)) return fault;
  const QJsonObject& top = *parsed;
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

QString SettingKey(SettingNumber number) {
  return Text(kSettingLists[number].key);
}

std::optional<QString> EntryText(int number, std::optional<int32_t> index) {
  const auto& entries = kSettingLists[number].entries;
  if (!index || *index < 0 || size_t(*index) >= entries.size()) return std::nullopt;
  return Text(entries[*index]);
}

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
  const auto bytes = ReadBounded(path, kSettingsFileLimit, error);
  if (!bytes) return std::nullopt;
  return ParseSettingsFile(*bytes, path, error);
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
