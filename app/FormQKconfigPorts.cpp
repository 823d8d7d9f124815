// The port list: the ports found at start-up, and the choice of one.
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>

#include "FormQKconfig.h"
#include "Str_Const.h"

namespace velmar {

void FormQKconfig::ScanPorts() {
  for (int n = 1; n <= 16; ++n) {
    if (!m_link.ProbePort(n)) continue;
    CombPort->addItem(QStringLiteral("COM%1").arg(n), n);
    CombPort->setItemData(CombPort->count() - 1, m_link.Port().Describe(n), Qt::ToolTipRole);
  }
}

void FormQKconfig::CombPort_Click() {
  if (CombPort->currentIndex() < 0) return;
  const int chosen = CombPort->currentData().toInt();
  if (m_link.OpenPort() == chosen && m_link.Port().IsOpen()) return;

  if (!m_link.SelectPort(chosen)) {
    const int i = CombPort->currentIndex();
    CombPort->removeItem(i);
    // Walk the list towards its start until a port opens or none is left.
    if (CombPort->count() > 0)
      SelectEntry(CombPort, i > 0 ? i - 1 : 0, &FormQKconfig::CombPort_Click);
  }
  ShowUnconnected();
}

void FormQKconfig::ShowUnconnected() {
  m_link.SetState(LinkState::Unconnected);
  TxtConnState->setText(Str_Const::kUnconnected);
  TxtHardVer->setText(Str_Const::kUnknown);
  TxtFirmVer->setText(Str_Const::kUnknown);
  SldPower->setValue(0);
}

}  // namespace velmar
