#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>
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

  const QLocale locale = lang.isEmpty() ? QLocale::system() : QLocale(lang);
  // QLocale takes an unknown code for "C"; English is the texts as written.
  const bool english = locale.language() == QLocale::English;
  auto own = std::make_unique<QTranslator>();
  const bool known = english || (locale.language() != QLocale::C &&
                                 own->load(locale, QStringLiteral("velmar"), QStringLiteral("_"),
                                           QString::fromLatin1(kOwnTranslations)));
  if (!lang.isEmpty()) QLocale::setDefault(known ? locale : QLocale(QLocale::English));
  if (!known || english) return known;

  app.installTranslator(own.get());
  Installed().push_back(std::move(own));
  auto qt = std::make_unique<QTranslator>();
  if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
               QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    app.installTranslator(qt.get());
    Installed().push_back(std::move(qt));
  }
  return true;
}

}  // namespace velmar
