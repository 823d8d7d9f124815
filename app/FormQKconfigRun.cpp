// What the window keeps of a run beyond the controls: the speed trend, the run
// record, and why ports would not open.
#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>

#include "FormQKconfig.h"
#include "RunRecord.h"
#include "SpeedTrendView.h"
#include "Str_Const.h"

namespace velmar {

void FormQKconfig::NoteSpeed(uint32_t period) {
  const std::chrono::milliseconds now = m_now ? m_now() : std::chrono::milliseconds(0);
  const int32_t rpm = TxtRev->text().toInt();
  // A standing motor starts the trend anew; every reply goes into the record.
  if (period != 0) m_trend->Add(now, rpm);
  if (m_record)
    m_record->Append({now, EscThrottle, period, VSlPole->value(), rpm,
                      m_link.Connected() ? Str_Const::kConnected : Str_Const::kUnconnected});
}

void FormQKconfig::ResetSpeedAverage() {
  m_rpm.Reset();
  m_trend->Clear();
}

void FormQKconfig::NoteOpenFailure(const QString& why) {
  // The entry itself is left out or removed as always; its reason stays here.
  const QString tip = CombPort->toolTip();
  if (tip.contains(why)) return;
  CombPort->setToolTip(tip.isEmpty() ? QStringLiteral("Could not open:\n") + why
                                     : tip + '\n' + why);
}

}  // namespace velmar
