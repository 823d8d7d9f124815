// SPDX-License-Identifier: GPL-3.0-or-later
#include "EscSession.h"

#include "device/Throttle.h"

namespace velmar {

EscSession::EscSession(LinkServices services, bool drivesMotor, QObject* parent)
    : QObject(parent), m_link(std::move(services), *this), m_drivesMotor(drivesMotor) {}

EscSession::~EscSession() = default;

bool EscSession::OpenPort(int number) {
  // What the ESC on the old port held says nothing of the new one's; a first
  // port opened at start has been sent nothing yet.
  if (m_link.OpenPort() != 0 || m_mayTurn) m_escThrottle = kThrottleUnknown;
  m_mayTurn = false;
  if (m_stopping) EndStop(false);
  return m_link.SelectPort(number);
}

void EscSession::LoseConnection() {
  m_link.SetState(LinkState::Unconnected);
  m_identity.reset();
  m_toWrite.fill(false);
  m_toReadBack.fill(false);
  emit connectionChanged(false);
  emit syncChanged();
  SetThrottle(0, 0);
}

void EscSession::Select(SettingNumber number, int32_t index) {
  m_settings.Sel(number) = index;
}

void EscSession::Choose(SettingNumber number, int32_t index) {
  Select(number, index);
  m_settings.Choose(number);
}

SettingChoices EscSession::Reported() const {
  SettingChoices reported;
  for (const SettingList& list : kSettingLists) {
    const SettingsState::Reported esc = m_settings.Esc(list.number);
    if (Connected() && esc && *esc >= 0 && *esc < int32_t(list.entries.size()))
      reported[list.number] = esc;
  }
  return reported;
}

bool EscSession::Synced() const {
  if (!Connected() || !m_identity) return false;
  for (SettingNumber number : kComparisonOrder)
    if (!m_settings.Esc(number)) return false;
  return true;
}

std::vector<SettingNumber> EscSession::Apply(const SettingChoices& choices) {
  std::vector<SettingNumber> written;
  m_mismatched.clear();
  m_applyTarget = choices;
  for (SettingNumber number : kComparisonOrder) {
    if (!choices[number]) continue;
    Choose(number, *choices[number]);
    if (m_settings.Esc(number) == choices[number]) continue;
    m_toWrite[number] = true;
    written.push_back(number);
  }
  if (written.empty()) emit applied({});
  return written;
}

int EscSession::SetThrottle(int requested, int largeStep) {
  const int accepted = m_stopping ? 0 : LimitRise(requested, LastPower, largeStep);
  const bool changed = accepted != LastPower;
  LastPower = accepted;
  // The run flag first: whoever hears of the change reads the flag as it now is.
  if (const std::optional<bool> running = RunFlag(LastPower)) {
    m_motorRunning = *running;
    if (!m_motorRunning) ShowSpeed(0);
  }
  if (changed) emit throttleChanged(accepted);
  return accepted;
}

void EscSession::Stop() {
  SetThrottle(0, 0);
  if (m_stopping) return;
  if (!m_drivesMotor || !m_mayTurn) return EndStop(true);
  if (!m_link.Port().IsOpen()) return EndStop(false);
  m_stopping = true;
  m_link.SendFirst(ThrottleCommand(0));
}

void EscSession::EndStop(bool confirmed) {
  m_stopping = false;
  emit stopEnded(confirmed);
}

Command EscSession::IdleCommand() const {
  return m_motorRunning ? SpeedCommand() : PollCommand();
}

void EscSession::BeforeSend(CmdRecord& head) {
  // A throttle goes out as it stands now, resends included: a stop made while
  // the ESC was slow to answer must not wait behind older values.
  if (head.Cmd != ReqThrottle) return;
  head.Param[1] = uint8_t(LastPower);
  if (LastPower != 0) m_mayTurn = true;
}

void EscSession::FellBack() {
  // A throttle frame that was never acknowledged may still have reached the
  // ESC: what it holds is unknown, so the next comparison sends ours.
  m_escThrottle = kThrottleUnknown;
  const bool stopping = m_stopping;
  LoseConnection();
  // A stop under way has failed; a motor that may be turning gets its 0 now, in
  // case the ESC still listens.
  if (stopping)
    EndStop(false);
  else if (m_mayTurn)
    Stop();
}

void EscSession::Dropped(const CmdRecord& head) {
  if (m_stopping && head.Cmd == ReqThrottle) EndStop(false);
}

void EscSession::ProcessReply(const CmdRecord& head) {
  switch (head.Cmd) {
    case ReqPoll:
      PollReply();
      break;
    case ReqIdentify:
      IdentifyReply(head);
      break;
    case ReqReadSetting:
    case ReqWriteSetting:
      SettingReply(head);
      break;
    case ReqThrottle:
      ThrottleAcknowledged(head);
      break;
    case ReqSpeed:
      SpeedReply(head);
      break;
    default:
      break;
  }
}

void EscSession::PollReply() {
  if (!m_link.Connected()) {
    // The ESC has just appeared: everything known about it is stale.
    m_link.SetState(LinkState::Connected);
    emit connectionChanged(true);
    m_link.EnqueueCommand(IdentifyCommand());
    m_settings.ForgetDevice();
    ResetSpeedAverage();
  }
  for (const Command& command : m_settings.Compare()) m_link.EnqueueCommand(command);
  CompareThrottle();
}

void EscSession::IdentifyReply(const CmdRecord& head) {
  m_identity = EscIdentity{uint16_t(head.Reply[1] | head.Reply[2] << 8),
                           uint16_t(head.Reply[3] | head.Reply[4] << 8)};
  emit identified(*m_identity);
  emit syncChanged();
}

void EscSession::SettingReply(const CmdRecord& head) {
  const uint8_t number = head.Param[1];
  if (number >= kSettingCount) return;
  const auto setting = SettingNumber(number);
  const std::optional<int32_t> entry =
      m_settings.TakeReply(number, head.Reply[1], int(kSettingLists[number].entries.size()));
  if (entry) {
    // The ESC's answer within the list is the truth, and the list follows it.
    Select(setting, *entry);
    emit settingReported(setting, *entry);
  }
  NoteApplyReply(setting, head.Cmd == ReqWriteSetting);
  emit syncChanged();
}

void EscSession::NoteApplyReply(SettingNumber number, bool write) {
  if (write && m_toWrite[number]) {
    // Written: now ask what the ESC really holds.
    m_toWrite[number] = false;
    m_toReadBack[number] = true;
    m_link.EnqueueCommand(ReadSettingCommand(number));
    return;
  }
  if (write || !m_toReadBack[number]) return;
  m_toReadBack[number] = false;
  if (m_settings.Esc(number) != m_applyTarget[number]) m_mismatched.push_back(number);
  for (SettingNumber other : kComparisonOrder)
    if (m_toWrite[other] || m_toReadBack[other]) return;
  emit applied(m_mismatched);
}

void EscSession::ThrottleAcknowledged(const CmdRecord& head) {
  // The ESC holds what was sent. A throttle moved while the command was on its
  // way is still to be sent: the next comparison finds it.
  m_escThrottle = head.Param[1];
  if (head.Param[1] == 0) {
    m_mayTurn = false;
    ResetSpeedAverage();
  }
  emit throttleAcknowledged(m_escThrottle);
  if (m_stopping && head.Param[1] == 0) EndStop(true);
}

void EscSession::SpeedReply(const CmdRecord& head) {
  SpeedReading reading;
  reading.period = PeriodFromReply(head.Reply[1], head.Reply[2], head.Reply[3]);
  reading.poles = m_poles;
  if (reading.period >= kShortestPeriod) {
    reading.sample = SpeedSample(reading.period, m_poles);
    ShowSpeed(m_rpm.Add(*reading.sample));
  } else if (reading.period == 0) {
    ResetSpeedAverage();
    ShowSpeed(0);
  }
  reading.shown = m_shown;
  reading.escThrottle = m_escThrottle;
  emit speedRead(reading);
  CompareThrottle();
}

void EscSession::CompareThrottle() {
  // A stop delivers its own 0.
  if (m_drivesMotor && !m_stopping && LastPower != m_escThrottle)
    m_link.EnqueueCommand(ThrottleCommand(uint8_t(LastPower)));
}

void EscSession::ResetSpeedAverage() {
  m_rpm.Reset();
  emit speedReset();
}

void EscSession::ShowSpeed(int32_t rpm) {
  m_shown = rpm;
  emit speedShown(rpm);
}

}  // namespace velmar
