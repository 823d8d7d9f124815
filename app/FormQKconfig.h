// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QWidget>
#include <chrono>
#include <functional>
#include <memory>

#include "Version.h"
#include "formats/BenchResult.h"
#include "formats/BenchScript.h"
#include "session/EscSession.h"

class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QShortcut;
class QSlider;
class QTabWidget;

namespace velmar {

class BenchChartWindow;
class BenchRun;
class RunRecord;
class SpeedTrendView;

// "Velmar ESC Config V1.012": the version with the user's decimal separator.
QString WindowTitle(const ProgramVersion& version, const QLocale& locale = QLocale());

// What the window needs from the outside world. The program passes the Qt
// implementations; tests pass a scripted port, timers on a manual clock and a
// pump of their own.
struct FormServices {
  LinkServices link;
  ProgramVersion version = kProgramVersion;
  // Time since the program started, for the speed trend and the run record.
  std::function<std::chrono::milliseconds()> now;
  RunRecord* record = nullptr;  // --record; not owned, may be absent
  // Save and Load ask for a file and Load for a confirmation; tests answer for the user.
  std::function<QString(QWidget* parent, bool save, const QString& suggested)> askFile;
  std::function<bool(QWidget* parent, const QString& text)> confirm;
  // Bench run: the script (empty for the default sweep, nothing when cancelled), the run's
  // timer, and the folder its result CSVs go to (empty: the user's data folder).
  std::function<std::optional<QString>(QWidget* parent, const QString& last)> chooseScript;
  std::function<std::unique_ptr<OneShotTimer>()> makeTimer;
  QString resultFolder;
};

// The window: a view of one ESC session. It owns the controls, shows what the
// session reports and passes the user's choices on; its handlers carry the
// names of the controls and notifications they serve.
class FormQKconfig : public QWidget {
  Q_OBJECT

 public:
  explicit FormQKconfig(FormServices services, QWidget* parent = nullptr);
  ~FormQKconfig() override;

  // Life cycle.
  void Form_Load();
  void Form_Unload();
  void TabStrip1_Click();

  // The port list; the link itself runs Timer1_Timer, Timer2_Timer and MSComm_OnComm.
  void CombPort_Click();

  // The settings panel.
  void CombCutOffV_Click();
  void CombCutOffT_Click();
  void CombBrake_Click();
  void CombTiming_Click();
  void CombDir_Click();
  void CmdReset_Click();
  void CmdSave_Click();
  void CmdLoad_Click();
  void CmdBench_Click();

  // The motor test.
  void SldPower_Change();
  void VSlPole_Change();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  friend struct FormProbe;  // the fuzz rig and the soak read the session

  int Px(int twips) const;
  QRect Twips(int left, int top, int width, int height) const;
  void BuildControls();
  void BuildConnectionGroup();
  void BuildConfigPage();
  void BuildRunPage();
  void FitTexts();
  void SetKeyboardOrder();

  void ScanPorts();
  void ShowUnconnected();

  // What the session reports.
  void ShowConnection(bool connected);
  void ShowIdentity(EscIdentity identity);
  void FollowThrottle(int throttle);
  void NoteSpeed(const SpeedReading& reading);
  void ShowApplied(const std::vector<SettingNumber>& mismatched);
  void BuildBenchControls(QWidget* page);
  // Ends a bench run, if one runs, and stops the motor through the session's stop.
  void StopMotor(const QString& reason);
  // A stop ended; a close or a port change that waited for it goes on.
  void StopEnded(bool confirmed);
  void ShowBenchProgress();
  void BenchFinished(const BenchResult& result);
  // While a run goes, its controls are its own and Space and Esc stop it in every window.
  void RunOwnsControls(bool owns);
  void Tell(const QString& text);
  QString StopNotConfirmedText() const;
  void NoteOpenFailure(const QString& why);
  void CentreOnScreen();

  // Selecting an entry from code runs the list's handler at once, exactly once,
  // as a user's choice does.
  void SelectEntry(QComboBox* list, int index, void (FormQKconfig::*handler)());
  void SelectDefaultSettings();
  struct SettingControl;
  static const SettingControl kSettingControls[kSettingCount];
  void SelectSetting(SettingNumber number, int index);
  QComboBox* SettingSelector(SettingNumber number) const;
  void TakeSelection(SettingNumber number);
  void ConnectSession();
  // A selection the user made in a setting's list, as opposed to one the ESC's answer made.
  void UserChose(SettingNumber number);

  ProgramVersion m_version;
  std::function<std::chrono::milliseconds()> m_now;
  RunRecord* m_record = nullptr;
  std::function<QString(QWidget*, bool, const QString&)> m_askFile;
  std::function<bool(QWidget*, const QString&)> m_confirm;
  std::function<std::optional<QString>(QWidget*, const QString&)> m_chooseScript;
  std::function<std::unique_ptr<OneShotTimer>()> m_makeTimer;
  QString m_resultFolder;
  EscSession m_session;

  // Controls.
  QGroupBox* FrameConnect = nullptr;
  QLabel* Label1 = nullptr;
  QComboBox* CombPort = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* TxtConnState = nullptr;
  QLabel* Label4 = nullptr;
  QLineEdit* TxtHardVer = nullptr;
  QLabel* Label3 = nullptr;
  QLineEdit* TxtFirmVer = nullptr;
  QTabWidget* TabStrip1 = nullptr;
  QFrame* FrameConfig = nullptr;
  QLabel* Label5 = nullptr;
  QComboBox* CombCutOffV = nullptr;
  QLabel* Label7 = nullptr;
  QComboBox* CombBrake = nullptr;
  QLabel* Label8 = nullptr;
  QComboBox* CombTiming = nullptr;
  QLabel* Label6 = nullptr;
  QComboBox* CombCutOffT = nullptr;
  QLabel* Label9 = nullptr;
  QComboBox* CombDir = nullptr;
  QPushButton* CmdReset = nullptr;
  QPushButton* CmdSave = nullptr;
  QPushButton* CmdLoad = nullptr;
  QLabel* LbFileStatus = nullptr;  // what Save and Load did
  QFrame* FrameRun = nullptr;
  QLabel* Label14 = nullptr;
  QLineEdit* TxtPole = nullptr;
  QScrollBar* VSlPole = nullptr;
  QLabel* Label12 = nullptr;
  QLineEdit* TxtRev = nullptr;
  QLabel* Label10 = nullptr;
  QLabel* Label13 = nullptr;
  QLabel* LbPower = nullptr;
  QLabel* Label11 = nullptr;
  QLabel* Label15 = nullptr;
  QLabel* Label16 = nullptr;
  QLabel* Label17 = nullptr;
  QLabel* Label18 = nullptr;
  QSlider* SldPower = nullptr;
  SpeedTrendView* m_trend = nullptr;
  QPushButton* CmdBench = nullptr;
  QPushButton* CmdStop = nullptr;
  QLabel* LbBench = nullptr;  // the run's step and time left, or how it ended

  // Window-level state.
  int32_t CurTab = 0;
  std::unique_ptr<BenchRun> m_bench;
  std::unique_ptr<BenchChartWindow> m_chart;
  QList<QShortcut*> m_pageStopKeys;  // Space, Esc and Home on the Run page
  QList<QShortcut*> m_runStopKeys;   // Space and Esc in every window, during a run
  // A close or a port change waits for the stop of a motor that may be turning.
  bool m_closeWhenStopped = false;
  bool m_portWhenStopped = false;
  bool m_portStopped = false;  // the stop a port change waited for has ended
  QString m_benchPath, m_lastScript;
  static constexpr int kCentrings = 3;
  int m_centrings = 0;
};

}  // namespace velmar
