#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QScrollBar>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

#include "app/FormQKconfig.h"
#include "link/Cadence.h"
#include "link/QtSerialPort.h"
#include "support/QtPrinters.h"
#include "support/SimProcess.h"

namespace velmar::testing {
namespace {

const QByteArray kPoll("\x51\x4B\x00", 3);
const QByteArray kSpeed("\x51\x4B\x05", 3);
QByteArray Frame(std::initializer_list<int> params) {
  QByteArray frame("\x51\x4B", 2);
  for (int p : params) frame.append(char(p));
  return frame;
}
const QList<QByteArray> kConnectSequence{kPoll,         Frame({1}),    Frame({2, 0}), Frame({2, 3}),
                                         Frame({2, 1}), Frame({2, 2}), Frame({2, 4})};

// The window as the program runs it: Qt's serial port, Qt's timers, the real
// event loop; the ESC is the simulator. Waits are on conditions, with deadlines.
class WindowOnSim : public ::testing::Test {
 protected:
  void Start(QStringList simArgs) {
    sim = std::make_unique<SimProcess>(simArgs);
    ASSERT_TRUE(sim->Running());
    qputenv("VELMAR_ESC_PORTS", QStringLiteral("1=%1").arg(sim->Link()).toUtf8());
    port = std::make_unique<QtSerialPort>(PortMap::FromSystem());
    qunsetenv("VELMAR_ESC_PORTS");
    FormServices services;
    services.port = port.get();
    services.timer1 = std::make_unique<QtOneShotTimer>(kIdlePollInterval);
    services.timer2 = std::make_unique<QtOneShotTimer>(kReplyTimeout);
    services.letEventsRun = [] { QCoreApplication::processEvents(); };
    services.now = [] {
      return std::chrono::duration_cast<std::chrono::milliseconds>(
          std::chrono::steady_clock::now().time_since_epoch());
    };
    form = std::make_unique<FormQKconfig>(std::move(services));
    form->Form_Load();
    form->show();
  }
  void TearDown() override {
    if (form) form->close();
  }

  bool WaitFor(const std::function<bool()>& condition, int ms = 5000) {
    return QTest::qWaitFor(condition, ms);
  }
  // Frames received by the simulator from index `from` on.
  QList<QByteArray> ReceivedFrom(qsizetype from) const { return sim->Received().mid(from); }
  // Waits until the simulator has seen `count` more status polls after `from`.
  bool WaitForPolls(qsizetype from, int count) {
    return WaitFor([&] { return ReceivedFrom(from).count(kPoll) >= count; });
  }
  bool Connected() { return Text("TxtConnState") == QStringLiteral("Connected"); }
  QString Text(const char* name) {
    return form->findChild<QLineEdit*>(QLatin1String(name))->text();
  }
  template <typename T>
  T* Find(const char* name) {
    return form->findChild<T*>(QLatin1String(name));
  }
  // Waits for the connect sequence and then for two idle polls after it.
  void WaitConnectedAndIdle() {
    ASSERT_TRUE(WaitFor([&] { return sim->Received().size() >= 9; }));
    ASSERT_TRUE(WaitFor([&] { return Connected(); }));
    EXPECT_EQ(sim->Received().mid(0, 7), kConnectSequence);
  }

  std::unique_ptr<SimProcess> sim;
  std::unique_ptr<QtSerialPort> port;
  std::unique_ptr<FormQKconfig> form;
};

TEST_F(WindowOnSim, ReadsTheEscsSettingsAndWritesNothing) {
  Start({"--settings", "3,2,1,1,2", "--hw", "8250", "--fw", "1234"});
  WaitConnectedAndIdle();
  ASSERT_TRUE(WaitForPolls(7, 3));
  EXPECT_EQ(ReceivedFrom(7).count(kPoll), ReceivedFrom(7).size());
  EXPECT_EQ(Find<QComboBox>("CombCutOffV")->currentText(), QStringLiteral("6.0V"));
  EXPECT_EQ(Find<QComboBox>("CombBrake")->currentText(), QStringLiteral("Enable"));
  EXPECT_EQ(Find<QComboBox>("CombTiming")->currentText(), QString::fromUtf8("4-10\u00B0"));
  EXPECT_EQ(Find<QComboBox>("CombCutOffT")->currentText(), QStringLiteral("Hard Cutoff"));
  EXPECT_EQ(Find<QComboBox>("CombDir")->currentText(), QStringLiteral("Reverse"));
  EXPECT_EQ(Text("TxtHardVer"), QStringLiteral("QK-10A V1.250"));
  EXPECT_EQ(Text("TxtFirmVer"), QStringLiteral("V1.234"));
}

TEST_F(WindowOnSim, AKeyPressOnASelectorIsWrittenAndHeld) {
  Start({});
  WaitConnectedAndIdle();
  const qsizetype mark = sim->Received().size();
  QTest::keyClick(Find<QComboBox>("CombTiming"), Qt::Key_Down);  // 10-20 -> 20-30
  ASSERT_TRUE(WaitFor([&] { return ReceivedFrom(mark).contains(Frame({3, 2, 3})); }));
  // The simulator answered with the new value, so the next polls send nothing more.
  ASSERT_TRUE(WaitForPolls(mark, 4));
  EXPECT_EQ(ReceivedFrom(mark).count(Frame({3, 2, 3})), 1);
  EXPECT_EQ(sim->Log("tx").last(), QByteArray("\x59", 1));
  EXPECT_TRUE(sim->Log("tx").contains(QByteArray("\x59\x03", 2)));
  EXPECT_EQ(Find<QComboBox>("CombTiming")->currentText(), QString::fromUtf8("20-30\u00B0"));
}

TEST_F(WindowOnSim, ARejectedWriteReturnsTheSelectorToTheEscsValue) {
  Start({"--reject-writes"});
  WaitConnectedAndIdle();
  const qsizetype mark = sim->Received().size();
  QTest::keyClick(Find<QComboBox>("CombDir"), Qt::Key_Down);
  ASSERT_EQ(Find<QComboBox>("CombDir")->currentText(), QStringLiteral("Reverse"));
  ASSERT_TRUE(WaitFor([&] { return ReceivedFrom(mark).contains(Frame({3, 4, 2})); }));
  ASSERT_TRUE(WaitFor([&] { return Find<QComboBox>("CombDir")->currentIndex() == 0; }));
  ASSERT_TRUE(WaitForPolls(mark, 4));
  EXPECT_EQ(ReceivedFrom(mark).count(Frame({3, 4, 2})), 1);
}

TEST_F(WindowOnSim, TheMotorAnswersTheThrottle) {
  Start({"--poles", "14", "--max-rpm", "12000", "--tau", "100"});
  WaitConnectedAndIdle();
  Find<QScrollBar>("VSlPole")->setValue(14);
  Find<QTabWidget>("TabStrip1")->setCurrentIndex(1);
  QSlider* slider = Find<QSlider>("SldPower");
  const qsizetype mark = sim->Received().size();
  for (int i = 0; i < 24; ++i) QTest::keyClick(slider, Qt::Key_PageUp);
  ASSERT_EQ(slider->value(), 120);

  ASSERT_TRUE(WaitFor([&] { return ReceivedFrom(mark).contains(Frame({4, 120})); }));
  // 7200 r/min at 120 of 200; the display averages ten samples.
  ASSERT_TRUE(WaitFor([&] { return std::abs(Text("TxtRev").toInt() - 7200) < 72; }, 10000))
      << Text("TxtRev").toStdString();
  const QList<QByteArray> run = ReceivedFrom(mark);
  const qsizetype throttle = run.indexOf(Frame({4, 120}));
  EXPECT_GE(run.mid(throttle + 1).count(kSpeed), 10);
  EXPECT_EQ(run.mid(throttle + 1).count(kPoll), 0);

  const qsizetype stop = sim->Received().size();
  Find<QTabWidget>("TabStrip1")->setCurrentIndex(0);
  EXPECT_EQ(slider->value(), 0);
  ASSERT_TRUE(WaitFor([&] { return ReceivedFrom(stop).contains(Frame({4, 0})); }));
  ASSERT_TRUE(WaitForPolls(stop, 2));
  const QList<QByteArray> after = ReceivedFrom(stop);
  EXPECT_GT(after.lastIndexOf(kPoll), after.indexOf(Frame({4, 0})));
}

// The README's pictures: the Config page once connected, then the Run page
// with the motor taken through three throttle steps and its speed trend.
TEST_F(WindowOnSim, PicturesOfBothPagesWithTheMotorRunning) {
  Start({"--poles", "14"});
  WaitConnectedAndIdle();
  const QString dir = QStringLiteral(VELMAR_SCREENSHOT_DIR);
  ASSERT_TRUE(QDir().mkpath(dir));
  EXPECT_TRUE(form->grab().save(dir + QStringLiteral("/config-page.png")));

  Find<QScrollBar>("VSlPole")->setValue(14);
  Find<QTabWidget>("TabStrip1")->setCurrentIndex(1);
  QSlider* slider = Find<QSlider>("SldPower");
  for (const int throttle : {60, 140, 100}) {
    while (slider->value() < throttle) QTest::keyClick(slider, Qt::Key_PageUp);
    while (slider->value() > throttle) QTest::keyClick(slider, Qt::Key_PageDown);
    // 12000 r/min at full throttle; settled within 1 %.
    const int settled = 12000 * throttle / 200;
    ASSERT_TRUE(WaitFor([&] { return std::abs(Text("TxtRev").toInt() - settled) < 120; }, 10000))
        << throttle << ": " << Text("TxtRev").toStdString();
  }
  EXPECT_TRUE(form->grab().save(dir + QStringLiteral("/run-page.png")));
}

TEST_F(WindowOnSim, ALostDeviceShowsUnconnectedAndReconnectsWhenChosenAgain) {
  Start({"--echo"});
  WaitConnectedAndIdle();
  sim->Command("hangup");
  ASSERT_TRUE(WaitFor([&] { return !Connected(); }));
  EXPECT_FALSE(port->IsOpen());
  EXPECT_EQ(Text("TxtHardVer"), QStringLiteral("Unknown"));
  EXPECT_EQ(Find<QComboBox>("CombPort")->count(), 1);

  const qsizetype mark = sim->Received().size();
  QComboBox* ports = Find<QComboBox>("CombPort");
  emit ports->activated(0);  // the user picks COM1 again
  ASSERT_TRUE(WaitFor([&] { return Connected() && ReceivedFrom(mark).size() >= 7; }));
  EXPECT_EQ(ReceivedFrom(mark).mid(0, 7), kConnectSequence);
}

}  // namespace
}  // namespace velmar::testing
