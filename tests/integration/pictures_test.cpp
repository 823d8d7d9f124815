// The README's pictures, taken of the window as the program runs it (Qt's serial
// port and timers, the real event loop) against the simulated ESC.
#include <gtest/gtest.h>

#include <QDir>
#include <QLineEdit>
#include <QScrollBar>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

#include "ProcessHarness.h"
#include "app/FormQKconfig.h"
#include "link/Cadence.h"
#include "link/QtSerialPort.h"

namespace velmar::testing {
namespace {

TEST(Pictures, BothPagesWithTheMotorRunning) {
  e2e::TempDir dir;
  e2e::SimProcess sim(dir, {"--poles", "14"});
  ASSERT_TRUE(sim.Ready());
  QtSerialPort port(PortMap::Parse(QString::fromStdString("1=" + sim.LinkPath()), nullptr));
  FormServices services;
  services.link.port = &port;
  services.link.timer1 = std::make_unique<QtOneShotTimer>(kIdlePollInterval);
  services.link.timer2 = std::make_unique<QtOneShotTimer>(kReplyTimeout);
  services.link.letEventsRun = [] { QCoreApplication::processEvents(); };
  const auto start = std::chrono::steady_clock::now();
  services.now = [start] {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start);
  };
  FormQKconfig form(std::move(services));
  form.Form_Load();
  form.show();
  const auto text = [&](const char* name) {
    return form.findChild<QLineEdit*>(QLatin1String(name))->text();
  };
  ASSERT_TRUE(QTest::qWaitFor([&] { return text("TxtHardVer") != "Unknown"; }, 10000));
  QTest::qWait(300);  // the five settings read after the identification
  const QString pictures = QStringLiteral(VELMAR_SCREENSHOT_DIR);
  ASSERT_TRUE(QDir().mkpath(pictures));
  EXPECT_TRUE(form.grab().save(pictures + QStringLiteral("/config-page.png")));

  form.findChild<QScrollBar*>(QStringLiteral("VSlPole"))->setValue(14);
  form.findChild<QTabWidget*>(QStringLiteral("TabStrip1"))->setCurrentIndex(1);
  auto* slider = form.findChild<QSlider*>(QStringLiteral("SldPower"));
  for (const int throttle : {60, 140, 100}) {
    while (slider->value() < throttle) QTest::keyClick(slider, Qt::Key_PageUp);
    while (slider->value() > throttle) QTest::keyClick(slider, Qt::Key_PageDown);
    // 12000 r/min at full throttle; settled within 1 %.
    const int settled = 12000 * throttle / 200;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return std::abs(text("TxtRev").toInt() - settled) < settled / 100; }, 10000))
        << throttle << ": " << text("TxtRev").toStdString();
  }
  EXPECT_TRUE(form.grab().save(pictures + QStringLiteral("/run-page.png")));
  form.close();
}

}  // namespace
}  // namespace velmar::testing
