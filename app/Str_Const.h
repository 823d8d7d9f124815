#pragma once

#include <QString>

namespace velmar::Str_Const {

inline const QString kAppName = QStringLiteral("Velmar ESC Config");
inline const QString kUnknown = QStringLiteral("Unknown");
inline const QString kUnconnected = QStringLiteral("Unconnected");
inline const QString kConnected = QStringLiteral("Connected");

}  // namespace velmar::Str_Const
