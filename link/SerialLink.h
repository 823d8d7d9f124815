// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "link/CommandRing.h"
#include "link/OneShotTimer.h"
#include "link/ReplyReceiver.h"
#include "link/SerialPort.h"

namespace velmar {

enum class LinkState { Unconnected, Connected };

// What the link tells the program above it. All calls come from inside the
// link's own handlers, on the event thread.
class LinkClient {
 public:
  virtual ~LinkClient() = default;
  // What to send when nothing waits in the ring.
  virtual Command IdleCommand() const = 0;
  // The head command is about to go out, first time or again: the last chance
  // to bring its parameters up to date.
  virtual void BeforeSend(CmdRecord& head) = 0;
  // The head command's reply is complete. New commands may be enqueued; the
  // head advances after this returns.
  virtual void ReplyComplete(const CmdRecord& head) = 0;
  // The ESC stopped answering while connected, or the port's device went away.
  // The link is unconnected by the time this is called.
  virtual void FellBack() = 0;
  // The head command went unanswered while unconnected and is dropped for a poll.
  virtual void Dropped(const CmdRecord& head) = 0;
};

struct LinkServices {
  SerialPort* port = nullptr;  // not owned
  std::unique_ptr<OneShotTimer> timer1;
  std::unique_ptr<OneShotTimer> timer2;
  std::function<void()> letEventsRun;
};

// The serial link: one command on the wire at a time, taken from the ring, with
// its reply timeout, the reception of its reply and the connection state.
// Timer1 schedules the next send, Timer2 times out the reply, and the port's
// receive notification runs MSComm_OnComm.
class SerialLink : public QObject {
 public:
  SerialLink(LinkServices services, LinkClient& client);
  ~SerialLink() override;

  // Opens port n and closes it again, letting pending events run after each
  // step. True when the port opened.
  bool ProbePort(int number);
  // Closes the port in use and opens port n; polling starts when it opens.
  // Both timers stay off while the port changes.
  bool SelectPort(int number);
  // Silences the link and closes the port; nothing is sent.
  void Shutdown();

  void EnqueueCommand(const Command& command) { m_ring.EnqueueCommand(command); }
  // Sends `command` before anything else waiting: next, or, while an exchange is
  // on the wire, as soon as that one is answered or times out. A head command of
  // the same kind that times out is sent again in its place instead.
  void SendFirst(const Command& command);

  LinkState State() const { return m_state; }
  void SetState(LinkState state) {
    if (state != m_state) TimeoutCount = 0;
    m_state = state;
  }
  bool Connected() const { return m_state == LinkState::Connected; }

  // The number of the port opened, 0 when none.
  int32_t OpenPort() const { return m_openPort; }
  SerialPort& Port() { return m_port; }
  const CommandRing& Ring() const { return m_ring; }
  const ReplyReceiver& Receiver() const { return m_receiver; }

  // The link's handlers.
  void Timer1_Timer();
  void Timer2_Timer();
  void MSComm_OnComm(int event);

 private:
  void SendCommand();
  void EndExchange();
  void StopTimers();
  void OnPortLost();
  void OnPortReturned();
  void FallBack();
  void TakeFirst();

  LinkServices m_services;
  SerialPort& m_port;
  OneShotTimer& Timer1;
  OneShotTimer& Timer2;
  LinkClient& m_client;

  CommandRing m_ring;
  ReplyReceiver m_receiver;
  std::optional<Command> m_first;  // to go out as soon as the exchange on the wire ends
  LinkState m_state = LinkState::Unconnected;
  int32_t m_openPort = 0;
  int32_t m_lostPort = 0;  // the port whose device went away, until it is back or another is chosen
  int32_t TimeoutCount = 0;
  bool RxBusy = false;
};

}  // namespace velmar
