// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QCoreApplication;

namespace velmar {

// Puts the program's texts and Qt's own (standard dialogs, context menus) into
// `lang`, a code such as "de" or "zh_CN", or the system's language when `lang`
// is empty; numbers follow the same language. A later call replaces the
// languages an earlier one installed. Returns false when the program has no
// translation for an asked-for code: it then speaks English. English needs none.
bool LoadTranslations(QCoreApplication& app, const QString& lang);

}  // namespace velmar
