#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include "WindowFixture.h"

namespace velmar::testing {
namespace {

TEST_F(Window, ControlsCarryTheirTextsAndEntries) {
  Start();
  const std::pair<const char*, const char*> captions[] = {{"Label1", "Port:"},
                                                          {"Label2", "Status:"},
                                                          {"Label3", "Firmware:"},
                                                          {"Label4", "Hardware:"},
                                                          {"Label5", "1.Cutoff Voltage"},
                                                          {"Label7", "2.Brake"},
                                                          {"Label8", "3.Timing Advance"},
                                                          {"Label6", "4.Cutoff Type"},
                                                          {"Label9", "5.Rotation Direction"},
                                                          {"Label14", "Motor Magnet Poles:"},
                                                          {"Label12", "Rev:"},
                                                          {"Label10", "r/min"},
                                                          {"Label13", "Throttle:"},
                                                          {"Label11", "0 "},
                                                          {"Label15", "50"},
                                                          {"Label18", "200"}};
  for (const auto& [name, text] : captions) EXPECT_EQ(Find<QLabel>(name)->text(), text) << name;
  EXPECT_EQ(Find<QPushButton>("CmdReset")->text(), "R&estore Default");
  auto* tabs = Find<QTabWidget>("TabStrip1");
  EXPECT_EQ(tabs->tabText(0), "&Config");
  EXPECT_EQ(tabs->tabText(1), " &Run");
  const std::pair<const char*, QStringList> lists[] = {
      {"CombCutOffV", {"4.8V", "5.6V *", "6.0V", "7.2V", "8.4V", "9.0V", "11.0V", "12.0V"}},
      {"CombBrake", {"Disable *", "Enable"}},
      {"CombTiming", {"4-10\u00B0", "10-20\u00B0 *", "20-30\u00B0"}},
      {"CombCutOffT", {"Hard Cutoff", "Soft Cutoff *"}},
      {"CombDir", {"Forward *", "Reverse"}}};
  for (const auto& [name, entries] : lists) {
    QStringList shown;
    for (int i = 0; i < List(name)->count(); ++i) shown << List(name)->itemText(i);
    EXPECT_EQ(shown, entries) << name;
  }
  for (const char* box : {"TxtConnState", "TxtHardVer", "TxtFirmVer", "TxtPole", "TxtRev"})
    EXPECT_TRUE(Find<QLineEdit>(box)->isReadOnly()) << box;
  EXPECT_EQ(form->size(), QSize(381, 463));
  EXPECT_EQ(form->windowIcon().pixmap(48, 48).size(), QSize(48, 48));
}

TEST_F(Window, KeyboardOrderSkipsHiddenPagesAndStatusBoxes) {
  Start();
  form->show();
  QApplication::setActiveWindow(form.get());
  const auto tabThrough = [](QWidget* first, int steps) {
    first->setFocus(Qt::TabFocusReason);
    QStringList seen;
    for (int i = 0; i < steps; ++i) {
      QWidget* w = QApplication::focusWidget();
      seen << (qobject_cast<QTabBar*>(w) ? w->parentWidget() : w)->objectName();
      QTest::keyClick(w, Qt::Key_Tab);
    }
    return seen;
  };
  EXPECT_EQ(tabThrough(List("CombPort"), 9),
            QStringList({"CombPort", "TabStrip1", "CombCutOffV", "CombCutOffT", "CombBrake",
                         "CombTiming", "CombDir", "CmdReset", "CombPort"}));
  Find<QTabWidget>("TabStrip1")->setCurrentIndex(1);
  EXPECT_EQ(tabThrough(Find("TabStrip1"), 6),
            QStringList({"TabStrip1", "VSlPole", "SldPower", "TxtRev", "TxtPole", "CombPort"}));
  EXPECT_FALSE(Find("CmdSave")->isVisible());
  EXPECT_FALSE(Find("CmdLoad")->isVisible());
}

TEST_F(Window, StartUpListsUsablePortsOpensTheFirstAndSelectsTheDefaults) {
  Start({3, 5, 12}, ProgramVersion{1, 10, 5});
  EXPECT_EQ(List("CombPort")->count(), 3);
  EXPECT_EQ(List("CombPort")->itemText(2), "COM12");
  EXPECT_EQ(List("CombPort")->itemData(2).toInt(), 12);
  EXPECT_EQ(List("CombPort")->currentText(), "COM3");
  EXPECT_TRUE(port.IsOpen());
  EXPECT_EQ(port.PortNumber(), 3);
  EXPECT_EQ(Selections(),
            QStringList({"5.6V *", "Soft Cutoff *", "Disable *", "10-20\u00B0 *", "Forward *"}));
  EXPECT_TRUE(Find("FrameConfig")->isVisibleTo(form.get()));
  EXPECT_FALSE(Find("FrameRun")->isVisibleTo(form.get()));
  EXPECT_EQ(form->windowTitle(), "Velmar ESC Config V1.1005");
  EXPECT_EQ(Text("TxtConnState"), "Unconnected");
  EXPECT_TRUE(port.writes.isEmpty());
}

TEST_F(Window, WithNoPortStartUpCompletesAndNothingIsSent) {
  Start({});
  EXPECT_EQ(List("CombPort")->count(), 0);
  EXPECT_EQ(form->windowTitle(), "Velmar ESC Config V1.012");
  EXPECT_TRUE(NextFrame().isEmpty());
}

TEST_F(Window, APortThatFailsWhenChosenIsRemovedAndItsNeighbourTried) {
  Start({1, 3, 4});
  ServeUntilIdle();
  port.usable = {3};
  QComboBox* ports = List("CombPort");
  Choose("CombPort", 2);
  EXPECT_EQ(ports->count(), 2);
  EXPECT_EQ(ports->currentText(), "COM3");
  EXPECT_EQ(port.PortNumber(), 3);
  EXPECT_EQ(Text("TxtConnState"), "Unconnected");
  // Choosing the open port again changes nothing, not even the display.
  ServeUntilIdle();
  Choose("CombPort", 1);
  EXPECT_EQ(Text("TxtConnState"), "Connected");
  // The walk goes towards the start until no entry is left.
  port.usable = {};
  Choose("CombPort", 0);
  EXPECT_EQ(ports->count(), 0);
  EXPECT_FALSE(port.IsOpen());
  EXPECT_TRUE(NextFrame().isEmpty());
}

TEST_F(Window, ConnectingIdentifiesAndSelectorsFollowTheEsc) {
  Start();
  const QList<QByteArray> frames = ServeUntilIdle(Bytes({3, 1, 2, 2, 1}));
  EXPECT_EQ(frames, (QList<QByteArray>{kPoll, kIdentify, Read(0), Read(3), Read(1), Read(2),
                                       Read(4), kPoll}));
  EXPECT_EQ(Text("TxtHardVer"), "QK-10A V1.250");
  EXPECT_EQ(Text("TxtFirmVer"), "V1.012");
  EXPECT_EQ(List("CombCutOffV")->currentText(), "6.0V");
  // The user's choice goes out with the next poll's reply; the answer settles it.
  Choose("CombBrake", 1);
  EXPECT_EQ(ServeUntilIdle(), (QList<QByteArray>{kPoll, Write(1, 2), kPoll}));
  // An answer other than the one written moves the selector to the ESC's value.
  Choose("CombDir", 1);
  port.Deliver(EscAnswer(NextFrame()));
  EXPECT_EQ(NextFrame(), Write(4, 2));
  port.Deliver(Y(1));
  EXPECT_EQ(List("CombDir")->currentText(), "Forward *");
}

TEST_F(Window, ACorruptedReadIsReadAgainAndNeverWrittenOver) {
  Start();
  // The cutoff voltage's read comes back as 0xF7; the user has chosen nothing.
  QList<QByteArray> frames;
  for (int i = 0; i < 12; ++i) {
    frames.append(NextFrame());
    const bool firstRead = frames.last() == Read(0) && frames.count(Read(0)) == 1;
    port.Deliver(firstRead ? Y(0xF7) : EscAnswer(frames.last(), Bytes({8, 2, 3, 1, 2})));
  }
  for (const QByteArray& frame : frames) EXPECT_NE(frame[2], char(ReqWriteSetting));
  EXPECT_EQ(frames.count(Read(0)), 2);
  EXPECT_EQ(List("CombCutOffV")->currentText(), "12.0V");
  // Restore Default is the user's choice: written, even over an unknown value.
  Find<QPushButton>("CmdReset")->click();
  const QList<QByteArray> after = ServeUntilIdle(Bytes({8, 2, 3, 1, 2}));
  EXPECT_TRUE(after.contains(Write(0, 2)));
}

TEST_F(Window, RunPageDrivenByKeys) {
  StartConnected();
  form->show();
  QApplication::setActiveWindow(form.get());
  Find<QTabWidget>("TabStrip1")->setCurrentIndex(1);
  EXPECT_TRUE(Find("FrameRun")->isVisibleTo(form.get()));
  EXPECT_TRUE(Slider()->hasFocus());
  for (int i = 0; i < 6; ++i) QTest::keyClick(Slider(), Qt::Key_PageUp);
  EXPECT_EQ(Slider()->value(), 30);
  EXPECT_EQ(Find<QLabel>("LbPower")->text(), "30");
  // Running: the scheduler asks for the speed, and each speed reply sends the throttle.
  Find<QScrollBar>("VSlPole")->setValue(14);
  EXPECT_EQ(Text("TxtPole"), "14");
  EXPECT_EQ(NextFrame(), kSpeed);
  port.Deliver(SpeedReply(1000));
  EXPECT_EQ(NextFrame(), Throttle(30));
  port.Deliver(kY);
  EXPECT_EQ(NextFrame(), kSpeed);
  port.Deliver(SpeedReply(1000));
  EXPECT_EQ(Text("TxtRev"), "3428");
  // 300 is a glitch; 301 is the shortest period taken.
  for (const auto& [period, shown] : {std::pair(300, "3428"), std::pair(301, "9123")}) {
    EXPECT_EQ(NextFrame(), kSpeed);
    port.Deliver(SpeedReply(period));
    EXPECT_EQ(Text("TxtRev"), shown);
  }
  // A jump is cut back to five above the last accepted value.
  Slider()->setValue(100);
  EXPECT_EQ(Slider()->value(), 35);
  // Back to the Config page: the throttle returns to 0 and goes out as 0.
  Find<QTabWidget>("TabStrip1")->setCurrentIndex(0);
  EXPECT_EQ(Slider()->value(), 0);
  EXPECT_EQ(Text("TxtRev"), "0");
  EXPECT_EQ(NextFrame(), kPoll);
  port.Deliver(kY);
  EXPECT_EQ(NextFrame(), Throttle(0));
}

TEST_F(Window, AStopDuringATimeoutGoesOutAsTheNextThrottleFrame) {
  StartConnected();
  Slider()->setValue(5);
  EXPECT_EQ(NextFrame(), kPoll);
  port.Deliver(kY);
  EXPECT_EQ(NextFrame(), Throttle(5));
  Slider()->setValue(0);  // the ESC is slow to answer
  EXPECT_EQ(NextFrame(), Throttle(0));
  port.Deliver(kY);
  // Acknowledged at the value sent: nothing more to send.
  EXPECT_EQ(NextFrame(), kPoll);
  port.Deliver(kY);
  EXPECT_EQ(NextFrame(), kPoll);
}

TEST_F(Window, LosingTheEscOrThePortShowsUnconnectedAndStopsTheMotor) {
  StartConnected();
  Slider()->setValue(5);
  EXPECT_EQ(NextFrame(), kPoll);
  port.Deliver(kY);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(NextFrame(), Throttle(5));  // never acknowledged
  EXPECT_EQ(NextFrame(), kPoll);
  EXPECT_EQ(Text("TxtConnState"), "Unconnected");
  EXPECT_EQ(Text("TxtHardVer"), "Unknown");
  EXPECT_EQ(Slider()->value(), 0);
  // The 5 may have reached the ESC: the reconnection sends the slider's 0.
  EXPECT_TRUE(ServeUntilIdle().contains(Throttle(0)));
  EXPECT_EQ(Text("TxtConnState"), "Connected");
  port.Vanish();
  EXPECT_EQ(Text("TxtConnState"), "Unconnected");
  EXPECT_EQ(Text("TxtFirmVer"), "Unknown");
  EXPECT_TRUE(NextFrame().isEmpty());
}

}  // namespace
}  // namespace velmar::testing
