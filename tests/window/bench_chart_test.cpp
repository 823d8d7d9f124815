// SPDX-License-Identifier: GPL-3.0-or-later
// The bench run's chart: in its window as a run goes on, and as a picture file.
#include <gtest/gtest.h>

#include <QtCharts>

#include "app/BenchChart.h"

namespace velmar::testing {

static StepResult Step(int throttle, double mean) {  // replies within 2 % of the mean
  return {1, throttle, {}, {}, 9, mean, int(mean * 0.98), int(mean * 1.02), 0, {}};
}
const BenchResult kRun{{Step(80, 2400), Step(160, 4800)}, {}};
const BenchResult kSlower{{Step(80, 2280), Step(160, 4560)}, {}, true, true};  // cut off

TEST(BenchChart, ShowsTheRunAndTheComparedOneInItsWindowAndInPngOrSvgFiles) {
  BenchChartWindow window([](const QString&, QString*) { return std::optional(kSlower); });
  window.SetRun(kSlower);
  window.SetRun(kRun);
  ASSERT_TRUE(window.CompareWith(QStringLiteral("/data/base.csv")));
  QList<std::pair<QString, QList<QPointF>>> named;  // the legend's entries, in its order
  for (auto* s : window.Chart()->series())
    if (!s->name().isEmpty()) named.append({s->name(), static_cast<QLineSeries*>(s)->points()});
  EXPECT_EQ(named,
            (decltype(named){{"This run", {{80, 2400}, {160, 4800}}},
                             {"Compared: base.csv (interrupted)", {{80, 2280}, {160, 4560}}}}));
  QTemporaryDir dir;
  QString error;
  ASSERT_TRUE(RenderBenchChart(kRun, &kSlower, "b.csv", dir.filePath("a.png"), &error) &&
              RenderBenchChart(kRun, &kSlower, "b.csv", dir.filePath("a.SVG"), &error));
  EXPECT_EQ(QImage(dir.filePath("a.png")).size(), QSize(800, 500));
  QFile svg(dir.filePath("a.SVG"));
  EXPECT_TRUE(svg.open(QIODevice::ReadOnly) && svg.readAll().contains("r/min"));
  EXPECT_FALSE(RenderBenchChart(kRun, nullptr, {}, dir.filePath("a.jpg"), &error));
  EXPECT_TRUE(error.contains("a.jpg") && !QFile::exists(dir.filePath("a.jpg")));
}

static StepResult Weighed(int throttle, double mean, double thrust) {
  StepResult step = Step(throttle, mean);
  step.sensor = SensorFigures{thrust, 1, {}, thrust / 50, 12, thrust / 4, 4, 20};
  return step;
}
const BenchResult kWeighed{{Weighed(80, 2400, 300), Weighed(160, 4800, 900)}, {}};

// A run with a sensor opens on thrust, r/min on the right; a compared result is overlaid only
// when it holds the curve shown; the list offers what either holds.
TEST(BenchChart, ShowsTheCurveChosenOverlaidOnlyWhereTheComparedResultHoldsIt) {
  const struct {
    BenchResult compare;
    std::optional<BenchQuantity> pick;
    QStringList names;
  } rows[] = {
      {kRun, {}, {"This run", "This run: r/min"}},
      {kRun, BenchQuantity::Rpm, {"This run", "Compared: b.csv"}},
      {kWeighed, BenchQuantity::Current, {"This run", "Compared: b.csv", "This run: r/min"}},
  };
  for (const auto& row : rows) {
    BenchChartWindow window([&](const QString&, QString*) { return std::optional(row.compare); });
    window.SetRun(kWeighed);
    ASSERT_TRUE(window.CompareWith("b.csv"));
    auto* list = window.findChild<QComboBox*>("CombQuantity");
    ASSERT_EQ(list->count(), 5);  // all a sensor's run holds
    if (row.pick) emit list->activated(list->findData(int(*row.pick)));
    QStringList names;
    for (auto* s : window.Chart()->series())
      if (!s->name().isEmpty()) names << s->name();
    EXPECT_EQ(names, row.names);
    EXPECT_EQ(window.Quantity(), row.pick.value_or(BenchQuantity::Thrust));
    EXPECT_EQ(window.Chart()->axes(Qt::Vertical).size(),
              row.names.last().endsWith("r/min") ? 2 : 1);
  }
}

}  // namespace velmar::testing
