// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "cli/CommandServices.h"
#include "formats/SettingsFile.h"
#include "session/FleetModel.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace velmar {

// What the fleet window needs from the outside world, as the main window's FormServices: the
// commands' ports, timers and clock, and the file a user picks (tests answer for the user).
struct FleetServices {
  CommandServices commands;
  std::function<QString(QWidget* parent, bool save, const QString& suggested)> askFile;
};

// "Velmar ESC Config: several ESCs": every ESC side by side, one session and one column a
// port, all read at once on this thread. A choice in a cell goes to that ESC, one in "All" to
// every ESC that differs; each goes through a configure job and is read back. It never drives
// a motor: its sessions send no throttle.
class FleetWindow : public QWidget {
  Q_OBJECT

 public:
  FleetWindow(FleetServices services, const PortMap& ports, const QList<int>& numbers,
              QWidget* parent = nullptr);
  ~FleetWindow() override;

  // Opens every port; each ESC is read as it answers.
  void Form_Load();
  void CmdLoad_Click();
  void CmdSave_Click();
  void CmdCopy_Click();

  const FleetModel& Model() const { return m_model; }
  // The grid's column of an ESC's column in the model; column 0 is "All".
  static constexpr int kAllColumn = 0;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  struct Esc;

  int Count() const;
  QString Device(int c) const;
  void BuildControls();
  void SizeColumns();
  void Show(int c);  // soon
  void Refresh();
  void Render(int c);
  void ShowAll();
  void ShowSummary();
  void Tell(const QString& text);
  // A value chosen in a cell: grid column 0 is "All".
  void Choose(int gridColumn, SettingNumber number, int32_t index);
  void Write(int c, const SettingChoices& choices);
  void Written(int c);
  // Asks which ESC, then calls `picked` with its column.
  void PickEsc(const QString& title, const QString& label, std::function<void(int)> picked);
  // What `file` would change on each ESC, with OK and Cancel (the default); OK writes it.
  void Confirm(const QString& title, const SettingsFile& file, int source = -1);

  std::function<QString(QWidget*, bool, const QString&)> m_askFile;
  CommandServices m_commands;
  FleetModel m_model;
  std::vector<std::unique_ptr<Esc>> m_escs;
  QLabel* LbHelp = nullptr;
  QTableWidget* GridEscs = nullptr;
  QLabel* LbSummary = nullptr;
  QPushButton* CmdLoad = nullptr;
  QPushButton* CmdSave = nullptr;
  QPushButton* CmdCopy = nullptr;
  std::vector<char> m_stale;  // columns to show anew
  std::unique_ptr<OneShotTimer> m_refresh;
  QString m_told;  // what the last file action said, shown after the summary
};

}  // namespace velmar
