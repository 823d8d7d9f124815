// SPDX-License-Identifier: GPL-3.0-or-later
// Command lines as a user types them: what the program runs, or exit 2 with a message and the
// usage.
#include <gtest/gtest.h>

#include "cli/CommandLine.h"

namespace velmar {
namespace {

// The parse in one line: verb|ports|count|file|json|force|record|out|plot.
std::string Parsed(const CommandLine& c) {
  return QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8|%9")
      .arg(int(c.verb))
      .arg(c.ports)
      .arg(c.portCount)
      .arg(c.file)
      .arg(c.json)
      .arg(c.force)
      .arg(c.recordPath, c.outPath, c.plotPath)
      .append(c.comparePath.isEmpty() ? QString() : "|" + c.comparePath)
      .append(c.dryRun ? "|dry run" : "")
      .toStdString();
}

using Case = std::pair<const char*, const char*>;  // arguments, parse or "!" and the complaint
class Lines : public ::testing::TestWithParam<Case> {};

TEST_P(Lines, ParseOrComplain) {
  QStringList arguments{"velmar-esc-config"};
  arguments << QString::fromUtf8(GetParam().first).split(' ', Qt::SkipEmptyParts);
  ::testing::internal::CaptureStderr();
  const std::optional<CommandLine> line = ParseCommandLine(arguments);
  const std::string complaint = ::testing::internal::GetCapturedStderr();
  const std::string expected = GetParam().second;
  if (expected[0] != '!') {
    ASSERT_TRUE(line) << complaint;
    EXPECT_EQ(Parsed(*line), expected);
    return;
  }
  EXPECT_FALSE(line);
  EXPECT_NE(complaint.find(expected.substr(1)), std::string::npos) << complaint;
  EXPECT_NE(complaint.find("usage: velmar-esc-config"), std::string::npos) << complaint;
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, Lines,
    ::testing::Values(
        Case{"", "0||0||0|0|||"},
        Case{"--port 1=/dev/a --port * --record r.csv", "0|1=/dev/a,*|1||0|0|r.csv||"},
        Case{"read --json --port 2=/dev/b --port 1=/dev/a", "1|2=/dev/b,1=/dev/a|2||1|0|||"},
        Case{"save f.json --port 1=/dev/a", "2|1=/dev/a|1|f.json|0|0|||"},
        Case{"read --port ./b --port 1=/dev/a --port /dev/c",
             "1|2=./b,1=/dev/a,3=/dev/c|3||0|0|||"},
        Case{"ports --json --port /dev/a", "5|1=/dev/a|1||1|0|||"},
        Case{"apply f.json --dry-run", "3||0|f.json|0|0||||dry run"},
        Case{"read --dry-run", "!--dry-run does not go with this command"},
        Case{"--port x", "!expected N=PATH"},
        Case{"apply f.json --force --json", "3||0|f.json|1|1|||"},
        Case{"fleet --port 1=/dev/a --port 2=/dev/b", "6|1=/dev/a,2=/dev/b|2||0|0|||"},
        Case{"bench s.json --out r.csv --plot c.svg --record run.csv",
             "4||0|s.json|0|0|run.csv|r.csv|c.svg"},
        Case{"--port 1=/dev/a --port 1=/dev/b", "!port 1 is named twice"},
        Case{"read --port 1=/dev/a --port 2=/dev/a", "!/dev/a is named under two numbers"},
        Case{"--port 17=/dev/a", "!expected N=PATH with N from 1 to 16"},
        Case{"--port 1=/dev/a,2=/dev/b", "!expected N=PATH"}, Case{"save", "!save needs a file"},
        Case{"save f.json --port 1=/dev/a --port 2=/dev/b", "!this command takes one ESC"},
        Case{"read --force", "!--force does not go with this command"},
        Case{"--json", "!--json does not go with this command"},
        Case{"read f.json", "!unexpected argument \"f.json\""},
        Case{"erase", "!unknown command \"erase\""}, Case{"bench s.json", "!bench needs --out"},
        Case{"bench s.json --out r.csv --plot c.gif", "!must end in .png or .svg"},
        Case{"bench s.json --out r.csv --plot c.png --compare e.csv",
             "4||0|s.json|0|0||r.csv|c.png|e.csv"},
        Case{"bench s.json --out r.csv --compare e.csv", "!--compare goes with --plot"},
        Case{"--record", "!Missing value after '--record'"}));

}  // namespace
}  // namespace velmar
