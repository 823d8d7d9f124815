#include <QApplication>
#include <QGroupBox>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

#include "FormHarness.h"

namespace velmar::testing {
namespace {

class Layout : public FormTest {};

TEST_F(Layout, ControlsCarryTheirTextsAndEntries) {
  Create({});
  EXPECT_EQ(Find<QGroupBox>("FrameConnect")->title(), QStringLiteral("Connection"));
  const std::pair<const char*, const char*> labels[] = {{"Label1", "Port:"},
                                                        {"Label2", "Status:"},
                                                        {"Label3", "Firmware:"},
                                                        {"Label4", "Hardware:"},
                                                        {"Label5", "1.Cutoff Voltage"},
                                                        {"Label6", "4.Cutoff Type"},
                                                        {"Label7", "2.Brake"},
                                                        {"Label8", "3.Timing Advance"},
                                                        {"Label9", "5.Rotation Direction"},
                                                        {"Label10", "r/min"},
                                                        {"Label11", "0 "},
                                                        {"Label12", "Rev:"},
                                                        {"Label13", "Throttle:"},
                                                        {"Label14", "Motor Magnet Poles:"},
                                                        {"Label15", "50"},
                                                        {"Label16", "100"},
                                                        {"Label17", "150"},
                                                        {"Label18", "200"},
                                                        {"LbPower", "0"}};
  for (const auto& [name, text] : labels)
    EXPECT_EQ(Find<QLabel>(name)->text(), QString::fromUtf8(text)) << name;

  EXPECT_EQ(Text("TxtConnState"), QStringLiteral("Unconnected"));
  EXPECT_EQ(Text("TxtHardVer"), QStringLiteral("Unknown"));
  EXPECT_EQ(Text("TxtFirmVer"), QStringLiteral("Unknown"));
  EXPECT_EQ(Text("TxtPole"), QStringLiteral("2"));
  EXPECT_EQ(Text("TxtRev"), QStringLiteral("0"));
  for (const char* box : {"TxtConnState", "TxtHardVer", "TxtFirmVer", "TxtPole", "TxtRev"})
    EXPECT_TRUE(Find<QLineEdit>(box)->isReadOnly()) << box;

  EXPECT_EQ(Entries(List("CombCutOffV")),
            QStringList({"4.8V", "5.6V *", "6.0V", "7.2V", "8.4V", "9.0V", "11.0V", "12.0V"}));
  EXPECT_EQ(Entries(List("CombBrake")), QStringList({"Disable *", "Enable"}));
  EXPECT_EQ(Entries(List("CombTiming")),
            QStringList({QString::fromUtf8("4-10\u00B0"), QString::fromUtf8("10-20\u00B0 *"),
                         QString::fromUtf8("20-30\u00B0")}));
  EXPECT_EQ(Entries(List("CombCutOffT")), QStringList({"Hard Cutoff", "Soft Cutoff *"}));
  EXPECT_EQ(Entries(List("CombDir")), QStringList({"Forward *", "Reverse"}));
  EXPECT_EQ(List("CombPort")->count(), 0);
  for (const char* list : {"CombCutOffV", "CombBrake", "CombTiming", "CombCutOffT", "CombDir"})
    EXPECT_EQ(List(list)->currentIndex(), -1) << list;

  auto* tabs = Find<QTabWidget>("TabStrip1");
  ASSERT_EQ(tabs->count(), 2);
  EXPECT_EQ(tabs->tabText(0), QStringLiteral("&Config"));
  EXPECT_EQ(tabs->tabText(1), QStringLiteral(" &Run"));
  EXPECT_EQ(Find<QPushButton>("CmdReset")->text(), QStringLiteral("R&estore Default"));
  EXPECT_EQ(Find<QPushButton>("CmdSave")->text(), QStringLiteral("&Save to file"));
  EXPECT_EQ(Find<QPushButton>("CmdLoad")->text(), QStringLiteral("&Load from file"));
}

TEST_F(Layout, ValueControlsHaveTheirRangesAndSteps) {
  Create({});
  QSlider* slider = Slider();
  EXPECT_EQ(slider->minimum(), 0);
  EXPECT_EQ(slider->maximum(), 200);
  EXPECT_EQ(slider->singleStep(), 1);
  EXPECT_EQ(slider->pageStep(), 5);
  EXPECT_EQ(slider->tickInterval(), 10);
  EXPECT_EQ(slider->value(), 0);
  auto* poles = Find<QScrollBar>("VSlPole");
  EXPECT_EQ(poles->minimum(), 2);
  EXPECT_EQ(poles->maximum(), 24);
  EXPECT_EQ(poles->singleStep(), 2);
  EXPECT_EQ(poles->pageStep(), 2);
  EXPECT_EQ(poles->value(), 2);
}

TEST_F(Layout, GeometryFollowsTheTwipLayout) {
  Create({});
  EXPECT_EQ(form->size(), QSize(381, 463));
  EXPECT_EQ(Find<QGroupBox>("FrameConnect")->geometry(), QRect(7, 8, 367, 73));
  EXPECT_EQ(Find<QTabWidget>("TabStrip1")->geometry(), QRect(7, 88, 367, 369));
  EXPECT_EQ(Find<QWidget>("FrameConfig")->geometry(), QRect(8, 112, 361, 337));
  EXPECT_EQ(Find<QWidget>("FrameRun")->geometry(), QRect(8, 112, 361, 337));
  // The hardware box sits on the window, level with its label inside the group.
  EXPECT_EQ(Find<QLineEdit>("TxtHardVer")->parentWidget(), form.get());
  EXPECT_EQ(Find<QLineEdit>("TxtHardVer")->geometry(), QRect(224, 28, 145, 20));
  EXPECT_EQ(Slider()->geometry(), QRect(48, 248, 257, 33));
  EXPECT_FALSE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(form->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_EQ(form->windowIcon().pixmap(48, 48).size(), QSize(48, 48));
}

// The name of the control that has the keyboard focus; the tab strip's bar
// answers for the strip.
QString FocusName() {
  QWidget* w = QApplication::focusWidget();
  if (!w) return QStringLiteral("(none)");
  if (qobject_cast<QTabBar*>(w)) w = w->parentWidget();
  return w->objectName();
}

QStringList TabThrough(QWidget* first, int steps) {
  first->setFocus(Qt::TabFocusReason);
  QStringList seen{FocusName()};
  for (int i = 1; i < steps; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    seen << FocusName();
  }
  return seen;
}

TEST_F(Layout, KeyboardOrderWalksTheControlsAsListed) {
  Start({1});
  form->show();
  QApplication::setActiveWindow(form.get());
  EXPECT_EQ(TabThrough(Find<QWidget>("CombPort"), 9),
            QStringList({"CombPort", "TabStrip1", "CombCutOffV", "CombCutOffT", "CombBrake",
                         "CombTiming", "CombDir", "CmdReset", "CombPort"}));

  Find<QTabWidget>("TabStrip1")->setCurrentIndex(1);
  EXPECT_EQ(TabThrough(Find<QWidget>("TabStrip1"), 6),
            QStringList({"TabStrip1", "VSlPole", "SldPower", "TxtRev", "TxtPole", "CombPort"}));
  for (const char* box : {"TxtConnState", "TxtHardVer", "TxtFirmVer"})
    EXPECT_EQ(Find<QLineEdit>(box)->focusPolicy(), Qt::NoFocus) << box;
}

TEST_F(Layout, HiddenButtonsNeverShow) {
  Start({1});
  form->show();
  auto* tabs = Find<QTabWidget>("TabStrip1");
  for (int tab : {0, 1, 0}) {
    tabs->setCurrentIndex(tab);
    EXPECT_FALSE(Find<QPushButton>("CmdSave")->isVisible());
    EXPECT_FALSE(Find<QPushButton>("CmdLoad")->isVisible());
  }
}

struct TitleCase {
  ProgramVersion version;
  const char* title;
};

class Title : public FormTest, public ::testing::WithParamInterface<TitleCase> {};

TEST_P(Title, ShowsTheVersion) {
  Create({}, GetParam().version);
  form->Form_Load();
  EXPECT_EQ(form->windowTitle(), QString::fromUtf8(GetParam().title));
}

INSTANTIATE_TEST_SUITE_P(Layout, Title,
                         ::testing::Values(TitleCase{{1, 0, 12}, "Velmar ESC Config V1.012"},
                                           TitleCase{{1, 10, 5}, "Velmar ESC Config V1.1005"},
                                           TitleCase{{1, 0, 5}, "Velmar ESC Config V1.005"}));

TEST(TitleText, UsesTheUsersDecimalSeparator) {
  EXPECT_EQ(WindowTitle({1, 0, 12}, QLocale(QLocale::German)),
            QStringLiteral("Velmar ESC Config V1,012"));
}

}  // namespace
}  // namespace velmar::testing
