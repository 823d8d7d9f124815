// SPDX-License-Identifier: GPL-3.0-or-later
// The fleet grid's rules as one table: what each ESC holds of the brake and how its last write
// went, in; the common value, the marks, where a choice in "All" goes and the summary, out.
#include <gtest/gtest.h>

#include <QStringList>

#include "session/FleetModel.h"
#include "support/QtPrinters.h"

namespace velmar::testing {
namespace {

using Result = ConfigureJob::Result;

// Each ESC's brake: "0" or "1" held, "-" not yet read, "u1" held but unconnected, "x" a port
// that would not open; then, after a colon, its write of the brake: "w" under way, "ok",
// "refused", "lost" (the job lost) or "drop" (the ESC went while writing).
struct Case {
  const char* name;
  const char* escs;   // space-separated
  int common;         // -1: none
  const char* marks;  // "m" where the cell is marked
  const char* toAll;  // the columns a choice of 1 in "All" goes to
  const char* summary;
};

class Fleet : public ::testing::TestWithParam<Case> {};

TEST_P(Fleet, CommonValueMarksAndResults) {
  FleetModel model;
  for (const QString& esc : QString(GetParam().escs).split(' ')) {
    const int c = model.Add(model.Count() + 1);
    const QString held = esc.section(':', 0, 0), write = esc.section(':', 1);
    if (held == "x") {
      model.OpenFailed(c, "/dev/x: permission denied");
      continue;
    }
    model.Connection(c, true);
    model.Identified(c, {8250, 1012});
    for (SettingNumber n : kComparisonOrder)
      if (n != kBrake || held != "-") model.Reported(c, n, n == kBrake ? held.right(1).toInt() : 0);
    if (!write.isEmpty()) model.Writing(c, {kBrake});
    if (write == "ok") model.Finished(c, Result::Ok, {});
    if (write == "refused") model.Finished(c, Result::Mismatch, {kBrake});
    if (write == "lost") model.Finished(c, Result::Lost, {});
    if (held.startsWith('u') || write == "drop") model.Connection(c, false);
  }
  EXPECT_EQ(model.Common(kBrake).value_or(-1), GetParam().common);
  EXPECT_EQ(model.Shared().has_value(), GetParam().common >= 0);
  QString marks, toAll;
  for (int c = 0; c < model.Count(); ++c) marks += model.Marked(c, kBrake) ? 'm' : '.';
  for (int c : model.ToAll(kBrake, 1)) toAll += QString::number(c);
  EXPECT_EQ(marks, GetParam().marks);
  EXPECT_EQ(toAll, GetParam().toAll);
  const FleetSummary s = model.Summary();
  QString summary = QStringLiteral("%1 read %2/%3 hold").arg(s.read).arg(s.holding).arg(s.total);
  if (s.writing) summary += " writing";
  if (!s.written) summary += " unwritten";
  for (const auto& [c, n] : s.kept) summary += QStringLiteral(" %1 kept %2").arg(c).arg(n);
  for (int c : s.lost) summary += QStringLiteral(" %1 lost").arg(c);
  EXPECT_EQ(summary, GetParam().summary);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rules, Fleet, ::testing::Values(
    Case{"AllAgree", "0 0 0 0", 0, "....", "0123", "4 read 4/4 hold unwritten"},
    Case{"OneDiffers", "0 0 1 0", -1, "..m.", "013", "4 read 4/4 hold unwritten"},
    Case{"TieGoesToTheFirstColumn", "1 0 0 1", -1, ".mm.", "12", "4 read 4/4 hold unwritten"},
    Case{"UnconnectedKeptNotCompared", "0 u1 0", 0, "...", "02", "2 read 2/3 hold unwritten"},
    Case{"UnreadMeansNoCommonValue", "0 - 0", -1, "...", "012", "2 read 3/3 hold unwritten"},
    Case{"PortThatWouldNotOpenLeftOut", "0 x 0", 0, "...", "02", "2 read 2/2 hold unwritten"},
    Case{"WriteUnderWay", "0 0:w", 0, "..", "01", "2 read 1/2 hold writing"},
    Case{"WrittenAndConfirmed", "1:ok 1:ok 1", 1, "...", "", "3 read 3/3 hold"},
    Case{"RefusedKeepsItsValue", "1:ok 0:refused 1:ok", -1, ".m.", "1", "3 read 2/3 hold 1 kept 1"},
    Case{"UnansweredJobIsLost", "1:ok 0:lost", -1, ".m", "1", "2 read 1/2 hold 1 lost"},
    Case{"GoneWhileWritingIsLost", "1 0:drop", 1, "..", "", "1 read 1/2 hold 1 lost"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

}  // namespace
}  // namespace velmar::testing
