#pragma once

#include <QLocale>
#include <QString>
#include <cstdint>

namespace velmar {

// The texts of the identification reply. Codes are read as unsigned 16-bit
// values, so no reply can make them negative.
QString HardwareText(uint16_t hardwareCode, const QLocale& locale = QLocale());
QString FirmwareText(uint16_t firmwareCode, const QLocale& locale = QLocale());

// A count of thousandths in the format "0.000" with the locale's decimal separator.
QString Thousandths(uint32_t thousandths, const QLocale& locale = QLocale());

}  // namespace velmar
