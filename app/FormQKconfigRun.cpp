// SPDX-License-Identifier: GPL-3.0-or-later
// What the window keeps of a run beyond the controls: the speed trend, the run
// record, and why ports would not open.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <cstdio>

#include "FormQKconfig.h"
#include "SpeedTrendView.h"
#include "Str_Const.h"
#include "formats/RunRecord.h"
#include "session/BenchRun.h"

namespace velmar {

void FormQKconfig::NoteSpeed(const SpeedReading& reading) {
  const std::chrono::milliseconds now = m_now ? m_now() : std::chrono::milliseconds(0);
  // A standing motor starts the trend anew; every reply goes into the record.
  if (reading.period != 0) m_trend->Add(now, reading.shown);
  QString why;
  if (m_record &&
      !m_record->Append({now, reading.escThrottle, reading.period, reading.poles, reading.shown,
                         m_session.Connected() ? Str_Const::kConnected : Str_Const::kUnconnected},
                        &why)) {
    // Said once; the recording stops and the motor stays with the user.
    m_record = nullptr;
    const QString text = tr("The run record stopped: %1").arg(why);
    std::fprintf(stderr, "velmar-esc-config: %s\n", qPrintable(text));
    LbBench->setText(text);
  }
  if (m_bench && m_bench->Running()) ShowBenchProgress();
}

void FormQKconfig::NoteOpenFailure(const QString& why) {
  // The entry itself is left out or removed as always; its reason stays here.
  const QString tip = CombPort->toolTip();
  if (tip.contains(why)) return;
  CombPort->setToolTip(tip.isEmpty() ? tr("Could not open:") + '\n' + why : tip + '\n' + why);
}

}  // namespace velmar
