// SPDX-License-Identifier: GPL-3.0-or-later
// The port list: the ports found at start-up, and the choice of one.
#include <QComboBox>
#include <utility>

#include "FormQKconfig.h"
#include "Str_Const.h"

namespace velmar {

void FormQKconfig::ScanPorts() {
  for (int n = 1; n <= 16; ++n) {
    if (!m_session.Link().ProbePort(n)) continue;
    CombPort->addItem(QStringLiteral("COM%1").arg(n), n);
    CombPort->setItemData(CombPort->count() - 1, m_session.Link().Port().Describe(n),
                          Qt::ToolTipRole);
  }
}

void FormQKconfig::CombPort_Click() {
  if (CombPort->currentIndex() < 0) return;
  const int chosen = CombPort->currentData().toInt();
  if (m_session.Link().OpenPort() == chosen && m_session.Link().Port().IsOpen()) return;
  // The old port's ESC is stopped before its port closes; the change goes on once the stop has
  // ended, confirmed or not.
  if (m_session.Stopping()) {
    m_portWhenStopped = true;
    return;
  }
  if (!std::exchange(m_portStopped, false) && !m_session.AtRest() &&
      m_session.Link().Port().IsOpen()) {
    m_portWhenStopped = true;
    return StopMotor(Str_Const::kPortChanged);
  }

  if (!m_session.OpenPort(chosen)) {
    const int i = CombPort->currentIndex();
    CombPort->removeItem(i);
    // Walk the list towards its start until a port opens or none is left.
    if (CombPort->count() > 0)
      SelectEntry(CombPort, i > 0 ? i - 1 : 0, &FormQKconfig::CombPort_Click);
  }
  ShowUnconnected();
}

void FormQKconfig::ShowUnconnected() {
  m_session.LoseConnection();
}

}  // namespace velmar
