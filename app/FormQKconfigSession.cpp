// SPDX-License-Identifier: GPL-3.0-or-later
// What the session reports, shown; the settings panel and the motor test, passed on.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>

#include "FormQKconfig.h"
#include "SpeedTrendView.h"
#include "Str_Const.h"
#include "device/Identification.h"

namespace velmar {

void FormQKconfig::ConnectSession() {
  connect(&m_session, &EscSession::connectionChanged, this, &FormQKconfig::ShowConnection);
  connect(&m_session, &EscSession::identified, this, &FormQKconfig::ShowIdentity);
  connect(&m_session, &EscSession::settingReported, this, &FormQKconfig::SelectSetting);
  connect(&m_session, &EscSession::throttleChanged, this, &FormQKconfig::FollowThrottle);
  connect(&m_session, &EscSession::speedShown, this,
          [this](int32_t rpm) { TxtRev->setText(QString::number(rpm)); });
  connect(&m_session, &EscSession::speedReset, m_trend, &SpeedTrendView::Clear);
  connect(&m_session, &EscSession::speedRead, this, &FormQKconfig::NoteSpeed);
  connect(&m_session, &EscSession::applied, this, &FormQKconfig::ShowApplied);
  // Save and Load wait for the ESC to be identified and read: a file loaded before that would
  // be overruled by the first reads' answers.
  connect(&m_session, &EscSession::syncChanged, this, [this] {
    CmdSave->setEnabled(m_session.Synced());
    CmdLoad->setEnabled(m_session.Synced());
  });
}

void FormQKconfig::ShowConnection(bool connected) {
  TxtConnState->setText(
      Str_Const::Shown(connected ? Str_Const::kConnected : Str_Const::kUnconnected));
  if (connected) return;
  TxtHardVer->setText(Str_Const::Shown(Str_Const::kUnknown));
  TxtFirmVer->setText(Str_Const::Shown(Str_Const::kUnknown));
}

void FormQKconfig::ShowIdentity(EscIdentity identity) {
  TxtHardVer->setText(
      HardwareText(identity.hardware, QLocale(), Str_Const::Shown(Str_Const::kUnknown)));
  TxtFirmVer->setText(FirmwareText(identity.firmware));
}

void FormQKconfig::FollowThrottle(int throttle) {
  // The session moved the throttle (a limited rise, a lost ESC): so does the slider.
  if (SldPower->value() != throttle) SldPower->setValue(throttle);
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
  m_session.Select(number, SettingSelector(number)->currentIndex());
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
  m_session.Choose(number, SettingSelector(number)->currentIndex());
}

void FormQKconfig::CmdReset_Click() {
  SelectDefaultSettings();
  for (SettingNumber number : kComparisonOrder)
    m_session.Choose(number, SettingSelector(number)->currentIndex());
}

void FormQKconfig::SelectDefaultSettings() {
  // The entries marked " *", in the order the lists are visited.
  for (SettingNumber number : kComparisonOrder)
    SelectSetting(number, kSettingLists[number].defaultIndex);
}

void FormQKconfig::SldPower_Change() {
  // A rise beyond the limit moves the slider back, which runs this again, nested.
  m_session.SetThrottle(SldPower->value(), SldPower->pageStep());
  LbPower->setText(QString::number(SldPower->value()));
}

void FormQKconfig::VSlPole_Change() {
  TxtPole->setText(QString::number(VSlPole->value()));
  m_session.SetPoles(VSlPole->value());
}

}  // namespace velmar
