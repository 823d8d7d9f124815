// The serial link: port discovery and selection, the scheduler and its reply
// timeout, and reception.
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>

#include "FormQKconfig.h"
#include "Str_Const.h"
#include "link/Cadence.h"

namespace velmar {

void FormQKconfig::ScanPorts() {
  for (int n = 1; n <= 16; ++n) {
    MSComm.SetPortNumber(n);
    MSComm.Open();
    m_services.letEventsRun();
    if (!MSComm.IsOpen()) continue;
    MSComm.Close();
    m_services.letEventsRun();
    CombPort->addItem(QStringLiteral("COM%1").arg(n), n);
    CombPort->setItemData(CombPort->count() - 1, MSComm.Describe(n), Qt::ToolTipRole);
  }
}

void FormQKconfig::CombPort_Click() {
  if (CombPort->currentIndex() < 0) return;
  if (OpenPort == CombPort->currentData().toInt() && MSComm.IsOpen()) return;

  Timer1.Stop();
  Timer2.Stop();
  // The head command goes out again on the new port.
  EndExchange();
  if (MSComm.IsOpen()) {
    MSComm.Close();
    m_services.letEventsRun();
  }
  MSComm.SetPortNumber(CombPort->currentData().toInt());
  MSComm.Open();
  m_services.letEventsRun();

  if (!MSComm.IsOpen()) {
    OpenPort = 0;
    const int i = CombPort->currentIndex();
    CombPort->removeItem(i);
    // Walk the list towards its start until a port opens or none is left.
    if (CombPort->count() > 0)
      SelectEntry(CombPort, i > 0 ? i - 1 : 0, &FormQKconfig::CombPort_Click);
  } else {
    OpenPort = MSComm.PortNumber();
    Timer1.Start();
  }
  ShowUnconnected();
}

void FormQKconfig::ShowUnconnected() {
  TxtConnState->setText(Str_Const::kUnconnected);
  TxtHardVer->setText(Str_Const::kUnknown);
  TxtFirmVer->setText(Str_Const::kUnknown);
  SldPower->setValue(0);
}

void FormQKconfig::EndExchange() {
  // Until the next send nothing that arrives is taken for a reply; the send
  // discards it.
  MSComm.SetReceiveThreshold(0);
  m_receiver.Restart();
}

void FormQKconfig::OnPortLost() {
  // The device went away under us. The entry stays: choosing it again reopens it.
  EndExchange();
  Timer1.Stop();
  Timer2.Stop();
  ShowUnconnected();
}

void FormQKconfig::Enqueue(const Command& command) {
  m_ring.EnqueueCommand(command);
}

void FormQKconfig::Timer1_Timer() {
  Timer1.Stop();
  if (m_ring.Empty()) Enqueue(MotorRunning ? SpeedCommand() : PollCommand());
  SendCommand();
}

void FormQKconfig::SendCommand() {
  if (!MSComm.IsOpen() || m_ring.Empty()) return;
  Timer1.Stop();
  const std::vector<uint8_t> frame = BuildFrame(m_ring.Head());
  m_receiver.Restart();
  MSComm.DiscardOutput();
  MSComm.DiscardInput();
  MSComm.SetReceiveThreshold(1);
  Timer2.Start();
  // A write that fails means the device has gone; the port reports it as lost.
  MSComm.Write(QByteArray(reinterpret_cast<const char*>(frame.data()), qsizetype(frame.size())));
}

void FormQKconfig::Timer2_Timer() {
  Timer2.Stop();
  if (m_ring.Empty()) {
    Timer1.SetInterval(kIdlePollInterval);
    Timer1.Start();
    return;
  }
  if (TxtConnState->text() == Str_Const::kConnected) {
    // Counted across replies, ports and connections: every third timeout while
    // connected declares the ESC lost.
    if (++TimeoutCount > 2) {
      TimeoutCount = 0;
      ShowUnconnected();
    }
  }
  if (TxtConnState->text() == Str_Const::kUnconnected) {
    m_ring.CutToPoll();
    // The head is a new command now: the rest of the old reply must not complete it.
    EndExchange();
  }
  Timer1.SetInterval(kNextCommandInterval);
  Timer1.Start();
}

void FormQKconfig::MSComm_OnComm(int event) {
  if (RxBusy) return;
  if (event != SerialPort::comEvReceive) return;
  // Nothing awaits a reply: whatever came is discarded by the next send.
  if (m_ring.Empty()) return;
  RxBusy = true;

  CmdRecord& head = m_ring.Head();
  bool complete = false;
  while (!complete && MSComm.InBufferCount() > 0) {
    const int b = MSComm.ReadByte();
    if (b < 0) break;
    complete = m_receiver.Take(uint8_t(b), head);
  }

  if (!m_receiver.Complete(head)) {
    // The timeout counts from the last notification that brought the echo or
    // the reply on. Noise alone gives no more time, or a chattering line would
    // hold the link forever without a reply and without a fall-back.
    if (m_receiver.Underway()) {
      Timer1.Stop();
      Timer2.Start();
    }
  } else {
    EndExchange();
    ProcessReply();
    m_ring.AdvanceHead();
    Timer1.SetInterval(m_ring.Empty() ? kIdlePollInterval : kNextCommandInterval);
    Timer2.Stop();
    Timer1.Start();
  }
  RxBusy = false;
}

}  // namespace velmar
