// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QWidget>
#include <chrono>
#include <functional>
#include <memory>

#include "Version.h"
#include "device/SensorLine.h"
#include "formats/BenchResult.h"
#include "formats/BenchScript.h"
#include "link/LinePort.h"
#include "link/PortMap.h"
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
class BenchSensor;
class RunRecord;
class SpeedTrendView;

// "Velmar ESC Config V1.012": the version with the user's decimal separator.
QString WindowTitle(const ProgramVersion& version, const QLocale& locale = QLocale());

// What "Bench run…" asks for: the script (empty for the default sweep) and the bench sensor's
// device (empty for none) with its baud rate.
struct BenchChoice {
  QString script;
  QString sensor;
  int baud = kSensorBaud;
  bool operator==(const BenchChoice&) const = default;
};

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
  // Bench run: the script and sensor (nothing when cancelled; `last` is the previous choice,
  // `sensors` the devices a sensor may be on), the run's timer, and the folder its result CSVs
  // go to (empty: the user's data folder).
  std::function<std::optional<BenchChoice>(QWidget* parent, const BenchChoice& last,
                                           const QStringList& sensors)>
      chooseScript;
  std::function<std::unique_ptr<OneShotTimer>()> makeTimer;
  QString resultFolder;
  // The bench sensor's port; the devices behind the port numbers, which a sensor may be on too.
  std::function<std::unique_ptr<LinePort>(const QString& path, int baud)> makeSensorPort;
  PortMap ports;
};

// The window: a view of one ESC session. It owns the controls, shows what the
// session reports and passes the user's choices on; its handlers carry the
// names of the controls and notifications they serve.
class FormQKconfig : public QWidget {
  Q_OBJECT

 public:
  explicit FormQKconfig(FormServices services, QWidget* parent = nullptr);
  ~FormQKconfig() override;

  // What the Run page shows of a bench sensor during a run: thrust, current, voltage, power.
  static constexpr int kReadings = 4;
  // "Thrust 512.3 g" for reading 0; "Thrust –" when the sensor did not send it. A value too
  // large for its room comes in exponent form, so that a sensor's nonsense stays in its room.
  static QString ReadingText(int reading, const std::optional<double>& value);

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
  void BuildSensorBand(QWidget* page);
  // Ends a bench run, if one runs, and stops the motor through the session's stop.
  void StopMotor(const QString& reason);
  // A stop ended; a close or a port change that waited for it goes on.
  void StopEnded(bool confirmed);
  void ShowBenchProgress();
  void BenchFinished(const BenchResult& result);
  // The bench sensor for a run, opened; nothing, with the reason shown, when it is refused.
  bool OpenSensor(const BenchScript& script, const BenchChoice& choice);
  QStringList SensorDevices();
  void NoteSensor(const SensorSample& sample);
  void ShowSensor();
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
  std::function<std::optional<BenchChoice>(QWidget*, const BenchChoice&, const QStringList&)>
      m_chooseScript;
  std::function<std::unique_ptr<OneShotTimer>()> m_makeTimer;
  QString m_resultFolder;
  std::function<std::unique_ptr<LinePort>(const QString&, int)> m_makeSensorPort;
  PortMap m_ports;
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
  QLabel* LbBench = nullptr;        // the run's step and time left, or how it ended
  QWidget* m_sensorBand = nullptr;  // the sensor's latest reading during a run
  QLabel* LbThrust = nullptr;
  QLabel* LbCurrent = nullptr;
  QLabel* LbVoltage = nullptr;
  QLabel* LbWatts = nullptr;

  // Window-level state.
  int32_t CurTab = 0;
  std::unique_ptr<BenchSensor> m_sensor;  // the run's, outliving it
  std::unique_ptr<BenchRun> m_bench;
  // The latest reading is shown at most every kSensorShown, however fast the sensor sends.
  std::unique_ptr<OneShotTimer> m_sensorShown;
  std::optional<SensorSample> m_sensorLatest;
  bool m_sensorPending = false;
  std::unique_ptr<BenchChartWindow> m_chart;
  QList<QShortcut*> m_pageStopKeys;  // Space, Esc and Home on the Run page
  QList<QShortcut*> m_runStopKeys;   // Space and Esc in every window, during a run
  // A close or a port change waits for the stop of a motor that may be turning.
  bool m_closeWhenStopped = false;
  bool m_portWhenStopped = false;
  bool m_portStopped = false;  // the stop a port change waited for has ended
  QString m_benchPath;
  BenchChoice m_lastBench;
  static constexpr int kCentrings = 3;
  int m_centrings = 0;
};

}  // namespace velmar
