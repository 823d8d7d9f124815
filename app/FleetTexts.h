// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QString>
#include <string>

#include "protocol/SettingLists.h"

namespace velmar::fleet {

// The main window's texts for the lists, in the user's language: the captions, and the
// entries as its lists show them (the default marked).
inline QString MainText(const std::string& source) {
  return QCoreApplication::translate("velmar::FormQKconfig", source.c_str());
}
inline QString ListEntry(SettingNumber number, int32_t index) {
  const SettingList& list = kSettingLists[number];
  if (index < 0 || index >= int32_t(list.entries.size())) return QStringLiteral("\u2013");
  std::string source(list.entries[size_t(index)]);
  if (index == list.defaultIndex) source += kDefaultMarker;
  return MainText(source);
}
// An entry as a sentence reads it: without the default's marker.
inline QString PlainEntry(SettingNumber number, int32_t index) {
  const QString text = ListEntry(number, index);
  const QString marker = QString::fromUtf8(kDefaultMarker.data(), qsizetype(kDefaultMarker.size()));
  return text.endsWith(marker) ? text.chopped(marker.size()) : text;
}
// "2.Brake" reads "Brake".
inline QString Caption(SettingNumber number) {
  return MainText(std::string(kSettingLists[number].caption)).section(QLatin1Char('.'), 1);
}
inline QString Com(int number) {
  return QStringLiteral("COM%1").arg(number);
}

}  // namespace velmar::fleet
