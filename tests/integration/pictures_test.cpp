// SPDX-License-Identifier: GPL-3.0-or-later
// The README's pictures, taken of the window as the program runs it (Qt's serial
// port and timers, the real event loop) against the simulated ESC: in each language,
// and in English again at 120 and 144 dpi (CTest; VELMAR_TEST_DPI says which).
#include <gtest/gtest.h>

#include <QTest>
#include <QtWidgets>
#include <list>

#include "ProcessHarness.h"
#include "app/FleetWindow.h"
#include "app/FormQKconfig.h"
#include "app/SettingsFileDialogs.h"
#include "app/Translations.h"
#include "formats/SettingsFile.h"
#include "link/Cadence.h"
#include "link/QtSerialPort.h"
#include "sim/Motor.h"

namespace velmar::testing {
namespace {

using namespace std::chrono;

class Pictures : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(LoadTranslations(*qApp, GetParam()));
    ASSERT_TRUE(QDir().mkpath(VELMAR_SCREENSHOT_DIR));
  }
  void TearDown() override { LoadTranslations(*qApp, "en"); }
  static QString Picture(const char* name) {
    const QString lang = GetParam();
    const int dpi = qEnvironmentVariableIntValue("VELMAR_TEST_DPI");
    return QStringLiteral(VELMAR_SCREENSHOT_DIR "/%1%2%3.png")
        .arg(name, lang == "en" ? "" : "-" + lang, dpi ? QStringLiteral("-%1dpi").arg(dpi) : "");
  }
};

TEST_P(Pictures, FreshStartThenBothPagesWithTheMotorRunning) {
  e2e::TempDir dir;
  e2e::SimProcess sim(dir, {"--poles", "14"});
  ASSERT_TRUE(sim.Ready());
  QtSerialPort port(PortMap::Parse(QString::fromStdString("1=" + sim.LinkPath()), nullptr));
  FormServices services;
  services.link = {&port, std::make_unique<QtOneShotTimer>(kIdlePollInterval),
                   std::make_unique<QtOneShotTimer>(kReplyTimeout),
                   [] { QCoreApplication::processEvents(); }};
  services.now = [start = steady_clock::now()] {
    return duration_cast<milliseconds>(steady_clock::now() - start);
  };
  // Load is shown a file for another model, and its question is pictured, then cancelled.
  services.askFile = [&](QWidget*, bool, const QString&) {
    return QString::fromStdString(dir.File("f.json"));
  };
  services.confirm = [](QWidget* parent, const QString& text) {
    std::unique_ptr<QMessageBox> box(MakeLoadConfirmation(parent, text));
    box->show();
    return !box->grab().save(Picture("load-confirmation"));
  };
  FormQKconfig form(std::move(services));
  form.Form_Load();
  form.show();
  EXPECT_TRUE(form.grab().save(Picture("unconnected")));  // before the first poll is answered
  const auto text = [&](const char* name) { return form.findChild<QLineEdit*>(name)->text(); };
  const QString unknown = text("TxtHardVer");
  ASSERT_TRUE(QTest::qWaitFor([&] { return text("TxtHardVer") != unknown; }, 10000));
  QTest::qWait(300);  // the five settings read after the identification
  EXPECT_TRUE(form.grab().save(Picture("config-page")));
  SettingsFile file;
  file.hardware = QStringLiteral("QK-10A V1.300");
  file.settings = {3, 1, 2, 0, 1};  // by setting number
  ASSERT_TRUE(WriteSettingsFile(QString::fromStdString(dir.File("f.json")), file, nullptr));
  form.findChild<QPushButton*>(QStringLiteral("CmdLoad"))->click();
  EXPECT_TRUE(QFile::exists(Picture("load-confirmation")));

  form.findChild<QScrollBar*>(QStringLiteral("VSlPole"))->setValue(14);
  form.findChild<QTabWidget*>(QStringLiteral("TabStrip1"))->setCurrentIndex(1);
  auto* slider = form.findChild<QSlider*>(QStringLiteral("SldPower"));
  for (const int throttle : {60, 140, 100}) {
    while (slider->value() < throttle) QTest::keyClick(slider, Qt::Key_PageUp);
    while (slider->value() > throttle) QTest::keyClick(slider, Qt::Key_PageDown);
    const int settled = static_cast<int>(sim::SteadyRpm({}, throttle));  // within 1 %
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return std::abs(text("TxtRev").toInt() - settled) < settled / 100; }, 10000))
        << throttle << ": " << text("TxtRev").toStdString();
  }
  EXPECT_TRUE(form.grab().save(Picture("run-page")));
}

// Four simulated ESCs, the third braking: its cell and "All" are marked.
TEST_P(Pictures, FleetOfFourOneDifferent) {
  std::list<e2e::TempDir> dirs;
  std::list<e2e::SimProcess> sims;
  QString ports;
  for (int i = 1; i <= 4; ++i) {
    sims.emplace_back(dirs.emplace_back(),
                      std::vector<std::string>{"--settings", i == 3 ? "2,2,2,2,1" : "2,1,2,2,1"});
    ASSERT_TRUE(sims.back().Ready());
    ports += QStringLiteral(",%1=").arg(i) + QString::fromStdString(sims.back().LinkPath());
  }
  const PortMap map = PortMap::FromText(ports.mid(1));
  FleetWindow window({CommandServices::Program(), {}}, map, map.Ports().keys());
  window.Form_Load();
  window.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.Model().Summary().read == 4; }, 10000));
  QTest::qWait(100);  // the grid shows the last replies
  // All five columns in the picture, wider than the test's screen lets the window open.
  const auto* grid = window.findChild<QTableView*>();
  window.resize(window.width() + grid->horizontalHeader()->length() - grid->viewport()->width(),
                window.height());
  EXPECT_TRUE(window.grab().save(Picture("fleet")));
}

INSTANTIATE_TEST_SUITE_P(Languages, Pictures, ::testing::Values("en", "de", "zh_CN"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
}  // namespace velmar::testing
