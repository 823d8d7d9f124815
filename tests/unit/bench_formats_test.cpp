// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "formats/BenchScript.h"
#include "formats/ResultCsv.h"
#include "support/SchemaRows.h"

namespace velmar {
namespace {

using namespace std::chrono_literals;

// A script (' for ", $V the fixed start, $H it with two poles, $SW a sweep, $S a step, $1000S a
// thousand, $N a line end, $T a tab, $FF byte FF, $PADn spaces up to n bytes) or a path => its
// steps, or the parts its refusal names (split by |). @ first: refused by a rule no schema can
// express.
const char kScripts[] =
    R"(default => 14: 40/800/2000 60 80 100 120 140 160 180 200 rpm_max 30000 no_speed 1500
$V'poles':30,'sweep':{'from':200,'to':50,'step':60,'settle_ms':60000,'hold_ms':600000},'limits':{}} => 30: 200/60000/600000 140 80 50 rpm_max - no_speed 1500
$H'steps':[$S,{'throttle':200,'settle_ms':5,'hold_ms':300}],'limits':{'rpm_max':1000000,'no_speed_ms':100}} => 2: 0/0/200 200/5/300 rpm_max 1000000 no_speed 100
$H'$schema':'file:///usr/share/velmar-esc-config/schemas/bench-run.schema.json',$SW} => 2: 40/0/200 60 rpm_max
$H'sweep':{'from':10,'to':200,'step':38,'hold_ms':599300,'settle_ms':0}} => 2: 10/0/599300 48 86 124 162 200 rpm_max -
@$H'sweep':{'from':10,'to':200,'step':38,'hold_ms':599300,'settle_ms':1}} => sweep would run for 3600006 ms|most 3600000 ms
$H$SW}$PAD65536 => 2: 40/0/200 60 rpm_max
@$H$SW}$PAD65537 => larger than 64 KiB
$H'steps':[$1000S,{}]} => steps must be a list of 1 to 1000 steps; found a list of 1001
$V'poles':32,$SW} => poles must be an even whole number from 2 to 30; found 32
$V'poles':13,$SW} => poles must be an even|found 13
$H'steps':[$S,{'throttle':201,'settle_ms':0,'hold_ms':200}]} => steps[1].throttle must be a whole number from 0 to 200; found 201
$H'steps':[{'throttle':40.5,'settle_ms':0,'hold_ms':200}]} => steps[0].throttle|found 40.5
$H'steps':[{'throttle':0,'settle_ms':0,'hold_ms':199}]} => steps[0].hold_ms must be a whole number from 200 to 600000
$H'sweep':{'from':0,'to':0,'step':1,'settle_ms':60001,'hold_ms':200}} => sweep.settle_ms|from 0 to 60000; found 60001
$H'sweep':{'from':0,'to':0,'step':0,'settle_ms':0,'hold_ms':200}} => sweep.step|from 1 to 200
$H'sweep':{'from':0,'step':1,'settle_ms':0,'hold_ms':200}} => sweep.to must|it is missing
$H$SW,'limits':{'rpm_max':0}} => limits.rpm_max must be a whole number from 1 to 1000000
$H$SW,'limits':{'no_speed_ms':99}} => limits.no_speed_ms must be a whole number from 100 to 60000
$H$SW,'limits':{'current_max_a':0.1,'thrust_max_g':800.5,'power_max_w':100000,'sensor_silent_ms':10000}} => sensor 0.1/800.5/100000/10000
$H$SW,'limits':{'sensor_silent_ms':100}} => sensor -/-/-/100
$H$SW,'limits':{'current_max_a':0.09}} => limits.current_max_a must be a number from 0.1 to 1000; found 0.09
$H$SW,'limits':{'thrust_max_g':'800'}} => limits.thrust_max_g must be a number from 1 to 200000; found the text
$H$SW,'limits':{'power_max_w':100001}} => limits.power_max_w must be a number from 1 to 100000
$H$SW,'limits':{'sensor_silent_ms':10001}} => limits.sensor_silent_ms must be a whole number from 100 to 10000
$H'steps':[]} => steps must be a list of 1 to 1000 steps; found a list of 0
$H'steps':[5]} => steps[0] must be an object with throttle, settle_ms and hold_ms; found 5
$H'speed':1,$SW} => speed is not a key this program knows; the script may hold format, version
$H'steps':[{'throttle':0,'hold_ms':200,'settle_ms':0,'x':1}]} => steps[0].x is not a key|steps[0] may
@$H'pol\u0065s':2,$SW} => poles is given twice
@$H'steps':[$S,{'hold_ms':1,'hold_ms':2}]} => steps[1].hold_ms is given twice
@{'format':'{[,\'','format':1} => s.json: format is given twice
$H$SW,'steps':[]} => sweep and steps|holds both
$H'limits':{}} => sweep and steps|holds neither
{$N'format':$N} => not valid JSON|at line 3, column 2
$H'x$FF':1} => is not UTF-8 text
{'format':'velmar-settings','version':1} => format must be "velmar-bench-run"; found the text "velmar-settings"
{'format':'velmar-bench-run','version':2,'x':1} => version 2 is from a newer program
{'format':'velmar-bench-run','version':0} => version must be 1; found 0
{'format':'velmar-bench-run','version':1.5} => version must be 1; found 1.5
[] => s.json: must hold one JSON object
$H'x':'a$T'} => not valid JSON: a control character inside a string at line 1, column 58
/nonexistent.json => /nonexistent.json: no such file
/tmp => /tmp: is a folder
/dev/zero => /dev/zero: is not a regular file)";

QByteArray Expand(QByteArray in) {
  const QByteArray step = "{'throttle':0,'settle_ms':0,'hold_ms':200}";
  in.replace("$1000S", (step + ',').repeated(999) + step).replace("$N", "\n");
  in.replace("$SW", "'sweep':{'from':40,'to':60,'step':20,'settle_ms':0,'hold_ms':200}");
  in.replace("$S", step).replace("$H", "$V'poles':2,").replace("$FF", "\xff").replace("$T", "\t");
  in.replace("$V", "{'format':'velmar-bench-run','version':1,").replace('\'', '"');
  const qsizetype pad = in.indexOf("$PAD");
  return pad < 0 ? in : in.left(pad).leftJustified(in.mid(pad + 4).toInt(), ' ');
}

QString Render(const BenchScript& s) {
  QString text = QString::number(s.poles) + ':';
  for (size_t i = 0; i < s.steps.size(); ++i) {
    const BenchStep& t = s.steps[i];
    text += ' ' + QString::number(t.throttle);
    if (i == 0 || t.settle != s.steps[i - 1].settle || t.hold != s.steps[i - 1].hold)
      text += QStringLiteral("/%1/%2").arg(t.settle.count()).arg(t.hold.count());
  }
  const auto limit = [](const auto& v) {
    if constexpr (std::is_same_v<std::decay_t<decltype(v)>, std::optional<double>>)
      return v ? QString::number(*v) : "-";
    else
      return v ? QString::number(v->count()) : "-";
  };
  if (s.NeedsSensor())
    text +=
        QStringLiteral(" sensor %1/%2/%3/%4")
            .arg(limit(s.currentMax), limit(s.thrustMax), limit(s.powerMax), limit(s.sensorSilent));
  return text + QStringLiteral(" rpm_max %1 no_speed %2")
                    .arg(s.rpmMax ? QString::number(*s.rpmMax) : "-")
                    .arg(s.noSpeed.count());
}

TEST(BenchScript, IsReadWholeOrRefusedNamingTheFileTheKeyAndTheLimit) {
  int number = 0;
  for (const QString& row : QString(kScripts).split('\n')) {
    const bool readerOnly = row.startsWith('@');
    const QString in = row.section(" => ", 0, 0).mid(readerOnly ? 1 : 0),
                  name = in[0] == '/' ? in : "s.json";
    const QByteArray bytes = in == "default" ? DefaultBenchScriptText() : Expand(in.toLatin1());
    QString error;
    const auto script =
        in[0] == '/' ? ReadBenchScript(name, &error) : ParseBenchScript(bytes, name, &error);
    if (in[0] != '/')
      testing::KeepForSchemaCheck(QString("bench-%1").arg(++number), bytes, readerOnly, !!script);
    EXPECT_TRUE(script || error.startsWith(name + ": ")) << row.toStdString();
    for (const QString& part : row.section(" => ", 1).split('|'))
      EXPECT_TRUE((script ? Render(*script) : error).contains(part)) << row.toStdString() << "\n"
                                                                     << error.toStdString();
  }
}

TEST(StepStatistics, MeanPopulationSpreadAndRiseWithinTwoPercent) {
  const std::tuple<SpeedSamples, SpeedSamples, StepResult> cases[] = {
      {{{100ms, 500}, {300ms, 979}, {400ms, 980}},
       {{900ms, 1000}, {1000ms, 1000}, {1100ms, 1020}, {1200ms, 980}},
       {3, 100, 800ms, 2000ms, 4, 1000, 980, 1020, std::sqrt(200.0), 400ms}},
      {{{100ms, 500}},
       {{900ms, 1060}, {1000ms, 1000}, {1100ms, 1000}, {1200ms, 1000}},
       {3, 100, 800ms, 2000ms, 4, 1015, 1000, 1060, std::sqrt(675.0), 1000ms}},
      {{{100ms, 700}}, {}, {3, 100, 800ms, 2000ms, 0, 0, 0, 0, 0, std::nullopt}}};
  for (const auto& [settle, hold, want] : cases)
    EXPECT_EQ(StepStatistics(3, {100, 800ms, 2000ms}, settle, hold), want) << want.rpmMean;
}

// A sensor's figures over a hold, the zero taken off thrust and torque.
TEST(SensorStatistics, MeansSpreadPowerAndThrustPerWattFromTheZero) {
  const auto sample = [](auto t, auto q, auto i, auto v) { return SensorSample{0ms, t, q, i, v}; };
  const std::optional<double> none;
  const std::tuple<std::vector<SensorSample>, SensorZero, SensorFigures> cases[] = {
      {{sample(110.0, 0.06, 2.0, 16.0), sample(130.0, 0.08, 4.0, 15.0)},
       {10.0, 0.02},
       {110.0, 10.0, 0.05, 3.0, 15.5, 46.0, 110 / 46.0, 2}},
      // Power only from samples with both V and I; under 0.5 W there is no g/W.
      {{sample(10.0, none, none, none), sample(none, none, 1.0, 0.4),
        sample(none, none, 9.0, none)},
       {none, none},
       {10.0, 0.0, none, 5.0, 0.4, 0.4, none, 3}},
      {{sample(-3.0, none, 1.0, 1.0)}, {2.0, 5.0}, {-5.0, 0.0, none, 1.0, 1.0, 1.0, -5.0, 1}},
      {{}, {1.0, 1.0}, {none, none, none, none, none, none, none, 0}}};
  for (const auto& [samples, zero, want] : cases) {
    const SensorFigures got = SensorStatistics(samples, zero);
    EXPECT_EQ(got.samples, want.samples);
    for (const auto& [g, w] : {std::pair{got.thrust, want.thrust},
                               {got.thrustSd, want.thrustSd},
                               {got.torque, want.torque},
                               {got.current, want.current},
                               {got.voltage, want.voltage},
                               {got.power, want.power},
                               {got.gPerW, want.gPerW}})
      EXPECT_NEAR(g.value_or(-1e9), w.value_or(-1e9), 1e-9) << want.samples;
  }
}

TEST(ResultCsv, WritesRowByRowEndsSayingHowReadsBackAndRefusesMalformedFiles) {
  QLocale::setDefault(QLocale::German);  // a decimal comma must not reach the file
  const std::vector<StepResult> steps{{1, 40, 800ms, 2000ms, 20, 5012.3, 4990, 5040, 12.5, 700ms},
                                      {2, 60, 800ms, 2000ms, 0, 0, 0, 0, 0, std::nullopt}};
  const QByteArray text = QByteArray(kResultCsvHeader) +
                          "\n1,40,800,2000,20,5012.3,4990,5040,12.5,700\n"
                          "2,60,800,2000,0,0.0,0,0,0.0,\n";
  // How a run ended, its last lines, and how it reads back; without them it was cut off.
  const std::tuple<BenchResult, QByteArray, BenchResult> endings[] = {
      {{steps, "", true}, "# completed\n", {steps, "", true}},
      {{steps, "no speed", true}, "# stopped: no speed\n", {steps, "no speed", true}},
      {{steps, "signal", false},
       "# stopped: signal\n# stop not confirmed\n",
       {steps, "signal", false}},
      {{}, "", {steps, "", true, true}}};
  QTemporaryDir dir;
  QFile file(dir.filePath("run.csv"));
  ResultCsv csv;
  QString error;
  for (const auto& [run, last, read] : endings) {
    file.close();
    EXPECT_TRUE(csv.Open(file.fileName(), &error) && csv.Append(steps[0], &error) &&
                csv.Append(steps[1], &error) && (last.isEmpty() || csv.End(run, &error)));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly) && file.readAll() == text + last);  // before Close
    csv.Close();
    EXPECT_EQ(ReadResultCsv(file.fileName(), &error), read) << error.toStdString() << last.data();
  }
  // With a sensor: its columns, its zero, a figure below it and one never sent.
  StepResult row = steps[0];
  row.sensor = {{-1.25, 0.5, std::nullopt, 12.1, 15.92, 192.63, 2.5, 200}};
  const BenchResult sensorRun{{row}, "", true, false, true, SensorZero{37.5, std::nullopt}};
  file.close();
  EXPECT_TRUE(csv.Open(file.fileName(), &error, true) && csv.Zero(*sensorRun.zero, &error) &&
              csv.Append(row, &error) && csv.End(sensorRun, &error));
  csv.Close();
  EXPECT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray sensorText = file.readAll();
  EXPECT_EQ(sensorText,
            QByteArray(kResultCsvHeader) + ',' + kResultCsvSensorColumns +
                "\n# zero: thrust_g=37.50, torque_nm=\n1,40,800,2000,20,5012.3,4990,"
                "5040,12.5,700,-1.25,0.50,,12.100,15.920,192.63,2.500,200\n# completed\n");
  EXPECT_EQ(ReadResultCsv(file.fileName(), &error), sensorRun) << error.toStdString();
  EXPECT_FALSE(csv.Open("/dev/full", &error));
  EXPECT_TRUE(error.startsWith("/dev/full: writing failed")) << error.toStdString();
  const std::pair<QByteArray, const char*> bad[] = {
      {"step,throttle\n", "run.csv, line 1: the first line must be the header"},
      {QByteArray(text).replace(",700", ",700,1"), "line 2: a row has 10 fields; this one has 11"},
      {QByteArray(text).replace("\n1,", "\n2,"), "line 2: step must be a whole number from 1 to 1"},
      {text + "# completed\n1", "line 4: a row has 10 fields"},  // the ending is the last line
      {QByteArray(sensorText).replace("-1.25", "1.2.5"),
       "line 3: thrust_g must be empty or a decimal number like -12.5; found \"1.2.5\""},
      {QByteArray(sensorText).replace("thrust_g=", "thrust="), "line 2: the zero must read"},
      {QByteArray(sensorText).replace(",200\n", "\n"),
       "line 3: a row has 18 fields; this one has 17"}};
  for (const auto& [bytes, want] : bad) {
    file.close();
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) && file.flush());
    EXPECT_FALSE(ReadResultCsv(file.fileName(), &error));
    EXPECT_TRUE(error.contains(want)) << error.toStdString();
  }
}

}  // namespace
}  // namespace velmar
