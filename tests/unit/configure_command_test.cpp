// SPDX-License-Identifier: GPL-3.0-or-later
// read, save, apply and ports as a user runs them, on scripted ports answered by the simulated
// ESC's model and a manual clock: what they print, say, send and exit with.
#include <gtest/gtest.h>

#include <QPointer>
#include <QTemporaryDir>
#include <fstream>

#include "EscModel.h"
#include "cli/ConfigureCommand.h"
#include "support/ManualClock.h"
#include "support/ScriptedPort.h"

namespace velmar::testing {
namespace {

using namespace std::chrono_literals;

struct Row {
  const char* args;  // %d: a folder holding f.json, which asks a QK-10A for brake "Enable"
  const char* escs;  // port N's ESC: o answers, r keeps its settings, - the port does not open
  int exitStatus;
  const char* out;  // parts of standard output and the lines said, split by |
};

const Row kRows[] = {
    {"read --json --port /dev/b --port 1=/dev/a", "oo", 0,  // a bare path takes port 2
     R"("path":"/dev/a","port":1,"result":"ok","settings":{"brake":"Disable"|"/dev/b","port":2,"result":"ok")"},
    {"save %d/s.json --port 1=/dev/a", "o", 0, "COM1 /dev/a: ok|cutoffVoltage  5.6V"},
    {"apply %d/f.json --json --port 1=/dev/a --port 2=/dev/b", "or", 1,
     R"("port":1,"result":"ok","settings":{"brake":"Enable"|"port":2,"result":"mismatch")"},
    {"read --json --port 1=/dev/a --port 2=/dev/b", "o-", 1,
     R"({"error":"no such device","path":"/dev/b","port":2,"result":"absent","settings":{}})"
     "|said /dev/b: no such device"},
    {"apply %d/f.json --dry-run --json --port 1=/dev/a", "o", 0,
     R"("result":"ok","settings":{"brake":"Disable"|"would_write":["brake"])"},
    {"ports --json --port 1=/dev/a --port 2=/dev/b", "o-", 0,
     R"({"ports":[{"opens":true,"path":"/dev/a","port":1},{"error":"no such device",)"
     R"("opens":false,"path":"/dev/b","port":2}]})"},
};

class Command : public ::testing::TestWithParam<Row> {};

TEST_P(Command, PrintsSaysSendsAndExits) {
  const Row& row = GetParam();
  QTemporaryDir dir;
  std::ofstream(dir.filePath("f.json").toStdString())
      << R"({"format":"velmar-esc-settings","version":1,"hardware":"QK-10A V1.250",)"
         R"("settings":{"brake":"Enable"}})";
  const auto line = ParseCommandLine(
      QString("velmar-esc-config %1").arg(row.args).replace("%d", dir.path()).split(' '));
  ASSERT_TRUE(line);
  ManualClock clock;
  std::vector<sim::EscModel> escs;
  for (const char* e = row.escs; *e; ++e)
    escs.emplace_back(sim::EscOptions{.rejectWrites = *e == 'r', .motor = {}, .line = {}}, 0ns);
  std::vector<QPointer<ScriptedPort>> ports;
  QByteArray out;
  CommandServices services{
      [&](const PortMap&) {
        auto port = std::make_unique<ScriptedPort>();
        for (int n = 1; row.escs[n - 1]; ++n)
          if (row.escs[n - 1] == '-')
            port->refusals[n] = "/dev/b: no such device";
          else
            port->usable << n;
        ports.emplace_back(port.get());
        return port;
      },
      [&](std::chrono::milliseconds interval) { return clock.MakeTimer(interval); },
      [&] { return clock.Now(); }, [&](const QByteArray& b) { out += b; },
      [&](const QString& text) { out += "said " + text.toUtf8() + '\n'; }};
  ConfigureCommand command(*line, std::move(services));
  std::optional<int> status;
  QObject::connect(&command, &ConfigureCommand::finished, [&](int s) { status = s; });
  command.Start();
  bool wrote = false;  // a write frame went out
  for (int ms = 0; !status && ms < 20000; ++ms) {
    clock.Advance(1ms);
    for (const QPointer<ScriptedPort>& port : ports) {
      if (!port || !port->IsOpen()) continue;
      sim::EscModel& esc = escs.at(port->PortNumber() - 1);
      for (const QByteArray& frame : std::exchange(port->writes, {})) {
        wrote = wrote || frame[2] == '\x03';
        esc.Receive({reinterpret_cast<const uint8_t*>(frame.data()), size_t(frame.size())},
                    clock.Now());
      }
      const auto due = esc.Pending(clock.Now());
      const QByteArray reply(reinterpret_cast<const char*>(due.data()), qsizetype(due.size()));
      esc.Sent(due.size(), clock.Now());
      port->Deliver(reply);
    }
  }
  ASSERT_EQ(status, row.exitStatus) << out.toStdString();
  for (const QString& part : QString(row.out).split('|'))
    EXPECT_TRUE(out.contains(part.toUtf8())) << part.toStdString() << "\n" << out.toStdString();
  EXPECT_EQ(out.count("said"), int(QByteArray(row.out).count("said"))) << out.toStdString();
  EXPECT_EQ(wrote, line->verb == CommandLine::Verb::Apply && !line->dryRun);
  EXPECT_EQ(QFile::exists(dir.filePath("s.json")), line->verb == CommandLine::Verb::Save);
}

INSTANTIATE_TEST_SUITE_P(Commands, Command, ::testing::ValuesIn(kRows));

}  // namespace
}  // namespace velmar::testing
