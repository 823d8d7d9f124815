// SPDX-License-Identifier: GPL-3.0-or-later
// The window on a scripted port and a manual clock, driven as a user and an ESC would.
#include <gtest/gtest.h>
#include <private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

#include <QTest>
#include <QtWidgets>

#include "app/Caption.h"
#include "app/FormQKconfig.h"
#include "app/SpeedTrendView.h"
#include "app/Str_Const.h"
#include "app/Translations.h"
#include "cli/BenchCommand.h"
#include "device/Identification.h"
#include "device/Speed.h"
#include "formats/ResultCsv.h"
#include "formats/RunRecord.h"
#include "formats/SettingsFile.h"
#include "protocol/SettingLists.h"
#include "support/FedLinePort.h"
#include "support/Frames.h"
#include "support/ManualClock.h"
#include "support/QtPrinters.h"
#include "support/ScriptedPort.h"

namespace velmar::testing {
namespace {

using namespace std::chrono_literals;

class Window : public ::testing::Test {
 protected:
  void Start(QSet<int> usable = {1}, ProgramVersion version = kProgramVersion) {
    form.reset();
    port.usable = std::move(usable);
    form = std::make_unique<FormQKconfig>(FormServices{
        {&port, clock.MakeTimer(), clock.MakeTimer(), [] {}},
        version,
        [this] { return clock.Now(); },
        record,
        [this](QWidget*, bool, const QString& suggested) { return (asked = suggested, file); },
        [this](QWidget*, const QString& text) { return (question = text, confirm); },
        [this](QWidget*, const BenchChoice&, const QStringList&) {
          return std::optional(BenchChoice{script, sensor, kSensorBaud});
        },
        [this] { return clock.MakeTimer(); },
        folder.path(),
        [this](const QString&, int) {
          auto made = std::make_unique<FedLinePort>();
          (sensorPort = made.get())->openFails = sensorFails;
          return made;
        },
        {}});
    form->Form_Load();
    form->show();
    QApplication::setActiveWindow(form.get());
  }
  template <typename T = QWidget>
  T* Find(const char* name) const {
    return form->findChild<T*>(QLatin1String(name));
  }
  QComboBox* List(const char* name) const { return Find<QComboBox>(name); }
  void Choose(const char* list, int index) {  // as the user picks an entry
    List(list)->setCurrentIndex(index);
    emit List(list)->activated(index);
  }
  QString Text(const char* name) const { return Find<QLineEdit>(name)->text(); }
  QSlider* Slider() const { return Find<QSlider>("SldPower"); }
  QTabWidget* Tabs() const { return Find<QTabWidget>("TabStrip1"); }
  // Runs the clock until the window writes a frame; empty when none comes within the limit.
  QByteArray NextFrame() {
    const qsizetype before = port.writes.size();
    for (auto waited = 0ms; waited < 1000ms && port.writes.size() == before; waited += 1ms)
      clock.Advance(1ms);
    return port.writes.size() > before ? port.writes.last() : QByteArray();
  }
  // Answers every frame until a poll is answered with nothing left to send.
  QList<QByteArray> ServeUntilIdle(const QByteArray& settings = kDefaults) {
    QList<QByteArray> frames;
    for (int i = 0; i < 30; ++i) {
      frames.append(NextFrame());
      port.Deliver(EscAnswer(frames.last(), settings));
      if (frames.last() == kPoll && clock.NextDueIn() == std::optional(100ms)) break;
    }
    return frames;
  }
  ScriptedPort port;
  ManualClock clock;
  RunRecord* record = nullptr;
  QString file, asked, question;  // the file the user picks; what Save suggested; Load's question
  bool confirm = true;
  QString script;               // the bench-run script the user picks
  QString sensor, sensorFails;  // the sensor's device the user picks; why it will not open
  FedLinePort* sensorPort = nullptr;
  QTemporaryDir folder;
  std::unique_ptr<FormQKconfig> form;
};

TEST_F(Window, StartUpListsThePortsOpensTheFirstAndSelectsEachSettingsDefault) {
  Start({3, 5, 16}, ProgramVersion{1, 10, 5});
  EXPECT_EQ(List("CombPort")->count(), 3);
  EXPECT_EQ(List("CombPort")->itemText(2), "COM16");
  EXPECT_EQ(List("CombPort")->itemData(2).toInt(), 16);
  EXPECT_EQ(List("CombPort")->currentText(), "COM3");
  EXPECT_EQ(port.PortNumber(), 3);
  EXPECT_TRUE(port.IsOpen());
  EXPECT_EQ(form->windowTitle(), "Velmar ESC Config V1.1005");
  EXPECT_EQ(Text("TxtConnState"), "Unconnected");
  // Each list is its setting's, in order, the default marked and selected, under its caption.
  const char* lists[] = {"CombCutOffV", "CombBrake", "CombTiming", "CombCutOffT", "CombDir"};
  for (const SettingList& setting : kSettingLists) {
    QComboBox* list = List(lists[setting.number]);
    QStringList entries, want;
    for (int i = 0; i < list->count(); ++i) entries << list->itemText(i);
    for (const std::string_view entry : setting.entries)
      want << QString::fromUtf8(entry.data(), qsizetype(entry.size()));
    want[setting.defaultIndex] += QLatin1String(kDefaultMarker.data(), kDefaultMarker.size());
    EXPECT_EQ(entries, want);
    EXPECT_EQ(list->currentIndex(), setting.defaultIndex);
    QStringList captions;
    for (const QLabel* label : form->findChildren<QLabel*>())
      if (label->buddy() == list) captions << label->text();
    EXPECT_EQ(captions, QStringList{QString::fromUtf8(setting.caption.data())});
  }
  EXPECT_EQ(form->windowIcon().pixmap(48, 48).size(), QSize(48, 48));
  EXPECT_TRUE(port.writes.isEmpty());
  Start({});  // with no port, start-up completes and nothing is sent
  EXPECT_EQ(List("CombPort")->count(), 0);
  EXPECT_EQ(form->windowTitle(), "Velmar ESC Config V1.012");
  EXPECT_TRUE(NextFrame().isEmpty());
}

TEST_F(Window, ConnectingShowsTheEscAndTheListsFollowItAndCarryTheUsersChoices) {
  Start({1, 2});
  const QByteArray esc = Bytes({3, 1, 2, 2, 1});
  ServeUntilIdle(esc);
  EXPECT_EQ(Text("TxtConnState"), "Connected");
  EXPECT_EQ(Text("TxtHardVer"), "QK-10A V1.250");
  EXPECT_EQ(Text("TxtFirmVer"), "V1.012");
  EXPECT_EQ(List("CombCutOffV")->currentText(), "6.0V");
  Choose("CombBrake", 1);
  EXPECT_EQ(ServeUntilIdle(esc), (QList<QByteArray>{kPoll, Write(1, 2), kPoll}));
  Find<QPushButton>("CmdReset")->click();
  EXPECT_EQ(ServeUntilIdle(esc), (QList<QByteArray>{kPoll, Write(0, 2), Write(1, 1), kPoll}));
  // The wheel over a list without focus changes nothing, one turn each way.
  Tabs()->setFocus();
  for (const char* name :
       {"CombPort", "CombCutOffV", "CombBrake", "CombTiming", "CombCutOffT", "CombDir"}) {
    QComboBox* list = List(name);
    const int selected = list->currentIndex();
    const QPointF centre = QRectF(list->rect()).center();
    for (int delta : {-120, 120}) {
      QWheelEvent turn(centre, list->mapToGlobal(centre), {}, {0, delta}, Qt::NoButton,
                       Qt::NoModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(list, &turn);
      EXPECT_EQ(list->currentIndex(), selected) << name << delta;
    }
  }
  EXPECT_EQ(ServeUntilIdle(esc), QList<QByteArray>{kPoll});
}

TEST_F(Window, SaveKeepsTheEscsSettingsAndLoadAsksThenWritesAndConfirmsThem) {
  QTemporaryDir dir;
  file = dir.filePath("esc.json");
  Start();
  port.Deliver(EscAnswer(NextFrame()));
  EXPECT_EQ(Text("TxtConnState"), "Connected");
  EXPECT_FALSE(Find<QPushButton>("CmdLoad")->isEnabled()) << "the ESC is not read yet";
  ServeUntilIdle(Bytes({3, 1, 2, 2, 1}));
  Find<QPushButton>("CmdSave")->click();
  EXPECT_EQ(asked, "QK-10A V1.250.json");
  SettingsFile saved = *ReadSettingsFile(file, nullptr);
  EXPECT_EQ(saved.settings[kCutOffV], 2);
  saved.hardware = "QK-5A V1.000";
  saved.settings = {1, 1, 2, 1, std::nullopt};  // by setting number
  ASSERT_TRUE(WriteSettingsFile(file, saved, nullptr));
  confirm = false;
  Find<QPushButton>("CmdLoad")->click();
  EXPECT_EQ(question,
            "Change on the ESC:\nCutoff Voltage: 6.0V \u2192 5.6V\nBrake: Disable \u2192 Enable\n"
            "Timing Advance: 10-20\u00B0 \u2192 20-30\u00B0\n\nWarning: the file is from a "
            "QK-5A V1.000, this ESC is a QK-10A V1.250.");
  EXPECT_EQ(ServeUntilIdle(), QList<QByteArray>{kPoll}) << "cancelled";
  confirm = true;
  Find<QPushButton>("CmdLoad")->click();
  EXPECT_EQ(List("CombBrake")->currentText(), "Enable");
  // The ESC takes the writes but holds its cutoff voltage when read back.
  EXPECT_EQ(ServeUntilIdle(Bytes({3, 2, 3, 2, 1})),
            (QList<QByteArray>{kPoll, Write(0, 2), Write(1, 2), Write(2, 3), Read(0), Read(1),
                               Read(2), kPoll}));
  EXPECT_EQ(Find<QLabel>("LbFileStatus")->text(), "The ESC did not take: Cutoff Voltage.");
}

TEST_F(Window, RunPageDrivenByKeysShowsRecordsAndTrendsTheSpeed) {
  QTemporaryDir dir;
  RunRecord run;
  ASSERT_TRUE(run.Open(dir.filePath("run.csv"), nullptr));
  record = &run;
  Start();
  ServeUntilIdle();
  Tabs()->setCurrentIndex(1);
  EXPECT_TRUE(Slider()->hasFocus());
  for (int i = 0; i < 6; ++i) QTest::keyClick(Slider(), Qt::Key_PageUp);
  EXPECT_EQ(Find<QLabel>("LbPower")->text(), "30");
  // The pole count stays within 2 to 24, and the upper arrow raises it.
  auto* poles = Find<QScrollBar>("VSlPole");
  QTest::keyClick(poles, Qt::Key_Down);
  EXPECT_EQ(Text("TxtPole"), "2");
  for (int i = 0; i < 12; ++i) QTest::keyClick(poles, Qt::Key_Up);
  EXPECT_EQ(Text("TxtPole"), "24");
  poles->setValue(14);
  // Speed requests (the first before the throttle); 0 resets the average and the trend.
  const std::pair<int, const char*> replies[] = {
      {1000, "1714"}, {1000, "3428"}, {0, "0"}, {1000, "1714"}};
  QStringList rows{QString::fromLatin1(RunRecord::kHeader)};
  for (const auto& [period, shown] : replies) {
    EXPECT_EQ(NextFrame(), kSpeed);
    rows << QString::asprintf("%lld,%d,%d,14,%s,Connected", qint64(clock.Now().count()),
                              rows.size() > 1 ? 30 : 0, period, shown);
    port.Deliver(SpeedReply(period));
    EXPECT_EQ(Text("TxtRev"), shown) << period;
    if (rows.size() > 2) continue;
    EXPECT_EQ(NextFrame(), Throttle(30));
    port.Deliver(kY);
  }
  const SpeedTrend& trend = Find<SpeedTrendView>("SpeedTrend")->Trend();
  ASSERT_EQ(trend.Points().size(), 1u);
  EXPECT_EQ(trend.Points().back().rpm, 1714);
  QFile file(dir.filePath("run.csv"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
  EXPECT_EQ(QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts), rows);
  Slider()->setValue(100);
  EXPECT_EQ(Slider()->value(), 35);  // a jump: five above the last accepted value
  EXPECT_EQ(Find<QLabel>("LbPower")->text(), "35");
}

TEST_F(Window, PortsFailOverTowardsTheStartAndALostPortShowsTheEscUnknown) {
  Start({1, 3, 4, 5});
  ServeUntilIdle();
  port.usable = {3};
  Choose("CombPort", 2);
  EXPECT_EQ(List("CombPort")->count(), 3);
  EXPECT_EQ(List("CombPort")->currentText(), "COM3");
  EXPECT_EQ(Text("TxtConnState"), "Unconnected");
  // Choosing the open port again changes nothing, not even the display.
  ServeUntilIdle();
  Choose("CombPort", 1);
  EXPECT_EQ(Text("TxtConnState"), "Connected");
  Tabs()->setCurrentIndex(1);
  Slider()->setValue(5);
  port.Vanish();
  EXPECT_EQ(Text("TxtConnState"), "Unconnected");
  EXPECT_EQ(Text("TxtFirmVer"), "Unknown");
  EXPECT_EQ(Slider()->value(), 0);
  // The walk goes towards the start until no entry is left.
  port.usable = {};
  Choose("CombPort", 0);
  EXPECT_EQ(List("CombPort")->count(), 0);
  EXPECT_FALSE(port.IsOpen());
  EXPECT_TRUE(NextFrame().isEmpty());
}

// What a screen reader and a keyboard user meet: each control the keyboard reaches says what it
// is (a list through the caption it is labelled by: a reader on Linux names a list by its entry)
// and shows its focus; the status, the speed and the throttle tell their changes.
TEST_F(Window, EveryControlTheKeyboardReachesIsNamedShowsItsFocusAndChangesAreTold) {
  static QList<std::pair<QObject*, QAccessible::Event>> told;
  QAccessible::installUpdateHandler([](auto* e) { told.append({e->object(), e->type()}); });
  QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(true);  // a reader came
  Start();
  for (int page : {0, 1}) {
    Tabs()->setCurrentIndex(page);
    QApplication::focusWidget()->clearFocus();
    QMap<QWidget*, QImage> unfocused;
    for (QWidget* w : form->findChildren<QWidget*>()) unfocused[w] = w->grab().toImage();
    Tabs()->tabBar()->setFocus();
    for (int i = 0; i < 9; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QWidget* w = QApplication::focusWidget();
      QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
      EXPECT_TRUE(!a->text(QAccessible::Name).isEmpty() && a->role() != QAccessible::Client &&
                  (!qobject_cast<QComboBox*>(w) || !a->relations(QAccessible::Label).isEmpty()) &&
                  w->grab().toImage() != unfocused[w])
          << qPrintable(w->objectName());
    }
  }
  ServeUntilIdle();  // "Connected"
  Slider()->setValue(5);
  for (int i = 0; i < 9 && Text("TxtRev") == "0"; ++i) port.Deliver(EscAnswer(NextFrame()));
  const qsizetype moved = told.count({Slider(), QAccessible::ValueChanged});
  port.Vanish();  // the session shows "Unconnected" and takes the throttle to 0
  for (const char* changed : {"TxtConnState", "TxtRev"})
    EXPECT_TRUE(told.contains({Find(changed), QAccessible::TextUpdated})) << changed;
  EXPECT_GT(told.count({Slider(), QAccessible::ValueChanged}), moved);
  QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(false);
}

// Every way out of driving the motor, in the window and on the command line, crossed with what
// becomes of the exchanges from the stop on: the ESC answers them all, loses the one on the wire
// (or the next) once, or is gone for good. The 0 is the next frame, within half a second; it is
// the last throttle sent; and the user hears whether the ESC confirmed it.
enum class Lost { None, Once, ForGood };
std::string LostName(Lost lost) {
  return lost == Lost::None ? "Answered" : lost == Lost::Once ? "LostOnce" : "LostForGood";
}
class StopPaths : public Window,
                  public ::testing::WithParamInterface<std::tuple<const char*, Lost>> {
 protected:
  // The ESC, answering 5 ms after each frame unless that reply is lost; spans in 1 ms.
  void Serve(std::chrono::milliseconds span, int rpmPeriod = 1000) {
    for (const auto end = clock.Now() + span; clock.Now() < end;) {
      clock.Advance(1ms);
      // The command's bench sensor at rest, 100 lines a second, its load cell's offset 40 g; heard
      // first after 0.7 s, as a board whose header came before the port opened.
      if (command && sensorPort && feeding && clock.Now() >= 700ms && clock.Now().count() % 10 == 0)
        sensorPort->Feed("thrust_g:40 current_a:1 voltage_v:16\n");
      for (; answered < wire->writes.size(); ++answered) due.append({clock.Now() + 4ms, answered});
      while (!due.isEmpty() && due.first().first <= clock.Now()) {
        const QByteArray frame = wire->writes[due.takeFirst().second];
        const bool lost =
            stopping && (lost_ == Lost::ForGood || (lost_ == Lost::Once && lostOnce++ == 0));
        if (!lost) wire->Deliver(frame[2] == ReqSpeed ? SpeedReply(rpmPeriod) : EscAnswer(frame));
      }
    }
  }
  // Runs until the next frame is on the wire and its reply still to come.
  void UntilWritten(const QByteArray& frame) {
    for (int i = 0; i < 3000 && (wire->writes.isEmpty() || wire->writes.last() != frame); ++i)
      Serve(1ms);
  }
  void StartCommand(const QString& extra, int hold,
                    const std::function<void(CommandLine&)>& more = {}) {
    QFile file(folder.filePath("run.json"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral(R"({"format": "velmar-bench-run", "version": 1, "poles": 14,
        "steps": [{"throttle": 30, "settle_ms": 0, "hold_ms": %1}]%2})")
                   .arg(hold)
                   .arg(extra)
                   .toUtf8());
    file.close();
    port.usable = {1};
    CommandLine line;
    line.verb = CommandLine::Verb::Bench;
    line.file = file.fileName();
    line.outPath = folder.filePath("result.csv");
    line.ports = "1=/dev/test1";
    line.portCount = 1;
    if (more) more(line);
    CommandServices services;
    services.makePort = [this](const PortMap&) {
      auto made = std::make_unique<ScriptedPort>();
      wire = made.get();
      made->usable = {1};
      return made;
    };
    services.makeTimer = [this](std::chrono::milliseconds i) { return clock.MakeTimer(i); };
    services.now = [this] { return clock.Now(); };
    services.out = [this](const QByteArray& bytes) { out += bytes; };
    services.say = [this](const QString& text) { said << text; };
    services.terminal = true;
    services.makeSensorPort = [this](const QString&, int) {
      auto made = std::make_unique<FedLinePort>();
      sensorPort = made.get();
      return made;
    };
    command = std::make_unique<BenchCommand>(line, services, nullptr);
    QObject::connect(command.get(), &BenchCommand::finished, [this](int s) { status = s; });
    command->Start();
  }
  ScriptedPort* wire = &port;  // the window's port, or the command's
  bool feeding = true;
  Lost lost_ = Lost::None;
  bool stopping = false;
  int lostOnce = 0;
  qsizetype answered = 0;
  QList<std::pair<std::chrono::milliseconds, qsizetype>> due;
  std::unique_ptr<BenchCommand> command;
  std::optional<int> status;
  QByteArray out;
  QStringList said;
};

TEST_P(StopPaths, SendZeroWithinOneExchangeAndSayWhetherTheEscConfirmedIt) {
  const QString path = std::get<0>(GetParam());
  lost_ = std::get<1>(GetParam());
  // A bench sensor's line past each of its limits, and the reason it stops the run for.
  const QMap<QString, std::pair<QByteArray, QString>> sensorLimits{
      {"Current", {"thrust_g:40 current_a:31.2 voltage_v:10", "current 31.2 A above 30 A"}},
      // Thrust counts from the zero: 820 g is 780 g on the stand.
      {"Thrust", {"thrust_g:820\nthrust_g:840.5 current_a:1", "thrust 800.5 g above 800 g"}},
      {"Power", {"thrust_g:40 current_a:25 voltage_v:16.04", "power 401.0 W above 400 W"}},
      {"SensorSilent", {"", "sensor silent for 500 ms"}}};
  const bool onCommandLine = QStringList{"Limit", "Signal", "SecondSignal", "End"}.contains(path) ||
                             sensorLimits.contains(path);
  const bool run = onCommandLine || QStringList{"Stop", "Space", "Esc"}.contains(path);
  if (onCommandLine) {
    StartCommand(path == "Limit"               ? R"(, "limits": {"rpm_max": 30000})"
                 : sensorLimits.contains(path) ? R"(, "limits": {"current_max_a": 30,
                    "thrust_max_g": 800, "power_max_w": 400})"
                                               : "",
                 path == "End" ? 1000 : 60000, [&](CommandLine& line) {
                   line.json = path == "Signal" || path == "End";
                   if (sensorLimits.contains(path)) line.sensorPath = "/dev/sensor";
                 });
  } else {
    script = "";  // the default sweep
    Start({1, 2});
    ServeUntilIdle();
    Tabs()->setCurrentIndex(1);
    if (run) Find<QPushButton>("CmdBench")->click();
    if (!run) Slider()->setValue(30);
  }
  // Climbing to the step's throttle, 30 (after a second's zero with a sensor), and then on the
  // wire with a speed request.
  for (int i = 0; i < 300 && !wire->writes.contains(Throttle(30)); ++i) {
    if (!run && Slider()->value() < 30) Slider()->setValue(30);
    Serve(10ms);
  }
  UntilWritten(kSpeed);
  ASSERT_TRUE(wire->writes.contains(Throttle(30))) << said.join('\n').toStdString();
  // A run owns its controls, and a terminal shows its progress.
  for (const char* control : {"SldPower", "VSlPole", "CombPort"})
    EXPECT_TRUE(!run || onCommandLine || !Find(control)->isEnabled()) << control;
  EXPECT_TRUE(!onCommandLine || path == "End" || path == "Signal" ||
              out.startsWith("\r\033[Kstep 1/1: throttle 30, about 60 s left"));
  // From the stop on, replies are lost as the row says; a limit and the end come from the run.
  stopping = path != "Limit" && path != "End";
  if (path == "Stop") Find<QPushButton>("CmdStop")->click();
  if (path == "Space" || path == "Esc") {  // wherever the focus is, off the Run page too
    Tabs()->tabBar()->setFocus();
    QTest::keyClick(Tabs()->tabBar(), path == "Space" ? Qt::Key_Space : Qt::Key_Escape);
  }
  if (path == "Home") QTest::keyClick(Slider(), Qt::Key_Home);
  if (path == "Page") Tabs()->setCurrentIndex(0);
  if (path == "Close") form->close();
  if (path == "PortChange") Choose("CombPort", 1);
  if (path == "Signal" || path == "SecondSignal") command->Stop("signal");
  if (path == "SecondSignal") command->Stop("signal again");
  if (path == "Limit") Serve(5ms, 400);  // the speed reply: 42857 r/min
  if (path == "SensorSilent") {
    feeding = false;
    Serve(490ms);
  } else if (sensorLimits.contains(path)) {
    sensorPort->Feed(sensorLimits[path].first + '\n');
  }
  if (path == "End")
    for (int i = 0; i < 3000 && !out.contains("\"step\":1"); ++i) Serve(1ms);
  if (path == "LostLink") {  // three exchanges lost in a row: the stop comes with the fall-back
    stopping = true;
    lost_ = Lost::ForGood;
    for (int i = 0; i < 1500 && Text("TxtConnState") == "Connected"; ++i) Serve(1ms);
    lost_ = std::get<1>(GetParam());
  }
  stopping = true;
  const qsizetype before = wire->writes.size();
  const auto stoppedAt = clock.Now();
  for (int i = 0; i < 500 && wire->writes.size() == before; ++i) Serve(1ms);
  QCoreApplication::processEvents();
  ASSERT_GT(wire->writes.size(), before) << "nothing sent after the stop";
  EXPECT_EQ(wire->writes[before], Throttle(0)) << "the next frame";
  EXPECT_LE(clock.Now() - stoppedAt, 500ms);
  Serve(2000ms);
  QCoreApplication::processEvents();
  Serve(10ms);
  QList<QByteArray> throttles;
  for (const QByteArray& frame : wire->writes)
    if (frame[2] == ReqThrottle) throttles << frame;
  EXPECT_EQ(throttles.last(), Throttle(0));
  // Unanswered while unconnected, the 0 is dropped for a poll: a lost link's stop gets one try.
  const bool confirmed = lost_ == Lost::None || (lost_ == Lost::Once && path != "LostLink");
  if (onCommandLine) {
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, !confirmed ? 3 : path == "End" ? 0 : 1);
    QFile result(folder.filePath("result.csv"));
    ASSERT_TRUE(result.open(QIODevice::ReadOnly));
    EXPECT_EQ(result.readAll().endsWith("# stop not confirmed\n"), !confirmed);
    EXPECT_FALSE(wire->IsOpen()) << "the command ends with its port closed";
    // A JSON line a step, then how it ended; or a line a step as text.
    const QStringList lines = QString(out).split('\n', Qt::SkipEmptyParts);
    const QString end = lines.isEmpty() ? QString() : lines.last();
    const QString told = confirmed ? R"(,"stop_confirmed":true})" : R"(,"stop_confirmed":false})";
    const QString want = path == "End" ? R"({"end":"completed")" + (confirmed ? "}" : told)
                                       : R"({"end":"stopped","reason":"signal")" + told;
    EXPECT_TRUE((path != "End" && path != "Signal") || end == want) << end.toStdString();
    EXPECT_TRUE(path != "End" || out.startsWith(R"({"step":1,"throttle":30,"settle_ms":0,)"));
    EXPECT_TRUE(path != "Limit" || said.contains("stopped: speed above rpm_max"));
    if (sensorLimits.contains(path)) {
      EXPECT_TRUE(said.contains("stopped: " + sensorLimits[path].second))
          << said.join('|').toStdString();
      EXPECT_TRUE(result.seek(0));
      EXPECT_EQ(result.readAll().split('\n')[1], "# zero: thrust_g=40.00, torque_nm=");
    }
  } else {
    EXPECT_EQ(Find<QLabel>("LbBench")->text().contains("did not confirm"), !confirmed);
    EXPECT_EQ(Slider()->value(), 0);
    EXPECT_TRUE(path != "Close" || !(form->isVisible() || port.IsOpen()));
    EXPECT_TRUE(path != "PortChange" || port.opened.last() == 2);
  }
  if (run && !onCommandLine) {
    EXPECT_TRUE(
        Find<QLabel>("LbBench")->text().startsWith("Bench run stopped (stopped by the user)"));
    // The chart came up; the window closing takes it along, so that the program ends.
    form->close();
    Serve(1500ms);
    QCoreApplication::processEvents();
    for (QWidget* w : QApplication::topLevelWidgets())
      EXPECT_FALSE(w->isVisible()) << w->windowTitle().toStdString();
  }
}

// An output over an input would destroy it: refused before anything is opened, however the
// path is spelled.
TEST_F(StopPaths, BenchRefusesAnOutputNamingAnInputBeforeAnyFileIsOpened) {
  QFile::link(folder.filePath("run.json"), folder.filePath("alias.json"));
  const std::function<void(CommandLine&)> overInputs[] = {
      [&](CommandLine& line) { line.outPath = folder.filePath("./run.json"); },
      [&](CommandLine& line) { line.outPath = folder.filePath("alias.json"); },
      [&](CommandLine& line) { line.plotPath = line.outPath; },
      [&](CommandLine& line) { line.recordPath = line.outPath; },
      [&](CommandLine& line) { line.comparePath = line.outPath; }};
  for (const auto& overInput : overInputs) {
    status.reset();
    StartCommand("", 1000, overInput);
    EXPECT_EQ(status, std::optional(2));
    EXPECT_TRUE(said.last().contains("names the same file as")) << said.last().toStdString();
    EXPECT_EQ(wire, &port) << "a port was made";
    EXPECT_FALSE(QFile::exists(folder.filePath("result.csv")));
    EXPECT_TRUE(ReadBenchScript(folder.filePath("run.json"), nullptr)) << "the script destroyed";
  }
}

TEST_F(StopPaths, BenchWithNoEscAnsweringEndsAfterTwoSecondsHavingSentNoThrottle) {
  StartCommand("", 1000);
  stopping = true;
  lost_ = Lost::ForGood;
  Serve(2100ms);
  EXPECT_EQ(status, std::optional(1));
  EXPECT_TRUE(said.contains("stopped: no ESC answered")) << said.join('|').toStdString();
  QFile result(folder.filePath("result.csv"));
  EXPECT_TRUE(result.open(QIODevice::ReadOnly) &&
              result.readAll().endsWith("# stopped: no ESC answered\n"));
  EXPECT_FALSE(wire->writes.contains(Throttle(0)));
}

INSTANTIATE_TEST_SUITE_P(
    Everywhere, StopPaths,
    ::testing::Combine(::testing::Values("Stop", "Space", "Esc", "Home", "Page", "LostLink",
                                         "Close", "PortChange", "Limit", "Signal", "SecondSignal",
                                         "End", "Current", "Thrust", "Power", "SensorSilent"),
                       ::testing::Values(Lost::None, Lost::Once, Lost::ForGood)),
    [](const auto& info) { return std::get<0>(info.param) + LostName(std::get<1>(info.param)); });

// Where a control draws a text whole (neither clipped nor scrolled), with the texts it may show
// there. Qt's option builders are protected: reached through member pointers.
template <typename W>
struct Peek : W {
  using W::initStyleOption;
};
using Rooms = QList<std::pair<QRect, QStringList>>;
Rooms TextRooms(QWidget* w, QStringList texts) {
  QStyle* s = w->style();
  if (auto* box = qobject_cast<QLineEdit*>(w); box && w->isVisible()) {
    QStyleOptionFrame o;
    (box->*&Peek<QLineEdit>::initStyleOption)(&o);
    // 2 px free each side; QLineEdit scrolls a text whose advance + 1 exceeds the rest.
    const QRect r = s->subElementRect(QStyle::SE_LineEditContents, &o, w);
    return {{r.marginsRemoved(box->textMargins()).adjusted(2, 0, -3, 0), texts << box->text()}};
  }
  if (auto* list = qobject_cast<QComboBox*>(w); list && w->isVisible()) {
    QStyleOptionComboBox o;
    (list->*&Peek<QComboBox>::initStyleOption)(&o);
    for (int i = 0; i < list->count(); ++i) texts << list->itemText(i);
    const QRect r = s->subControlRect(QStyle::CC_ComboBox, &o, QStyle::SC_ComboBoxEditField, w);
    return {{r.adjusted(1, 0, -1, 0), texts}};  // the entry is drawn 1 px in
  }
  if (auto* push = qobject_cast<QPushButton*>(w); push && w->isVisible()) {
    QStyleOptionButton o;
    (push->*&Peek<QPushButton>::initStyleOption)(&o);
    return {{s->subElementRect(QStyle::SE_PushButtonContents, &o, w), {o.text.remove('&')}}};
  }
  Rooms rooms;
  for (auto* bar = qobject_cast<QTabBar*>(w); bar && rooms.size() < bar->count();) {
    QStyleOptionTab o;
    (bar->*&Peek<QTabBar>::initStyleOption)(&o, int(rooms.size()));
    rooms.append({s->subElementRect(QStyle::SE_TabBarTabText, &o, w), {o.text.remove('&')}});
  }
  // A caption, not the file status, which wraps its messages.
  if (auto* label = qobject_cast<QLabel*>(w); label && !label->wordWrap() && w->isVisible())
    rooms.append({w->contentsRect(), texts << label->text()});
  return rooms;
}

class Captions : public Window, public ::testing::WithParamInterface<const char*> {};

// In each language; CTest runs it again at 120 and 144 dpi (VELMAR_TEST_DPI says which).
TEST_P(Captions, EveryTextAControlCanShowLiesWholeInsideItInItsOwnFont) {
  ASSERT_TRUE(LoadTranslations(*qApp, GetParam()));
  Start({16});
  ASSERT_EQ(form->logicalDpiY(), std::max(96, qEnvironmentVariableIntValue("VELMAR_TEST_DPI")));
  EXPECT_EQ(Text("TxtConnState") == "Unconnected", GetParam() == std::string("en"));
  using namespace Str_Const;
  QMap<QString, QStringList> more{
      {"TxtConnState", {Shown(kUnconnected), Shown(kConnected)}},
      {"TxtPole", {"24"}},
      {"TxtHardVer", {HardwareText(12999), HardwareText(6999, {}, Shown(kUnknown))}},
      {"TxtFirmVer", {FirmwareText(65535)}},
      {"LbPower", {"200"}},
      {"TxtRev", {QString::number(SpeedSample(kShortestPeriod, 2))}}};
  const char* readings[] = {"LbThrust", "LbCurrent", "LbVoltage", "LbWatts"};
  for (int i = 0; i < FormQKconfig::kReadings; ++i)  // the widest fixed form, and the exponent's
    for (const double v : {-99999.99, -1.5e300})
      more[readings[i]] << FormQKconfig::ReadingText(i, v) << FormQKconfig::ReadingText(i, {});
  for (int page : {0, 1}) {
    Tabs()->setCurrentIndex(page);
    for (QWidget* w : form->findChildren<QWidget*>()) {
      const QFontMetrics fm(w->font(), w);
      for (const auto& [room, texts] : TextRooms(w, more[w->objectName()]))
        for (const QString& text : texts) {
          if (text.isEmpty()) continue;
          // Its ink on the baseline of a line centred in the room as Qt draws it, and its advance,
          const int line = std::max(fm.height(), fm.boundingRect(text).height());
          const int baseline = room.top() + (room.height() - line + 1) / 2 + fm.ascent();
          const QRect ink = fm.tightBoundingRect(text).translated(0, baseline);
          const QRect drawn(room.left(), ink.top(), fm.horizontalAdvance(text), ink.height());
          // lie in the room with nothing over their end: a caption stops short of its neighbour.
          const QPoint end = w->mapTo(form.get(), QPoint(drawn.right(), room.center().y()));
          EXPECT_TRUE(room.contains(drawn) && form->childAt(end) == w)
              << qPrintable(w->objectName() + ": " + text + QDebug::toString(drawn));
        }
    }
  }
  // A caption with no room to move left into gets a smaller font instead.
  QLabel tight(QStringLiteral("Motor Magnet Poles:"), form.get());
  const int limit = tight.sizeHint().width() * 9 / 10;
  FitCaption(&tight, QRect(0, 0, 40, 20), limit);
  EXPECT_LT(tight.font().pointSizeF(), form->font().pointSizeF());
  EXPECT_LT(tight.geometry().right(), limit);
  EXPECT_FALSE(LoadTranslations(*qApp, "xx")) << "an unknown code: English";
}

INSTANTIATE_TEST_SUITE_P(Languages, Captions, ::testing::Values("en", "de", "zh_CN"));

// The window's bench run with a sensor: refused before the ESC hears of it when the sensor will
// not open or a script's limits need one that was not chosen; otherwise its readings, the zero
// taken off, show at most every 100 ms while the run goes, and its figures go into the result.
TEST_F(StopPaths, WindowBenchRunShowsTheSensorLessItsZeroAndKeepsItsFigures) {
  QFile file(folder.filePath("run.json"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(R"({"format": "velmar-bench-run", "version": 1, "poles": 14,
      "steps": [{"throttle": 30, "settle_ms": 0, "hold_ms": 500}], "limits": {"thrust_max_g": 900}})");
  file.close();
  script = file.fileName();
  Start({1, 2});
  ServeUntilIdle();
  Tabs()->setCurrentIndex(1);
  const QString refusals[][3] = {{"", "", "limits watch a bench sensor"},
                                 {"/dev/s", "/dev/s: no such device", "no such device"}};
  for (const auto& [device, fails, told] : refusals) {
    sensor = device, sensorFails = fails;
    Find<QPushButton>("CmdBench")->click();
    Serve(50ms);
    EXPECT_TRUE(Find<QLabel>("LbBench")->text().contains(told))
        << Find<QLabel>("LbBench")->text().toStdString();
    EXPECT_FALSE(port.writes.contains(Throttle(0)) || !Find("CmdBench")->isEnabled());
  }
  sensorFails = "";
  Find<QPushButton>("CmdBench")->click();
  const auto feed = [&](double thrust, std::chrono::milliseconds span) {
    for (const auto end = clock.Now() + span; clock.Now() < end; Serve(10ms))
      sensorPort->Feed(
          QStringLiteral("thrust_g:%1 current_a:2 voltage_v:12\n").arg(thrust).toUtf8());
  };
  feed(5, 1500ms);  // the zero, at rest
  feed(105, 300ms);
  const auto label = [&](const char* name) { return Find<QLabel>(name)->text(); };
  EXPECT_EQ(label("LbThrust") + label("LbCurrent") + label("LbVoltage") + label("LbWatts"),
            "Thrust 100.0 gCurrent 2.00 AVoltage 12.00 VPower 24.0 W");
  sensorPort->Feed("thrust_g:125\n");
  sensorPort->Feed("thrust_g:135\n");
  EXPECT_EQ(Find<QLabel>("LbThrust")->text(), "Thrust 100.0 g") << "shown within 100 ms";
  Serve(100ms);
  EXPECT_EQ(Find<QLabel>("LbThrust")->text(), "Thrust 130.0 g");
  for (int i = 0; i < 300 && !Find<QLabel>("LbBench")->text().startsWith("Bench run done"); ++i)
    feed(105, 10ms);
  EXPECT_TRUE(Find<QLabel>("LbThrust")->text().isEmpty()) << "the band empties with the run";
  const QStringList results = QDir(folder.path()).entryList({"bench-*.csv"});
  ASSERT_EQ(results.size(), 1);
  const std::optional<BenchResult> result = ReadResultCsv(folder.filePath(results[0]), nullptr);
  EXPECT_TRUE(result && result->steps.size() == 1 && result->steps[0].sensor->power == 24.0);
}

}  // namespace
}  // namespace velmar::testing
