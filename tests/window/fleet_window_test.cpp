// SPDX-License-Identifier: GPL-3.0-or-later
// The fleet window on three scripted ESCs and a manual clock, the second braking and the third
// refusing a new timing: the grid as read, Load cancelled by Escape, then Load confirmed.
#include <gtest/gtest.h>

#include <QTest>
#include <QtWidgets>

#include "app/FleetWindow.h"
#include "support/Frames.h"
#include "support/ManualClock.h"
#include "support/QtPrinters.h"
#include "support/ScriptedPort.h"

namespace velmar::testing {
namespace {

using namespace std::chrono_literals;

TEST(FleetWindow, ReadsAllAtOnceWritesNothingOnEscapeAndEachEscItsDifferencesOnOk) {
  ManualClock clock;
  std::vector<ScriptedPort*> ports;
  // Wire values by setting number, as each ESC holds them.
  std::vector<QByteArray> held{Bytes({2, 1, 2, 2, 1}), Bytes({2, 2, 2, 2, 1}),
                               Bytes({2, 1, 2, 2, 1})};
  std::vector<qsizetype> answered(3, 0);
  QTemporaryDir dir;
  const QString file = dir.filePath("f.json");
  ASSERT_TRUE(WriteSettingsFile(file, {{}, {}, {std::nullopt, 0, 2, std::nullopt}}, nullptr));
  CommandServices services;
  services.makePort = [&](const PortMap&) {
    auto port = std::make_unique<ScriptedPort>();
    port->usable = {int(ports.size()) + 1};
    ports.push_back(port.get());
    return port;
  };
  services.makeTimer = [&](std::chrono::milliseconds) { return clock.MakeTimer(); };
  const PortMap map = PortMap::FromText("1=/dev/a,2=/dev/b,3=/dev/c");
  FleetWindow window({services, [&](QWidget*, bool, const QString&) { return file; }}, map,
                     {1, 2, 3});
  const auto serve = [&](std::chrono::milliseconds span) {
    for (auto t = 0ms; t < span; t += 1ms) {
      clock.Advance(1ms);
      for (size_t i = 0; i < ports.size(); ++i)
        for (; answered[i] < ports[i]->writes.size(); ++answered[i]) {
          const QByteArray frame = ports[i]->writes[answered[i]];
          const bool write = frame[2] == ReqWriteSetting;
          if (write && !(i == 2 && frame[3] == char(kTiming))) held[i][frame[3]] = frame[4];
          ports[i]->Deliver(write ? Y(held[i][frame[3]]) : EscAnswer(frame, held[i]));
        }
    }
  };
  const auto writes = [&](size_t i) {  // every write of a setting, and any throttle
    QList<QByteArray> found = ports[i]->writes;
    found.removeIf(
        [](const QByteArray& f) { return f[2] != ReqWriteSetting && f[2] != ReqThrottle; });
    return found;
  };
  const auto none = [&] { return writes(0) + writes(1) + writes(2) == QList<QByteArray>(); };
  window.Form_Load();
  window.show();
  serve(300ms);  // every ESC's first poll at once, then its identification and reads
  auto* grid = window.findChild<QTableWidget*>();
  auto* summary = window.findChild<QLabel*>("LbSummary");
  EXPECT_TRUE(none());
  EXPECT_EQ(window.windowTitle(), "Velmar ESC Config: several ESCs");
  EXPECT_EQ(grid->item(4, 0)->text(), "\u2260 differs");
  EXPECT_EQ(grid->item(4, 2)->data(Qt::AccessibleTextRole),
            "COM2, Brake: Enable, differs from the others");
  EXPECT_EQ(grid->item(4, 1)->data(Qt::AccessibleTextRole), "COM1, Brake: Disable *");
  EXPECT_EQ(grid->item(5, 0)->text(), "10-20\u00B0 *");
  EXPECT_EQ(summary->text(), "3 of 3 ESCs read; 1 setting(s) differ");

  const auto confirmation = [&] {
    for (auto* dialog : window.findChildren<QDialog*>("FleetConfirmation"))
      if (dialog->isVisible()) return dialog;
    return static_cast<QDialog*>(nullptr);
  };
  window.findChild<QPushButton*>("CmdLoad")->click();
  ASSERT_TRUE(confirmation());
  EXPECT_EQ(
      confirmation()->findChild<QLabel*>()->text(),
      "COM1: Timing Advance 10-20\u00B0 \u2192 20-30\u00B0\n"
      "COM2: Brake Enable \u2192 Disable\nCOM2: Timing Advance 10-20\u00B0 \u2192 20-30\u00B0\n"
      "COM3: Timing Advance 10-20\u00B0 \u2192 20-30\u00B0");
  EXPECT_TRUE(confirmation()
                  ->findChild<QDialogButtonBox*>()
                  ->button(QDialogButtonBox::Cancel)
                  ->isDefault());
  QTest::keyClick(confirmation(), Qt::Key_Escape);
  EXPECT_FALSE(confirmation());
  serve(500ms);
  EXPECT_TRUE(none());

  window.findChild<QPushButton*>("CmdLoad")->click();
  confirmation()->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
  serve(1000ms);
  EXPECT_EQ(writes(0), QList<QByteArray>({Write(kTiming, 3)}));
  EXPECT_EQ(writes(1), QList<QByteArray>({Write(kBrake, 1), Write(kTiming, 3)}));
  EXPECT_EQ(writes(2), QList<QByteArray>({Write(kTiming, 3)}));  // refused once, not again
  // Each write read back.
  EXPECT_EQ(ports[1]->writes.count(Read(kTiming)), 2);
  EXPECT_EQ(grid->item(5, 3)->text(), "\u2260 10-20\u00B0 * \u2717 refused");
  EXPECT_EQ(summary->text(),
            "2 of 3 ESCs hold every setting; COM3 kept timing advance: 10-20\u00B0");

  // Enter opens a cell's list; the entry chosen goes to that ESC alone.
  grid->setFocus();
  grid->setCurrentCell(4, 3);
  QTest::keyClick(grid, Qt::Key_Return);
  auto* list = grid->findChild<QComboBox*>();
  ASSERT_TRUE(list);
  emit list->activated(1);
  serve(500ms);
  EXPECT_EQ(writes(2).last(), Write(kBrake, 2));
  EXPECT_EQ(writes(0).size(), 1);
  EXPECT_EQ(writes(1).size(), 2);
}

}  // namespace
}  // namespace velmar::testing
