// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

#include "formats/StrictJson.h"
#include "protocol/Settings.h"

namespace velmar {

// A settings file: the five settings as entry indices, and the ESC they were saved from.
struct SettingsFile {
  QString hardware, firmware;  // empty when the file names none
  // By setting number: the entry index in its list; empty when the file leaves it out.
  std::array<std::optional<int32_t>, kSettingCount> settings;

  // The identification texts as files keep them: a point as the decimal separator in every
  // language, so that a file saved in one reads the same in another.
  void Identify(uint16_t hardwareCode, uint16_t firmwareCode);

  bool operator==(const SettingsFile&) const = default;
};

inline constexpr qint64 kSettingsFileLimit = kStrictJsonLimit;

// Parses a file's bytes; `name` is what messages call the file. On any fault: nothing, and
// *error (when given) says what is wrong, naming the file, the key and what is allowed.
std::optional<SettingsFile> ParseSettingsFile(const QByteArray& bytes, const QString& name,
                                              QString* error);
std::optional<SettingsFile> ReadSettingsFile(const QString& path, QString* error);

// The bytes of the file: pretty JSON with its keys in a fixed order and the settings in
// comparison order, ending in a newline.
QByteArray SettingsFileBytes(const SettingsFile& file);
// Writes the whole file or nothing. A setting whose index lies outside its list is left out.
bool WriteSettingsFile(const QString& path, const SettingsFile& file, QString* error);

// The "settings" object alone, keys as in the file, for the command line's JSON output.
// A setting whose index lies outside its list is left out.
// A setting's key, and the text of one of its entries (nothing outside its list), as files
// and the command line's output name them.
QString SettingKey(SettingNumber number);
std::optional<QString> EntryText(int number, std::optional<int32_t> index);

QJsonObject SettingsJson(const std::array<std::optional<int32_t>, kSettingCount>& settings);

}  // namespace velmar
