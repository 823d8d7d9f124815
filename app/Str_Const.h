// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QString>

namespace velmar::Str_Const {

// Files and the command line keep these texts in English; the window shows them
// through Shown, in the user's language.
inline const QString kAppName = QStringLiteral("Velmar ESC Config");
inline const QString kUnknown = QStringLiteral(QT_TRANSLATE_NOOP("Str_Const", "Unknown"));
inline const QString kUnconnected = QStringLiteral(QT_TRANSLATE_NOOP("Str_Const", "Unconnected"));
inline const QString kConnected = QStringLiteral(QT_TRANSLATE_NOOP("Str_Const", "Connected"));

// Why the window stopped a bench run: kept in English in its result file, shown in the
// window's language.
inline const QString kStoppedByUser =
    QStringLiteral(QT_TRANSLATE_NOOP("velmar::FormQKconfig", "stopped by the user"));
inline const QString kLeftRunPage =
    QStringLiteral(QT_TRANSLATE_NOOP("velmar::FormQKconfig", "left the Run page"));
inline const QString kWindowClosed =
    QStringLiteral(QT_TRANSLATE_NOOP("velmar::FormQKconfig", "the window closed"));
inline const QString kPortChanged =
    QStringLiteral(QT_TRANSLATE_NOOP("velmar::FormQKconfig", "the port changed"));

inline QString Shown(const QString& text) {
  return QCoreApplication::translate("Str_Const", text.toUtf8().constData());
}

}  // namespace velmar::Str_Const
