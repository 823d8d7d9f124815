#include <QApplication>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QWheelEvent>

#include "FormHarness.h"

namespace velmar::testing {
namespace {

class Motor : public FormTest {
 protected:
  void ShowRunPage() {
    form->show();
    QApplication::setActiveWindow(form.get());
    Find<QTabWidget>("TabStrip1")->setCurrentIndex(1);
  }
  QPoint PointFor(int value) {
    QSlider* s = Slider();
    QStyleOptionSlider option;
    option.initFrom(s);
    option.orientation = s->orientation();
    option.minimum = s->minimum();
    option.maximum = s->maximum();
    option.sliderPosition = value;
    option.sliderValue = value;
    return s->style()
        ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, s)
        .center();
  }
  QString Power() { return Find<QLabel>("LbPower")->text(); }
  // Raises the slider with the page key until it shows `value`.
  void PageUpTo(int value) {
    while (Slider()->value() < value) QTest::keyClick(Slider(), Qt::Key_PageUp);
    ASSERT_EQ(Slider()->value(), value);
  }
  // A speed reply for a period, least significant byte first.
  static QByteArray SpeedReply(uint32_t period) {
    return Bytes({0x59, int(period & 0xFF), int((period >> 8) & 0xFF), int(period >> 16)});
  }
};

TEST_F(Motor, ADragClimbsAtMostTheLargeStepPerNotification) {
  Start();
  ShowRunPage();
  QSlider* s = Slider();
  QTest::mousePress(s, Qt::LeftButton, {}, PointFor(0));
  QTest::mouseMove(s, PointFor(100));
  EXPECT_EQ(s->value(), 5);
  EXPECT_EQ(Power(), QStringLiteral("5"));
  // Every move to a new position of the pointer is one more notification.
  int last = s->value();
  for (int target = 101; target <= 130; ++target) {
    QTest::mouseMove(s, PointFor(target));
    EXPECT_LE(s->value() - last, 5) << target;
    EXPECT_EQ(Power(), QString::number(s->value()));
    last = s->value();
  }
  EXPECT_GT(last, 5);
  QTest::mouseRelease(s, Qt::LeftButton, {}, PointFor(130));
  EXPECT_EQ(Probe().LastPower(), s->value());
}

TEST_F(Motor, RisesAreMeasuredFromTheLastAcceptedValue) {
  Start();
  QSlider* s = Slider();
  PageUpTo(40);
  s->setValue(41);
  EXPECT_EQ(s->value(), 41);
  s->setValue(40);
  s->setValue(45);
  EXPECT_EQ(s->value(), 45);
  s->setValue(0);
  EXPECT_EQ(s->value(), 0);
  EXPECT_EQ(Power(), QStringLiteral("0"));
  PageUpTo(40);
  s->setValue(46);
  EXPECT_EQ(s->value(), 45);
  EXPECT_EQ(Probe().LastPower(), 45);
  EXPECT_EQ(Power(), QStringLiteral("45"));
}

TEST_F(Motor, KeysMoveTheThrottleBySmallAndLargeSteps) {
  Start();
  ShowRunPage();
  QTest::keyClick(Slider(), Qt::Key_Right);
  EXPECT_EQ(Slider()->value(), 1);
  QTest::keyClick(Slider(), Qt::Key_PageUp);
  EXPECT_EQ(Slider()->value(), 6);
  QTest::keyClick(Slider(), Qt::Key_End);  // a jump to 200 is cut to the limit
  EXPECT_EQ(Slider()->value(), 11);
  QTest::keyClick(Slider(), Qt::Key_Home);
  EXPECT_EQ(Slider()->value(), 0);
}

TEST_F(Motor, TheRunFlagHasHysteresis) {
  Start();
  PageUpTo(25);
  EXPECT_FALSE(Probe().MotorRunning());
  Slider()->setValue(26);
  EXPECT_TRUE(Probe().MotorRunning());
  Slider()->setValue(30);
  Find<QLineEdit>("TxtRev")->setText(QStringLiteral("1234"));
  Slider()->setValue(20);
  EXPECT_TRUE(Probe().MotorRunning());
  EXPECT_EQ(Text("TxtRev"), QStringLiteral("1234"));
  Slider()->setValue(19);
  EXPECT_FALSE(Probe().MotorRunning());
  EXPECT_EQ(Text("TxtRev"), QStringLiteral("0"));
}

TEST_F(Motor, OneThrottleCommandPerReplyThatFindsTheSliderMoved) {
  StartConnected();
  PageUpTo(120);
  ASSERT_TRUE(Probe().MotorRunning());
  // The idle command is the speed request now; its reply carries the comparison.
  EXPECT_EQ(Exchange(SpeedReply(0)), kSpeed);
  EXPECT_EQ(Probe().ring().Waiting(), 1);
  EXPECT_EQ(Exchange(kY), Bytes({0x51, 0x4B, 0x04, 0x78}));
  EXPECT_EQ(Probe().EscThrottle(), 120);
  EXPECT_EQ(Exchange(SpeedReply(0)), kSpeed);
  EXPECT_TRUE(Probe().ring().Empty());
}

// Taking the slider's value at the acknowledgement would leave the motor at 120
// while the window shows 130, until the slider moved again.
TEST_F(Motor, ASliderMovedWhileTheThrottleIsOnItsWayIsSentNext) {
  StartConnected();
  PageUpTo(120);
  EXPECT_EQ(Exchange(SpeedReply(0)), kSpeed);
  EXPECT_EQ(NextFrame(), Bytes({0x51, 0x4B, 0x04, 0x78}));
  PageUpTo(130);
  port.Deliver(kY);
  EXPECT_EQ(Probe().EscThrottle(), 120);
  EXPECT_EQ(Exchange(SpeedReply(0)), kSpeed);
  EXPECT_EQ(Exchange(kY), Bytes({0x51, 0x4B, 0x04, 0x82}));
  EXPECT_EQ(Probe().EscThrottle(), 130);
  EXPECT_EQ(Exchange(SpeedReply(0)), kSpeed);
  EXPECT_EQ(NextFrame(), kSpeed);
}

TEST_F(Motor, IdentificationAndSettingRepliesNeverSendTheThrottle) {
  Start();
  EXPECT_EQ(Exchange(kY), kPoll);
  PageUpTo(5);  // after the poll reply, during the connect sequence
  for (int i = 0; i < 6; ++i) {
    const QByteArray frame = NextFrame();
    EXPECT_NE(uint8_t(frame[2]), ReqThrottle) << i;
    port.Deliver(EscAnswer(frame));
  }
  EXPECT_EQ(Exchange(kY), kPoll);
  EXPECT_EQ(NextFrame(), Bytes({0x51, 0x4B, 0x04, 0x05}));
}

TEST_F(Motor, AfterALossAtSpeedTheReconnectEndsWithAZeroThrottle) {
  StartConnected();
  PageUpTo(120);
  EXPECT_EQ(Exchange(SpeedReply(0)), kSpeed);
  EXPECT_EQ(Exchange(kY), Bytes({0x51, 0x4B, 0x04, 0x78}));
  // The ESC falls silent: three timeouts.
  EXPECT_EQ(NextFrame(), kSpeed);
  Probe().TimeoutCount() = 0;
  clock.Advance(3 * 310ms);
  EXPECT_EQ(Text("TxtConnState"), QStringLiteral("Unconnected"));
  EXPECT_EQ(Slider()->value(), 0);
  EXPECT_FALSE(Probe().MotorRunning());
  EXPECT_EQ(Text("TxtRev"), QStringLiteral("0"));
  // It answers again.
  QList<QByteArray> frames;
  port.Deliver(kY);
  for (int i = 0; i < 7; ++i) {
    frames << NextFrame();
    port.Deliver(EscAnswer(frames.last()));
  }
  EXPECT_EQ(frames,
            QList<QByteArray>({kIdentify, Bytes({0x51, 0x4B, 0x02, 0x00}),
                               Bytes({0x51, 0x4B, 0x02, 0x03}), Bytes({0x51, 0x4B, 0x02, 0x01}),
                               Bytes({0x51, 0x4B, 0x02, 0x02}), Bytes({0x51, 0x4B, 0x02, 0x04}),
                               Bytes({0x51, 0x4B, 0x04, 0x00})}));
  EXPECT_EQ(Probe().EscThrottle(), 0);
}

TEST_F(Motor, TheSpeedIsAveragedOverTenSamples) {
  StartConnected();
  Find<QScrollBar>("VSlPole")->setValue(14);
  EXPECT_EQ(Text("TxtPole"), QStringLiteral("14"));
  Probe().MotorRunning() = true;
  QStringList shown;
  for (int i = 0; i < 11; ++i) {
    Exchange(SpeedReply(1000));
    shown << Text("TxtRev");
  }
  EXPECT_EQ(shown, QStringList({"1714", "3428", "5142", "6856", "8571", "10285", "11999", "13713",
                                "15427", "17142", "17142"}));
  // A glitch of period 300 or less changes nothing; period 0 means the motor stands.
  Exchange(SpeedReply(300));
  EXPECT_EQ(Text("TxtRev"), QStringLiteral("17142"));
  EXPECT_EQ(Probe().rpm().RpmPos, 1);
  Exchange(SpeedReply(0));
  EXPECT_EQ(Text("TxtRev"), QStringLiteral("0"));
  EXPECT_EQ(Probe().rpm().RpmPos, 0);
  EXPECT_EQ(Probe().rpm().RpmSamples, (std::array<int32_t, 10>{}));
}

TEST_F(Motor, SamplesUseThePoleCountAtTheirTime) {
  StartConnected();
  auto* poles = Find<QScrollBar>("VSlPole");
  Probe().MotorRunning() = true;
  poles->setValue(10);
  Exchange(SpeedReply(375));
  EXPECT_EQ(Probe().rpm().RpmSamples[0], 63999);
  poles->setValue(12);
  Exchange(SpeedReply(3000));
  EXPECT_EQ(Probe().rpm().RpmSamples[1], 6666);
  EXPECT_EQ(Text("TxtRev"), QStringLiteral("7066"));
}

TEST_F(Motor, AZeroThrottleAcknowledgementResetsTheAverage) {
  StartConnected();
  Probe().MotorRunning() = true;
  Exchange(SpeedReply(1000));
  ASSERT_NE(Probe().rpm().RpmPos, 0);
  Probe().MotorRunning() = false;
  Probe().EscThrottle() = 50;  // the slider stands at 0
  EXPECT_EQ(Exchange(kY), kPoll);
  EXPECT_EQ(Exchange(kY), Bytes({0x51, 0x4B, 0x04, 0x00}));
  EXPECT_EQ(Probe().rpm().RpmPos, 0);
  EXPECT_EQ(Text("TxtRev"), QStringLiteral("12000"));  // the reset leaves the text alone
}

TEST_F(Motor, ThePoleSelectorsUpperArrowRaisesTheCount) {
  Start();
  ShowRunPage();
  auto* poles = Find<QScrollBar>("VSlPole");
  QStyleOptionSlider option;
  option.initFrom(poles);
  option.orientation = Qt::Vertical;
  option.minimum = poles->minimum();
  option.maximum = poles->maximum();
  option.sliderPosition = poles->value();
  option.upsideDown = poles->invertedAppearance();
  const QRect up = poles->style()->subControlRect(QStyle::CC_ScrollBar, &option,
                                                  QStyle::SC_ScrollBarSubLine, poles);
  const QRect down = poles->style()->subControlRect(QStyle::CC_ScrollBar, &option,
                                                    QStyle::SC_ScrollBarAddLine, poles);
  ASSERT_LT(up.center().y(), down.center().y());
  QTest::mouseClick(poles, Qt::LeftButton, {}, up.center());
  EXPECT_EQ(poles->value(), 4);
  EXPECT_EQ(Text("TxtPole"), QStringLiteral("4"));
  QTest::keyClick(poles, Qt::Key_Up);
  EXPECT_EQ(poles->value(), 6);
  QTest::mouseClick(poles, Qt::LeftButton, {}, down.center());
  EXPECT_EQ(poles->value(), 4);
  QTest::keyClick(poles, Qt::Key_Down);
  QTest::keyClick(poles, Qt::Key_Down);
  EXPECT_EQ(poles->value(), 2);

  // The wheel turned away from the user raises the count, as the upper arrow does.
  const QPointF centre = QRectF(poles->rect()).center();
  QWheelEvent away(centre, poles->mapToGlobal(centre), QPoint(), QPoint(0, 120), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(poles, &away);
  EXPECT_GT(poles->value(), 2);
  const int raised = poles->value();
  QWheelEvent towards(centre, poles->mapToGlobal(centre), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(poles, &towards);
  EXPECT_LT(poles->value(), raised);
}

}  // namespace
}  // namespace velmar::testing
