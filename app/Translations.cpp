// SPDX-License-Identifier: GPL-3.0-or-later
#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>
#include <optional>
#include <vector>

namespace velmar {
namespace {

// The translators of the last call, removed by the next.
std::vector<std::unique_ptr<QTranslator>>& Installed() {
  static std::vector<std::unique_ptr<QTranslator>> installed;
  return installed;
}

// The program's .qm files are built into it under :/i18n (qt_add_translations).
constexpr char kOwnTranslations[] = ":/i18n";

}  // namespace

bool LoadTranslations(QCoreApplication& app, const QString& lang) {
  for (const auto& translator : Installed()) app.removeTranslator(translator.get());
  Installed().clear();

  // The user's languages in their order of preference (LANGUAGE, LC_ALL, LC_MESSAGES, LANG):
  // the first that is English or has a translation wins. An unknown code reads "C".
  const QLocale asked = lang.isEmpty() ? QLocale::system() : QLocale(lang);
  auto own = std::make_unique<QTranslator>();
  std::optional<QLocale> found;
  bool english = false;
  for (QString name : asked.uiLanguages()) {
    name.replace(QLatin1Char('-'), QLatin1Char('_'));
    english = name == QLatin1String("en") || name.startsWith(QLatin1String("en_"));
    if (english) break;
    if (own->load(QStringLiteral("velmar_") + name, QString::fromLatin1(kOwnTranslations))) {
      found = QLocale(name);
      break;
    }
  }
  const bool known = english || found;
  if (!lang.isEmpty()) QLocale::setDefault(known ? asked : QLocale(QLocale::English));
  if (!found) return known;

  app.installTranslator(own.get());
  Installed().push_back(std::move(own));
  auto qt = std::make_unique<QTranslator>();
  if (qt->load(*found, QStringLiteral("qtbase"), QStringLiteral("_"),
               QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    app.installTranslator(qt.get());
    Installed().push_back(std::move(qt));
  }
  return true;
}

}  // namespace velmar
