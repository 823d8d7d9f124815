// What a desktop user runs into: the wheel over a list, captions in larger
// fonts and resolutions, and the record and trend of a run.
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QWheelEvent>

#include "WindowFixture.h"
#include "app/RunRecord.h"
#include "app/SpeedTrendView.h"

namespace velmar::testing {
namespace {

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

struct CaptionCase {
  const char* caption;
  const char* neighbour;  // the control to its right; none: the page's edge
};

void PrintTo(const CaptionCase& c, std::ostream* out) {
  *out << c.caption;
}

class Captions : public Window, public ::testing::WithParamInterface<CaptionCase> {};

// Run again by CTest on a 120 dpi screen (VELMAR_TEST_DPI says which).
TEST_P(Captions, HoldTheirTextInTheirOwnFontWithoutTouchingTheNextControl) {
  Start({});
  const auto* label = Find<QLabel>(GetParam().caption);
  const int dpi = qEnvironmentVariableIsSet("VELMAR_TEST_DPI")
                      ? qEnvironmentVariableIntValue("VELMAR_TEST_DPI")
                      : 96;
  ASSERT_EQ(label->logicalDpiY(), dpi);
  const QFontMetrics metrics(label->font(), label);
  const int text = metrics.horizontalAdvance(label->text());
  const QRect rect = label->geometry();
  EXPECT_GE(rect.width(), text);
  EXPECT_GE(rect.height(), metrics.height());
  EXPECT_GE(rect.left(), 0);
  const int limit = GetParam().neighbour ? Find<QWidget>(GetParam().neighbour)->x()
                                         : label->parentWidget()->width();
  EXPECT_LT(rect.left() + text, limit);
}

INSTANTIATE_TEST_SUITE_P(
    RunPage, Captions,
    ::testing::Values(CaptionCase{"Label14", "TxtPole"}, CaptionCase{"Label12", "TxtRev"},
                      CaptionCase{"Label10", nullptr}, CaptionCase{"Label13", "LbPower"},
                      CaptionCase{"Label11", "Label15"}, CaptionCase{"Label15", "Label16"},
                      CaptionCase{"Label16", "Label17"}, CaptionCase{"Label17", "Label18"},
                      CaptionCase{"Label18", nullptr}),
    [](const auto& info) { return std::string(info.param.caption); });

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
