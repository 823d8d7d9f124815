// The window on a scripted port and a manual clock, driven as a user and an ESC
// would; also what a desktop user runs into: the wheel over a list, captions in
// larger fonts and resolutions, and the record and trend of a run.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include "app/FormQKconfig.h"
#include "app/RunRecord.h"
#include "app/SpeedTrendView.h"
#include "support/Frames.h"
#include "support/ManualClock.h"
#include "support/QtPrinters.h"
#include "support/ScriptedPort.h"

namespace velmar::testing {
namespace {

using namespace std::chrono_literals;

// An ESC with its settings (wire values by setting number) that answers every frame.
inline const QByteArray kDefaults = Bytes({2, 1, 2, 2, 1});
inline QByteArray EscAnswer(const QByteArray& frame, const QByteArray& settings = kDefaults) {
  if (frame[2] == ReqIdentify) return IdentifyReply(8250, 1012);
  if (frame[2] == ReqReadSetting) return Y(settings[frame[3]]);
  if (frame[2] == ReqWriteSetting) return Y(frame[4]);
  return frame[2] == ReqSpeed ? SpeedReply(1000) : kY;
}

// The window on a scripted port and a manual clock, driven as a user and an ESC would.
class Window : public ::testing::Test {
 protected:
  void Start(QSet<int> usable = {1}, ProgramVersion version = kProgramVersion) {
    port.usable = std::move(usable);
    form = std::make_unique<FormQKconfig>(
        FormServices{{&port, clock.MakeTimer(), clock.MakeTimer(), [] {}},
                     version,
                     [this] { return clock.Now(); },
                     record});
    form->Form_Load();
  }
  // Start-up, the first poll answered and the connect sequence served.
  void StartConnected(const QByteArray& settings = kDefaults) {
    Start();
    ServeUntilIdle(settings);
    ASSERT_EQ(Text("TxtConnState"), QStringLiteral("Connected"));
  }

  template <typename T = QWidget>
  T* Find(const char* name) const {
    T* widget = form->findChild<T*>(QLatin1String(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QComboBox* List(const char* name) const { return Find<QComboBox>(name); }
  // The user picks an entry.
  void Choose(const char* list, int index) {
    List(list)->setCurrentIndex(index);
    emit List(list)->activated(index);
  }
  QString Text(const char* name) const { return Find<QLineEdit>(name)->text(); }
  QSlider* Slider() const { return Find<QSlider>("SldPower"); }

  // Runs the clock until the window writes a frame; empty when none comes within the limit.
  QByteArray NextFrame(std::chrono::milliseconds limit = 1000ms) {
    const qsizetype before = port.writes.size();
    for (auto waited = 0ms; waited < limit && port.writes.size() == before; waited += 1ms)
      clock.Advance(1ms);
    return port.writes.size() > before ? port.writes.last() : QByteArray();
  }
  // Answers every frame until a poll is answered with nothing left to send.
  QList<QByteArray> ServeUntilIdle(const QByteArray& settings = kDefaults) {
    QList<QByteArray> frames;
    for (int i = 0; i < 30; ++i) {
      frames.append(NextFrame());
      port.Deliver(EscAnswer(frames.last(), settings));
      if (frames.last() == kPoll && port.ReceiveThreshold() == 0 &&
          clock.NextDueIn() == std::optional(100ms))
        break;
    }
    return frames;
  }
  ScriptedPort port;
  ManualClock clock;
  RunRecord* record = nullptr;
  std::unique_ptr<FormQKconfig> form;
};

TEST_F(Window, ControlsCarryTheirTextsAndEntries) {
  Start();
  // Label number=caption, in the order the captions read on screen.
  for (const QString& pair :
       QString("1=Port:|2=Status:|3=Firmware:|4=Hardware:|5=1.Cutoff Voltage|7=2.Brake|"
               "8=3.Timing Advance|6=4.Cutoff Type|9=5.Rotation Direction|"
               "14=Motor Magnet Poles:|12=Rev:|10=r/min|13=Throttle:|11=0 |15=50|18=200")
           .split('|'))
    EXPECT_EQ(Find<QLabel>(qPrintable("Label" + pair.section('=', 0, 0)))->text(),
              pair.section('=', 1));
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
    EXPECT_EQ(List(name)->currentText(), entries.filter("*").value(0)) << "the default";
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

class Wheel : public Window, public ::testing::WithParamInterface<const char*> {};

TEST_P(Wheel, OverAListWithoutFocusChangesNothing) {
  Start({1, 2});
  ServeUntilIdle();
  form->show();
  QApplication::setActiveWindow(form.get());
  Find<QWidget>("TabStrip1")->setFocus();
  QComboBox* list = List(GetParam());
  const int selected = list->currentIndex();
  const QList<int> opened = port.opened;
  const QPointF centre = QRectF(list->rect()).center();
  // One turn each way: every list can move in at least one of them.
  for (int delta : {-120, 120}) {
    QWheelEvent turn(centre, list->mapToGlobal(centre), {}, {0, delta}, Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(list, &turn);
    EXPECT_EQ(list->currentIndex(), selected) << delta;
  }
  EXPECT_EQ(port.opened, opened);
  EXPECT_EQ(ServeUntilIdle(), QList<QByteArray>{kPoll});
}

INSTANTIATE_TEST_SUITE_P(Lists, Wheel,
                         ::testing::Values("CombPort", "CombCutOffV", "CombBrake", "CombTiming",
                                           "CombCutOffT", "CombDir"));

// A caption and the control to its right; none: the page's edge.
using CaptionCase = std::pair<const char*, const char*>;

class Captions : public Window, public ::testing::WithParamInterface<CaptionCase> {};

// Run again by CTest on a 120 dpi screen (VELMAR_TEST_DPI says which).
TEST_P(Captions, HoldTheirTextInTheirOwnFontWithoutTouchingTheNextControl) {
  Start({});
  const auto* label = Find<QLabel>(GetParam().first);
  const int dpi = qEnvironmentVariableIntValue("VELMAR_TEST_DPI");
  ASSERT_EQ(label->logicalDpiY(), dpi ? dpi : 96);
  const QFontMetrics metrics(label->font(), label);
  const int text = metrics.horizontalAdvance(label->text());
  const QRect rect = label->geometry();
  EXPECT_GE(rect.width(), text);
  EXPECT_GE(rect.height(), metrics.height());
  EXPECT_GE(rect.left(), 0);
  const int limit =
      GetParam().second ? Find<QWidget>(GetParam().second)->x() : label->parentWidget()->width();
  EXPECT_LT(rect.left() + text, limit);
}

INSTANTIATE_TEST_SUITE_P(
    RunPage, Captions,
    ::testing::Values(CaptionCase{"Label14", "TxtPole"}, CaptionCase{"Label12", "TxtRev"},
                      CaptionCase{"Label10", nullptr}, CaptionCase{"Label13", "LbPower"},
                      CaptionCase{"Label11", "Label15"}, CaptionCase{"Label15", "Label16"},
                      CaptionCase{"Label16", "Label17"}, CaptionCase{"Label17", "Label18"},
                      CaptionCase{"Label18", nullptr}),
    [](const auto& info) { return std::string(info.param.first); });

TEST_F(Window, EverySpeedReplyIsRecordedAndTrendedUntilTheThrottleComesBackToZero) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("run.csv"));
  RunRecord run;
  ASSERT_TRUE(run.Open(path, nullptr));
  record = &run;
  StartConnected();
  Find<QScrollBar>("VSlPole")->setValue(14);
  for (int v = 5; v <= 30; v += 5) Slider()->setValue(v);

  // The first reply comes before the throttle is acknowledged; period 200 is a
  // glitch that changes nothing; period 0 resets the average and the trend.
  const uint32_t periods[] = {1000, 1000, 200, 0, 1000};
  const char* const shown[] = {"1714", "3428", "3428", "0", "1714"};
  QStringList expected{QString::fromLatin1(RunRecord::kHeader)};
  for (size_t i = 0; i < std::size(periods);) {
    const QByteArray frame = NextFrame();
    ASSERT_FALSE(frame.isEmpty());
    if (frame != kSpeed) {
      port.Deliver(EscAnswer(frame));
      continue;
    }
    expected << QStringLiteral("%1,%2,%3,14,%4,Connected")
                    .arg(clock.Now().count())
                    .arg(i == 0 ? 0 : 30)
                    .arg(periods[i])
                    .arg(shown[i]);
    port.Deliver(SpeedReply(int(periods[i++])));
  }
  const SpeedTrend& trend = Find<SpeedTrendView>("SpeedTrend")->Trend();
  ASSERT_EQ(trend.Points().size(), 1u);
  EXPECT_EQ(trend.Points().back().rpm, 1714);
  EXPECT_EQ(trend.Scale(), 2000);

  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
  EXPECT_EQ(QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts), expected);

  Slider()->setValue(0);
  EXPECT_TRUE(ServeUntilIdle().contains(Throttle(0)));
  EXPECT_TRUE(trend.Points().empty());
}

}  // namespace
}  // namespace velmar::testing
