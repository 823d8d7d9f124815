// Reply dispatch, the settings panel and the motor test.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSlider>

#include "FormQKconfig.h"
#include "Str_Const.h"
#include "device/Identification.h"
#include "device/Throttle.h"

namespace velmar {

Command FormQKconfig::IdleCommand() const {
  return MotorRunning ? SpeedCommand() : PollCommand();
}

void FormQKconfig::BeforeSend(CmdRecord& head) {
  // A throttle goes out as the slider stands now, resends included: a stop
  // made while the ESC was slow to answer must not wait behind older values.
  if (head.Cmd == ReqThrottle) head.Param[1] = uint8_t(SldPower->value());
}

void FormQKconfig::FellBack() {
  // A throttle frame that was never acknowledged may still have reached the
  // ESC: what it holds is unknown, so the next comparison sends the slider.
  EscThrottle = kThrottleUnknown;
  ShowUnconnected();
}

void FormQKconfig::ProcessReply(const CmdRecord& head) {
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

void FormQKconfig::PollReply() {
  if (!m_link.Connected()) {
    // The ESC has just appeared: everything known about it is stale.
    m_link.SetState(LinkState::Connected);
    TxtConnState->setText(Str_Const::kConnected);
    m_link.EnqueueCommand(IdentifyCommand());
    m_settings.ForgetDevice();
    ResetSpeedAverage();
  }
  for (const Command& command : m_settings.Compare()) m_link.EnqueueCommand(command);
  CompareThrottle();
}

void FormQKconfig::IdentifyReply(const CmdRecord& head) {
  const auto hardware = uint16_t(head.Reply[1] | head.Reply[2] << 8);
  const auto firmware = uint16_t(head.Reply[3] | head.Reply[4] << 8);
  TxtHardVer->setText(HardwareText(hardware));
  TxtFirmVer->setText(FirmwareText(firmware));
}

void FormQKconfig::SettingReply(const CmdRecord& head) {
  const uint8_t number = head.Param[1];
  if (number >= kSettingCount) return;
  QComboBox* selector = SettingSelector(SettingNumber(number));
  const std::optional<int32_t> entry =
      m_settings.TakeReply(number, head.Reply[1], selector->count());
  if (entry) SelectSetting(SettingNumber(number), *entry);
}

void FormQKconfig::ThrottleAcknowledged(const CmdRecord& head) {
  // The ESC holds what was sent. A slider moved while the command was on its
  // way is still to be sent: the next comparison finds it.
  EscThrottle = head.Param[1];
  if (head.Param[1] == 0) ResetSpeedAverage();
}

void FormQKconfig::SpeedReply(const CmdRecord& head) {
  const uint32_t period = PeriodFromReply(head.Reply[1], head.Reply[2], head.Reply[3]);
  if (period >= kShortestPeriod) {
    const int32_t sample = SpeedSample(period, VSlPole->value());
    TxtRev->setText(QString::number(m_rpm.Add(sample)));
  } else if (period == 0) {
    ResetSpeedAverage();
    TxtRev->setText(QStringLiteral("0"));
  }
  NoteSpeed(period);
  CompareThrottle();
}

void FormQKconfig::CompareThrottle() {
  const int throttle = SldPower->value();
  if (throttle != EscThrottle) m_link.EnqueueCommand(ThrottleCommand(uint8_t(throttle)));
}

// Each setting's list and selection handler, by setting number.
struct FormQKconfig::SettingControl {
  QComboBox* FormQKconfig::*list;
  void (FormQKconfig::*click)();
};
const FormQKconfig::SettingControl FormQKconfig::kSettingControls[kSettingCount] = {
    {&FormQKconfig::CombCutOffV, &FormQKconfig::CombCutOffV_Click},
    {&FormQKconfig::CombBrake, &FormQKconfig::CombBrake_Click},
    {&FormQKconfig::CombTiming, &FormQKconfig::CombTiming_Click},
    {&FormQKconfig::CombCutOffT, &FormQKconfig::CombCutOffT_Click},
    {&FormQKconfig::CombDir, &FormQKconfig::CombDir_Click},
};

QComboBox* FormQKconfig::SettingSelector(SettingNumber number) const {
  return this->*kSettingControls[number].list;
}

void FormQKconfig::SelectSetting(SettingNumber number, int index) {
  SelectEntry(SettingSelector(number), index, kSettingControls[number].click);
}

void FormQKconfig::TakeSelection(SettingNumber number) {
  m_settings.Sel(number) = SettingSelector(number)->currentIndex();
}

void FormQKconfig::CombCutOffV_Click() {
  TakeSelection(kCutOffV);
}
void FormQKconfig::CombCutOffT_Click() {
  TakeSelection(kCutOffT);
}
void FormQKconfig::CombBrake_Click() {
  TakeSelection(kBrake);
}
void FormQKconfig::CombTiming_Click() {
  TakeSelection(kTiming);
}
void FormQKconfig::CombDir_Click() {
  TakeSelection(kDir);
}

void FormQKconfig::UserChose(SettingNumber number) {
  (this->*kSettingControls[number].click)();
  m_settings.Choose(number);
}

void FormQKconfig::CmdReset_Click() {
  SelectDefaultSettings();
  for (SettingNumber number : kComparisonOrder) m_settings.Choose(number);
}

void FormQKconfig::SelectDefaultSettings() {
  // The entries marked " *".
  SelectSetting(kCutOffV, 1);
  SelectSetting(kCutOffT, 1);
  SelectSetting(kBrake, 0);
  SelectSetting(kTiming, 1);
  SelectSetting(kDir, 0);
}

void FormQKconfig::SldPower_Change() {
  const int limited = LimitRise(SldPower->value(), LastPower, SldPower->pageStep());
  // Setting the value runs this handler again, nested; both runs then agree.
  if (limited != SldPower->value()) SldPower->setValue(limited);
  LastPower = SldPower->value();
  LbPower->setText(QString::number(LastPower));
  const std::optional<bool> running = RunFlag(LastPower);
  if (!running) return;
  MotorRunning = *running;
  if (!MotorRunning) TxtRev->setText(QStringLiteral("0"));
}

void FormQKconfig::VSlPole_Change() {
  TxtPole->setText(QString::number(VSlPole->value()));
}

}  // namespace velmar
