// SPDX-License-Identifier: GPL-3.0-or-later
#include "SerialLink.h"

#include "link/Cadence.h"

namespace velmar {

SerialLink::SerialLink(LinkServices services, LinkClient& client)
    : m_services(std::move(services)),
      m_port(*m_services.port),
      Timer1(*m_services.timer1),
      Timer2(*m_services.timer2),
      m_client(client) {
  Timer1.SetInterval(kIdlePollInterval);
  Timer2.SetInterval(kReplyTimeout);
  Timer1.onTimeout = [this] { Timer1_Timer(); };
  Timer2.onTimeout = [this] { Timer2_Timer(); };
  connect(&m_port, &SerialPort::commEvent, this, &SerialLink::MSComm_OnComm);
  connect(&m_port, &SerialPort::lost, this, &SerialLink::OnPortLost);
  connect(&m_port, &SerialPort::returned, this, &SerialLink::OnPortReturned);
}

SerialLink::~SerialLink() {
  Timer1.onTimeout = nullptr;
  Timer2.onTimeout = nullptr;
}

bool SerialLink::ProbePort(int number) {
  m_port.SetPortNumber(number);
  m_port.Open();
  m_services.letEventsRun();
  if (!m_port.IsOpen()) return false;
  m_port.Close();
  m_services.letEventsRun();
  return true;
}

bool SerialLink::SelectPort(int number) {
  m_lostPort = 0;
  m_first.reset();
  TimeoutCount = 0;
  StopTimers();
  // The head command goes out again on the new port.
  EndExchange();
  if (m_port.IsOpen()) {
    m_port.Close();
    m_services.letEventsRun();
  }
  m_port.SetPortNumber(number);
  m_port.Open();
  m_services.letEventsRun();
  m_state = LinkState::Unconnected;
  if (!m_port.IsOpen()) {
    m_openPort = 0;
    return false;
  }
  m_openPort = m_port.PortNumber();
  Timer1.Start();
  return true;
}

void SerialLink::Shutdown() {
  m_port.SetReceiveThreshold(0);
  StopTimers();
  if (m_port.IsOpen()) m_port.Close();
}

void SerialLink::Timer1_Timer() {
  Timer1.Stop();
  if (m_ring.Empty()) EnqueueCommand(m_client.IdleCommand());
  SendCommand();
}

void SerialLink::SendCommand() {
  if (!m_port.IsOpen() || m_ring.Empty()) return;
  Timer1.Stop();
  m_client.BeforeSend(m_ring.Head());
  const std::vector<uint8_t> frame = BuildFrame(m_ring.Head());
  m_receiver.Restart();
  m_port.DiscardOutput();
  m_port.DiscardInput();
  m_port.SetReceiveThreshold(1);
  Timer2.Start();
  // A write that fails means the device has gone; the port reports it as lost.
  m_port.Write(QByteArray(reinterpret_cast<const char*>(frame.data()), qsizetype(frame.size())));
}

void SerialLink::SendFirst(const Command& command) {
  if (Timer2.IsActive()) {
    m_first = command;
    return;
  }
  m_ring.PushFront(command);
}

void SerialLink::TakeFirst() {
  if (!m_first) return;
  m_ring.PushFront(*m_first);
  m_first.reset();
}

void SerialLink::Timer2_Timer() {
  Timer2.Stop();
  bool fell = false;
  if (!m_ring.Empty()) {
    // Three timeouts in a row while connected declare the ESC lost. A glitch now
    // and then on a good line must not stop the motor.
    if (Connected() && ++TimeoutCount > 2) {
      TimeoutCount = 0;
      m_state = LinkState::Unconnected;
      fell = true;
    }
    if (!Connected()) {
      // At the fall-back itself the client hears of it as such, below.
      if (!fell) m_client.Dropped(m_ring.Head());
      m_ring.CutToPoll();
      // The head is a new command now: the rest of the old reply must not complete it.
      EndExchange();
    }
  }
  // A resend of the same kind carries what was to go first already.
  if (m_first && !m_ring.Empty() && m_ring.Head().Cmd == m_first->code) m_first.reset();
  TakeFirst();
  // The client hears of the fall-back once the ring is cut, so that what it sends
  // then goes out first.
  if (fell) m_client.FellBack();
  Timer1.SetInterval(m_ring.Empty() ? kIdlePollInterval : kNextCommandInterval);
  Timer1.Start();
}

void SerialLink::MSComm_OnComm(int event) {
  if (RxBusy) return;
  if (event != SerialPort::comEvReceive) return;
  // Nothing awaits a reply: whatever came is discarded by the next send.
  if (m_ring.Empty()) return;
  RxBusy = true;

  CmdRecord& head = m_ring.Head();
  bool progress = false;
  ReplyReceiver::Taken taken = ReplyReceiver::Taken::Dropped;
  while (taken != ReplyReceiver::Taken::Complete && m_port.InBufferCount() > 0) {
    const int b = m_port.ReadByte();
    if (b < 0) break;
    taken = m_receiver.Take(uint8_t(b), head);
    progress = progress || taken != ReplyReceiver::Taken::Dropped;
  }

  if (!m_receiver.Complete(head)) {
    // The timeout counts from the last notification that brought the echo or
    // the reply on. Noise alone gives no more time, or a chattering line would
    // hold the link forever without a reply and without a fall-back.
    if (progress) {
      Timer1.Stop();
      Timer2.Start();
    }
  } else {
    EndExchange();
    TimeoutCount = 0;
    m_client.ReplyComplete(head);
    m_ring.AdvanceHead();
    TakeFirst();
    Timer1.SetInterval(m_ring.Empty() ? kIdlePollInterval : kNextCommandInterval);
    Timer2.Stop();
    Timer1.Start();
  }
  RxBusy = false;
}

void SerialLink::EndExchange() {
  // Until the next send nothing that arrives is taken for a reply; the send
  // discards it.
  m_port.SetReceiveThreshold(0);
  m_receiver.Restart();
}

void SerialLink::StopTimers() {
  Timer1.Stop();
  Timer2.Stop();
}

void SerialLink::OnPortLost() {
  // The device went away under us; it is reopened when it comes back.
  EndExchange();
  StopTimers();
  m_lostPort = m_openPort;
  m_openPort = 0;
  FallBack();
}

void SerialLink::OnPortReturned() {
  // Only while no other port was chosen since the loss; a device that is back
  // but not yet ready is tried again when the port next reports it.
  const int32_t number = m_lostPort;
  if (number != 0 && !SelectPort(number)) m_lostPort = number;
}

void SerialLink::FallBack() {
  m_state = LinkState::Unconnected;
  m_client.FellBack();
}

}  // namespace velmar
