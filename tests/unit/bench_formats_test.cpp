#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTemporaryDir>

#include "formats/BenchScript.h"
#include "formats/ResultCsv.h"
#include "support/QtPrinters.h"

namespace velmar {
namespace {

using namespace std::chrono_literals;

// Scripts are written with ' for ", so the rows stay readable.
#define HEAD "{'format':'velmar-bench-run','version':1,"
#define SWEEP "'sweep':{'from':40,'to':60,'step':20,'settle_ms':0,'hold_ms':200}"
#define STEP(t, s, h) "{'throttle':" #t ",'settle_ms':" #s ",'hold_ms':" #h "}"
#define HOUR "'sweep':{'from':10,'to':200,'step':38,'hold_ms':599300,'settle_ms':"  // 6 steps

std::string Pad(std::string s, size_t size) {
  return s.append(size - s.size(), ' ');
}
std::string Many(const char* step, int n) {  // a steps list of n
  std::string list = HEAD "'poles':2,'steps':[" + std::string(step);
  for (int i = 1; i < n; ++i) list += std::string(",") + step;
  return list + "]}";
}

QString Render(const BenchScript& s) {
  QString text = QString::number(s.poles) + ':';
  for (const BenchStep& t : s.steps)
    text += QStringLiteral(" %1/%2/%3").arg(t.throttle).arg(t.settle.count()).arg(t.hold.count());
  return text + QStringLiteral(" rpm_max %1 no_speed %2")
                    .arg(s.rpmMax ? QString::number(*s.rpmMax) : "-")
                    .arg(s.noSpeed.count());
}

struct ScriptCase {
  std::string input;  // a path when it starts with '/'
  const char* want;   // the steps read, or parts of the message, split by '|'
};
void PrintTo(const ScriptCase& c, std::ostream* os) {  // the wanted text names the row
  *os << QString(c.want).left(40).replace(QRegularExpression("\\W"), "_").toStdString();
}
class Script : public ::testing::TestWithParam<ScriptCase> {};

TEST_P(Script, IsReadOrRefusedNamingFileKeyAndLimit) {
  const auto& [input, want] = GetParam();
  const bool file = input.starts_with('/');
  const QString name = file ? QString::fromStdString(input) : "s.json";
  QByteArray bytes = QByteArray::fromStdString(input).replace('\'', '"');
  if (input == "default") bytes = DefaultBenchScriptText();
  QString error;
  const auto script = file ? ReadBenchScript(name, &error) : ParseBenchScript(bytes, name, &error);
  EXPECT_TRUE(script || error.startsWith(name + ": ")) << error.toStdString();
  for (const QString& part : QString(want).split('|'))
    EXPECT_TRUE((script ? Render(*script) : error).contains(part)) << error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Files, Script,
    ::testing::Values(
        ScriptCase{"default",
                   "14: 40/800/2000 60/800/2000 80/800/2000 100/800/2000 120/800/2000 "
                   "140/800/2000 160/800/2000 180/800/2000 200/800/2000 rpm_max 30000 "
                   "no_speed 1500"},
        ScriptCase{HEAD "'poles':30,'sweep':{'from':200,'to':50,'step':60,'settle_ms':60000,"
                        "'hold_ms':600000},'limits':{}}",
                   "30: 200/60000/600000 140/60000/600000 80/60000/600000 50/60000/600000 "
                   "rpm_max - no_speed 1500"},
        ScriptCase{HEAD "'poles':2,'steps':[" STEP(0, 0, 200) "," STEP(
                       200, 5, 300) "],'limits':{'rpm_max':1000000,'no_speed_ms':100}}",
                   "2: 0/0/200 200/5/300 rpm_max 1000000 no_speed 100"},
        ScriptCase{HEAD "'poles':2," HOUR "0}}",
                   "2: 10/0/599300 48/0/599300 86/0/599300 "
                   "124/0/599300 162/0/599300 200/0/599300"},
        ScriptCase{HEAD "'poles':2," HOUR "1}}", "sweep would run for 3600006 ms|most 3600000 ms"},
        ScriptCase{Pad(HEAD "'poles':2," SWEEP "}", 65536), "2: 40/0/200 60/0/200"},
        ScriptCase{Pad(HEAD "'poles':2," SWEEP "}", 65537), "larger than 64 KiB"},
        ScriptCase{Many(STEP(0, 0, 200), 1000), "2: 0/0/200 0/0/200"},
        ScriptCase{Many(STEP(0, 0, 200), 1001), "steps must be a list of 1 to 1000|of 1001"},
        ScriptCase{HEAD "'poles':32," SWEEP "}", "poles must be an even whole number from 2 to 30"},
        ScriptCase{HEAD "'poles':13," SWEEP "}", "poles must be an even|found 13"},
        ScriptCase{HEAD "'poles':'14'," SWEEP "}", "poles must|found the text \"14\""},
        ScriptCase{HEAD SWEEP "}", "poles must|it is missing"},
        ScriptCase{HEAD "'poles':2,'steps':[" STEP(0, 0, 200) "," STEP(201, 0, 200) "]}",
                   "steps[1].throttle must be a whole number from 0 to 200; found 201"},
        ScriptCase{HEAD "'poles':2,'steps':[" STEP(40.5, 0, 200) "]}", "steps[0].throttle|40.5"},
        ScriptCase{HEAD "'poles':2,'steps':[" STEP(-1, 0, 200) "]}", "steps[0].throttle|-1"},
        ScriptCase{HEAD "'poles':2,'steps':[" STEP(0, 0, 199) "]}",
                   "steps[0].hold_ms|200 to 600000"},
        ScriptCase{HEAD
                   "'poles':2,'sweep':{'from':0,'to':0,'step':1,'settle_ms':60001,'hold_ms':200}}",
                   "sweep.settle_ms must be a whole number from 0 to 60000; found 60001"},
        ScriptCase{HEAD "'poles':2,'sweep':{'from':0,'to':0,'step':0,'settle_ms':0,'hold_ms':200}}",
                   "sweep.step|from 1 to 200"},
        ScriptCase{HEAD "'poles':2,'sweep':{'from':0,'step':1,'settle_ms':0,'hold_ms':200}}",
                   "sweep.to|missing"},
        ScriptCase{HEAD "'poles':2," SWEEP ",'limits':{'rpm_max':0}}",
                   "limits.rpm_max|1 to 1000000"},
        ScriptCase{HEAD "'poles':2," SWEEP ",'limits':{'no_speed_ms':99}}",
                   "no_speed_ms|100 to 60000"},
        ScriptCase{HEAD "'poles':2," SWEEP ",'limits':[]}", "limits must be an object|a list of 0"},
        ScriptCase{HEAD "'poles':2,'steps':{}}", "steps must be a list of 1 to 1000|an object"},
        ScriptCase{HEAD "'poles':2,'steps':[]}", "steps must be a list of 1 to 1000|a list of 0"},
        ScriptCase{HEAD "'poles':2,'steps':[5]}", "steps[0] must be an object with throttle"},
        ScriptCase{HEAD "'poles':2,'speed':1," SWEEP "}", "speed is not a key|may hold format"},
        ScriptCase{HEAD "'poles':2,'steps':[{'throttle':0,'hold_ms':200,'settle_ms':0,'x':1}]}",
                   "steps[0].x is not a key|steps[0] may hold throttle, settle_ms and hold_ms"},
        ScriptCase{HEAD "'poles':2," SWEEP ",'limits':{'rpm_min':1}}", "limits.rpm_min is not"},
        ScriptCase{HEAD "'poles':2,'pol\\u0065s':2," SWEEP "}", "poles is given twice"},
        ScriptCase{HEAD "'poles':2,'steps':[" STEP(0, 0, 200) ",{'hold_ms':1,'hold_ms':2}]}",
                   "steps[1].hold_ms is given twice"},
        ScriptCase{"{'format':'{[,\\'','format':1}", "s.json: format is given twice"},
        ScriptCase{HEAD "'poles':2," SWEEP ",'steps':[]}", "sweep and steps|holds both"},
        ScriptCase{HEAD "'poles':2}", "sweep and steps|holds neither"},
        ScriptCase{"{\n'format':\n}", "not valid JSON|at line 3, column"},
        ScriptCase{HEAD "'poles':2,'x\xff':1}", "not UTF-8"},
        ScriptCase{"{'format':'velmar-set','version':1}", "format must be \"velmar-bench-run\""},
        ScriptCase{"{'format':'velmar-bench-run','version':2,'x':1}", "version 2 is from a newer"},
        ScriptCase{"{'format':'velmar-bench-run','version':0}", "version must be 1; found 0"},
        ScriptCase{"[]", "one JSON object"}, ScriptCase{"/nonexistent.json", "no such file"},
        ScriptCase{"/tmp", "is a folder"}, ScriptCase{"/dev/zero", "larger than 64 KiB"}));

TEST(StepStatistics, MeanPopulationSpreadAndRiseWithinTwoPercent) {
  struct Case {
    SpeedSamples settle, hold;
    double mean, sd;
    int min, max;
    std::optional<std::chrono::milliseconds> rise;
  };
  const Case cases[] = {{{{100ms, 500}, {300ms, 979}, {400ms, 980}},
                         {{900ms, 1000}, {1000ms, 1000}, {1100ms, 1020}, {1200ms, 980}},
                         1000,
                         std::sqrt(200.0),
                         980,
                         1020,
                         400ms},
                        {{{100ms, 500}},
                         {{900ms, 1060}, {1000ms, 1000}, {1100ms, 1000}, {1200ms, 1000}},
                         1015,
                         std::sqrt(675.0),
                         1000,
                         1060,
                         1000ms},
                        {{{100ms, 700}}, {}, 0, 0, 0, 0, std::nullopt}};
  for (const Case& c : cases)
    EXPECT_EQ(
        StepStatistics(3, {100, 800ms, 2000ms}, c.settle, c.hold),
        (StepResult{3, 100, 800ms, 2000ms, int(c.hold.size()), c.mean, c.min, c.max, c.sd, c.rise}))
        << c.mean;
}

TEST(ResultCsv, WritesRowByRowReadsBackAndRefusesMalformedFiles) {
  QLocale::setDefault(QLocale::German);  // a decimal comma must not reach the file
  const BenchResult run{{{1, 40, 800ms, 2000ms, 20, 5012.3, 4990, 5040, 12.5, 700ms},
                         {2, 60, 800ms, 2000ms, 0, 0, 0, 0, 0, std::nullopt}},
                        "no speed for 1500 ms"};
  const QByteArray text = QByteArray(kResultCsvHeader) +
                          "\n1,40,800,2000,20,5012.3,4990,5040,12.5,700\n2,60,800,2000,0,0.0,0,0,"
                          "0.0,\n# stopped: no speed for 1500 ms\n";
  QTemporaryDir dir;
  const QString path = dir.filePath("run.csv");
  ResultCsv csv;
  QString error;
  ASSERT_TRUE(csv.Open(path, &error)) << error.toStdString();
  for (const StepResult& row : run.steps) ASSERT_TRUE(csv.Append(row, &error));
  ASSERT_TRUE(csv.Stop(run.stopped, &error));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), text);  // before Close: every row already flushed
  csv.Close();
  EXPECT_EQ(ReadResultCsv(path, &error), run) << error.toStdString();
  EXPECT_FALSE(csv.Open("/dev/full", &error));
  EXPECT_TRUE(error.startsWith("/dev/full: writing failed")) << error.toStdString();
  const std::pair<QByteArray, const char*> bad[] = {
      {"step,throttle\n", "run.csv, line 1: the first line must be the header"},
      {QByteArray(text).replace(",700", ",7x"), "line 2: rise_ms must be a whole number from 0"},
      {QByteArray(text).replace(",700", ",700,1"), "line 2: a row has 10 fields; this one has 11"},
      {QByteArray(text).replace("\n1,", "\n2,"), "line 2: step must be a whole number from 1 to 1"},
      {QByteArray(text).replace("5012.3", "5e3"), "line 2: rpm_mean must be a decimal number"},
      {text + "1", "line 4: a row has 10 fields"}};
  for (const auto& [bytes, want] : bad) {
    file.close();
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    EXPECT_FALSE(ReadResultCsv(path, &error));
    EXPECT_TRUE(error.contains(want)) << error.toStdString();
  }
}

}  // namespace
}  // namespace velmar
