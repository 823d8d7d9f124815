// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QString>
#include <cstdint>

namespace velmar {

// The texts of the identification reply. Codes are read as unsigned 16-bit
// values, so no reply can make them negative. A code of no known model reads
// `unknown` and a version: the window passes the word in the user's language.
QString HardwareText(uint16_t hardwareCode, const QLocale& locale = QLocale(),
                     const QString& unknown = QStringLiteral("Unknown"));
QString FirmwareText(uint16_t firmwareCode, const QLocale& locale = QLocale());

// A count of thousandths in the format "0.000" with the locale's decimal separator.
QString Thousandths(uint32_t thousandths, const QLocale& locale = QLocale());

}  // namespace velmar
