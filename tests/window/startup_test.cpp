#include <QApplication>
#include <QTest>

#include "FormHarness.h"

namespace velmar::testing {
namespace {

class StartUp : public FormTest {
 protected:
  // The user picks an entry of the port list.
  void Choose(int index) {
    QComboBox* ports = List("CombPort");
    ports->setCurrentIndex(index);
    emit ports->activated(index);
  }
};

TEST_F(StartUp, ListsUsablePortsAndOpensTheFirst) {
  Start({3, 5});
  QComboBox* ports = List("CombPort");
  EXPECT_EQ(Entries(ports), QStringList({"COM3", "COM5"}));
  EXPECT_EQ(ports->itemData(0).toInt(), 3);
  EXPECT_EQ(ports->itemData(1).toInt(), 5);
  EXPECT_EQ(ports->itemData(0, Qt::ToolTipRole).toString(), QStringLiteral("/dev/test3"));
  EXPECT_EQ(ports->currentIndex(), 0);
  EXPECT_EQ(Probe().OpenPort(), 3);
  EXPECT_TRUE(port.IsOpen());
  EXPECT_EQ(port.PortNumber(), 3);
  // The scan opened each usable port once, then the first for good.
  EXPECT_EQ(port.opened, QList<int>({3, 5, 3}));
  EXPECT_TRUE(timer1->IsActive());
  EXPECT_EQ(timer1->Interval(), 100ms);
  // Sixteen tries, and a pause after each open and each close of a usable port.
  EXPECT_EQ(pumps, 16 + 2 + 1);
}

TEST_F(StartUp, EndsWithDefaultsConfigPageAndTitle) {
  Start({12});
  EXPECT_EQ(List("CombPort")->currentText(), QStringLiteral("COM12"));
  EXPECT_EQ(List("CombCutOffV")->currentText(), QStringLiteral("5.6V *"));
  EXPECT_EQ(List("CombCutOffT")->currentText(), QStringLiteral("Soft Cutoff *"));
  EXPECT_EQ(List("CombBrake")->currentText(), QStringLiteral("Disable *"));
  EXPECT_EQ(List("CombTiming")->currentText(), QString::fromUtf8("10-20\u00B0 *"));
  EXPECT_EQ(List("CombDir")->currentText(), QStringLiteral("Forward *"));
  const SettingsState& s = Probe().settings();
  EXPECT_EQ((std::array{s.SelCutOffV, s.SelCutOffT, s.SelBrake, s.SelTiming, s.SelDir}),
            (std::array{1, 1, 0, 1, 0}));
  EXPECT_EQ(Probe().CurTab(), 1);
  EXPECT_FALSE(Find<QWidget>("FrameConfig")->isHidden());
  EXPECT_TRUE(Find<QWidget>("FrameRun")->isHidden());
  EXPECT_EQ(form->windowTitle(), QStringLiteral("Velmar ESC Config V1.012"));
  // No command goes out before the first tick.
  EXPECT_TRUE(port.writes.isEmpty());
}

TEST_F(StartUp, WithoutPortsTheProgramRunsAndSendsNothing) {
  Start({});
  EXPECT_EQ(List("CombPort")->count(), 0);
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(Probe().OpenPort(), 0);
  EXPECT_FALSE(timer1->IsActive());
  EXPECT_EQ(Text("TxtConnState"), QStringLiteral("Unconnected"));
  EXPECT_EQ(List("CombBrake")->currentText(), QStringLiteral("Disable *"));
  EXPECT_EQ(form->windowTitle(), QStringLiteral("Velmar ESC Config V1.012"));
  clock.Advance(5000ms);
  EXPECT_TRUE(port.writes.isEmpty());
}

TEST_F(StartUp, AFailingPortIsRemovedAndItsNeighbourBeforeItTried) {
  Start({1, 3, 4});
  Choose(2);  // COM4 opens: the baseline
  ASSERT_EQ(Probe().OpenPort(), 4);

  port.usable = {1, 4};  // COM3 has gone since the scan
  Choose(1);
  EXPECT_EQ(Entries(List("CombPort")), QStringList({"COM1", "COM4"}));
  EXPECT_EQ(List("CombPort")->currentIndex(), 0);
  EXPECT_EQ(Probe().OpenPort(), 1);
  EXPECT_EQ(port.PortNumber(), 1);
  EXPECT_TRUE(timer1->IsActive());
}

TEST_F(StartUp, AFailingFirstEntryHandsOverToTheNewFirst) {
  Create({1, 3, 4});
  form->Form_Load();
  port.Close();
  port.usable = {3, 4};
  Choose(0);  // COM1 no longer opens
  EXPECT_EQ(Entries(List("CombPort")), QStringList({"COM3", "COM4"}));
  EXPECT_EQ(List("CombPort")->currentText(), QStringLiteral("COM3"));
  EXPECT_EQ(Probe().OpenPort(), 3);
}

TEST_F(StartUp, WhenNoEntryOpensTheListEmptiesAndNothingIsPolled) {
  Create({1, 2, 3});
  port.usable = {1, 2, 3};
  // Ports that open at the scan but not afterwards.
  form->Form_Load();
  port.Close();
  port.usable = {};
  Choose(2);
  EXPECT_EQ(List("CombPort")->count(), 0);
  EXPECT_EQ(Probe().OpenPort(), 0);
  EXPECT_FALSE(timer1->IsActive());
  EXPECT_FALSE(timer2->IsActive());
  EXPECT_EQ(Text("TxtConnState"), QStringLiteral("Unconnected"));
  const qsizetype sent = port.writes.size();
  clock.Advance(2000ms);
  EXPECT_EQ(port.writes.size(), sent);
}

TEST_F(StartUp, ChoosingThePortInUseChangesNothing) {
  StartConnected();
  Slider()->setValue(5);
  Choose(0);
  EXPECT_EQ(Text("TxtConnState"), QStringLiteral("Connected"));
  EXPECT_EQ(Slider()->value(), 5);
  EXPECT_EQ(port.opened.size(), 2);
}

TEST_F(StartUp, ChoosingAnotherPortResetsTheDisplayAndKeepsTheRing) {
  Start({1, 2});
  FramesUntilIdle([](const QByteArray& f) { return EscAnswer(f); });
  Slider()->setValue(5);
  ASSERT_EQ(Text("TxtHardVer"), QStringLiteral("QK-10A V1.250"));
  // A read waits at the head when the user changes the port.
  Probe().ring().EnqueueCommand(ReadSettingCommand(2));
  Choose(1);
  EXPECT_EQ(Probe().OpenPort(), 2);
  EXPECT_EQ(Text("TxtConnState"), QStringLiteral("Unconnected"));
  EXPECT_EQ(Text("TxtHardVer"), QStringLiteral("Unknown"));
  EXPECT_EQ(Text("TxtFirmVer"), QStringLiteral("Unknown"));
  EXPECT_EQ(Slider()->value(), 0);
  // The waiting command is the first frame on the new port.
  EXPECT_EQ(NextFrame(), Bytes({0x51, 0x4B, 0x02, 0x02}));
}

TEST_F(StartUp, AClosedPortCanBeChosenAgain) {
  StartConnected();
  port.Vanish();
  EXPECT_EQ(Text("TxtConnState"), QStringLiteral("Unconnected"));
  EXPECT_EQ(Text("TxtHardVer"), QStringLiteral("Unknown"));
  EXPECT_FALSE(timer1->IsActive());
  EXPECT_FALSE(timer2->IsActive());
  EXPECT_EQ(List("CombPort")->count(), 1);
  clock.Advance(1000ms);
  EXPECT_TRUE(port.writes.isEmpty());

  Choose(0);
  EXPECT_TRUE(port.IsOpen());
  FramesUntilIdle([](const QByteArray& f) { return EscAnswer(f); });
  EXPECT_EQ(Text("TxtConnState"), QStringLiteral("Connected"));
}

class Pages : public FormTest {
 protected:
  void SetUp() override {
    Start();
    form->show();
    QApplication::setActiveWindow(form.get());
    tabs = Find<QTabWidget>("TabStrip1");
  }
  void ClickTab(int index) {
    QTabBar* bar = tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
  }
  QTabWidget* tabs = nullptr;
};

TEST_F(Pages, RunPageKeepsTheThrottleAndTakesTheFocus) {
  ClickTab(1);
  EXPECT_EQ(Probe().CurTab(), 2);
  EXPECT_TRUE(Find<QWidget>("FrameConfig")->isHidden());
  EXPECT_FALSE(Find<QWidget>("FrameRun")->isHidden());
  EXPECT_EQ(form->focusWidget(), Slider());
  Slider()->setValue(5);
  ClickTab(1);  // the tab already shown
  EXPECT_EQ(Slider()->value(), 5);
}

TEST_F(Pages, LeavingTheRunPageBringsTheThrottleToZero) {
  ClickTab(1);
  for (int i = 0; i < 30; ++i) QTest::keyClick(Slider(), Qt::Key_PageUp);
  ASSERT_EQ(Slider()->value(), 150);
  ClickTab(0);
  EXPECT_EQ(Slider()->value(), 0);
  EXPECT_EQ(Find<QLabel>("LbPower")->text(), QStringLiteral("0"));
  EXPECT_FALSE(Probe().MotorRunning());
  EXPECT_FALSE(Find<QWidget>("FrameConfig")->isHidden());
  EXPECT_TRUE(Find<QWidget>("FrameRun")->isHidden());
  EXPECT_EQ(form->focusWidget(), tabs->tabBar());
}

TEST_F(Pages, AccessKeysSwitchPages) {
  QTest::keyClick(form.get(), Qt::Key_R, Qt::AltModifier);
  EXPECT_EQ(Probe().CurTab(), 2);
  QTest::keyClick(form.get(), Qt::Key_C, Qt::AltModifier);
  EXPECT_EQ(Probe().CurTab(), 1);
}

TEST_F(Pages, ClickingTheConfigTabOnTheConfigPageDoesNothing) {
  Slider()->setValue(5);  // by code, while the Config page is shown
  ClickTab(0);
  EXPECT_EQ(Slider()->value(), 5);
  EXPECT_EQ(Probe().CurTab(), 1);
}

TEST_F(StartUp, ClosingStopsTheLinkWithoutSendingAnything) {
  StartConnected();
  Slider()->setValue(5);
  clock.Advance(50ms);
  port.writes.clear();
  form->close();
  EXPECT_FALSE(port.IsOpen());
  EXPECT_FALSE(timer1->IsActive());
  EXPECT_FALSE(timer2->IsActive());
  EXPECT_EQ(port.ReceiveThreshold(), 0);
  clock.Advance(1000ms);
  EXPECT_TRUE(port.writes.isEmpty());
}

TEST_F(StartUp, ClosingWithoutAPortOnlyStopsTheTimers) {
  Start({});
  form->close();
  EXPECT_TRUE(port.opened.isEmpty());
  EXPECT_FALSE(timer1->IsActive());
}

}  // namespace
}  // namespace velmar::testing
