// SPDX-License-Identifier: GPL-3.0-or-later
// read, save, apply and ports as the user runs them, on scripted ports answered by the simulated
// ESC's model and a manual clock: what they print, say, send and exit with.
#include <gtest/gtest.h>

#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <map>

#include "EscModel.h"
#include "cli/ConfigureCommand.h"
#include "support/ManualClock.h"
#include "support/ScriptedPort.h"

namespace velmar::testing {
namespace {

using namespace std::chrono_literals;

struct Row {
  const char* args;  // %d: a scratch folder holding f.json, which asks for brake "Enable"
  const char* escs;  // port N's ESC: 'o' answers, 'r' keeps its settings, '-' does not open
  int exitStatus;
  const char* out;  // on standard output, each part split by |
  const char* said = "";
};

const Row kRows[] = {
    {"read --json --port 1=/dev/a --port 2=/dev/b", "oo", 0,
     R"("path":"/dev/a","port":1,"result":"ok","settings":{"brake":"Disable"|"port":2,"result":"ok")"},
    {"save %d/s.json --port 1=/dev/a", "o", 0, "COM1 /dev/a: ok|cutoffVoltage  5.6V"},
    {"apply %d/f.json --json --port 1=/dev/a --port 2=/dev/b", "or", 1,
     R"("port":1,"result":"ok","settings":{"brake":"Enable"|"port":2,"result":"mismatch")"},
    {"read --json --port 1=/dev/a --port 2=/dev/b", "o-", 1,
     R"({"error":"no such device","path":"/dev/b","port":2,"result":"absent","settings":{}})",
     "/dev/b: no such device"},
    {"apply %d/f.json --dry-run --json --port 1=/dev/a", "o", 0,
     R"("result":"ok","settings":{"brake":"Disable"|"would_write":["brake"])"},
    {"read --port /dev/b --port 1=/dev/a", "oo", 0, "COM1 /dev/a: ok|COM2 /dev/b: ok"},
    {"ports --json --port 1=/dev/a --port 2=/dev/b", "o-", 0,
     R"({"ports":[{"opens":true,"path":"/dev/a","port":1},{"error":"no such device","opens":false,"path":"/dev/b","port":2}]})"},
};

class Command : public ::testing::TestWithParam<Row> {};

TEST_P(Command, PrintsSaysSendsAndExits) {
  const Row& row = GetParam();
  QTemporaryDir dir;
  QFile file(dir.filePath("f.json"));
  ASSERT_TRUE(
      file.open(QIODevice::WriteOnly) &&
      file.write(R"({"format":"velmar-esc-settings","version":1,"hardware":"QK-10A V1.250",)"
                 R"("settings":{"brake":"Enable"}})") > 0);
  file.close();
  QStringList args{"velmar-esc-config"};
  args << QString(row.args).replace("%d", dir.path()).split(' ');
  const std::optional<CommandLine> line = ParseCommandLine(args);
  ASSERT_TRUE(line);

  ManualClock clock;
  std::map<int, sim::EscModel> models;
  std::vector<QPointer<ScriptedPort>> ports;
  std::map<ScriptedPort*, qsizetype> fed;
  CommandServices services;
  services.makePort = [&](const PortMap&) {
    auto port = std::make_unique<ScriptedPort>();
    for (int n = 1; n <= int(strlen(row.escs)); ++n)
      if (row.escs[n - 1] == '-')
        port->refusals[n] = QStringLiteral("/dev/b: no such device");
      else
        port->usable << n;
    ports.emplace_back(port.get());
    return port;
  };
  services.makeTimer = [&](std::chrono::milliseconds interval) {
    auto timer = clock.MakeTimer();
    timer->SetInterval(interval);
    return timer;
  };
  services.now = [&] { return clock.Now(); };
  QByteArray out;
  QStringList said;
  services.out = [&](const QByteArray& bytes) { out += bytes; };
  services.say = [&](const QString& text) { said << text; };
  for (int n = 1; n <= int(strlen(row.escs)); ++n) {
    sim::EscOptions options;
    options.rejectWrites = row.escs[n - 1] == 'r';
    models.emplace(n, sim::EscModel(options, 0ns));
  }

  ConfigureCommand command(*line, std::move(services));
  std::optional<int> status;
  QObject::connect(&command, &ConfigureCommand::finished, [&](int s) { status = s; });
  command.Start();
  bool wrote = false;
  // Each millisecond the ESCs take what was written and answer it.
  for (int ms = 0; !status && ms < 20000; ++ms) {
    clock.Advance(1ms);
    const sim::Time now = clock.Now();
    for (const QPointer<ScriptedPort>& port : ports) {
      if (!port || !port->IsOpen()) continue;
      sim::EscModel& esc = models.at(port->PortNumber());
      for (qsizetype& i = fed[port.data()]; i < port->writes.size(); ++i) {
        const QByteArray& frame = port->writes[i];
        wrote = wrote || frame.startsWith("\x51\x4B\x03");
        esc.Receive({reinterpret_cast<const uint8_t*>(frame.data()), size_t(frame.size())}, now);
      }
      const auto due = esc.Pending(now);
      const QByteArray reply(reinterpret_cast<const char*>(due.data()), qsizetype(due.size()));
      esc.Sent(due.size(), now);
      port->Deliver(reply);
    }
  }
  ASSERT_EQ(status, row.exitStatus) << out.toStdString() << said.join('\n').toStdString();
  for (const QString& part : QString(row.out).split('|'))
    EXPECT_TRUE(QString::fromUtf8(out).contains(part)) << part.toStdString() << "\n"
                                                       << out.toStdString();
  EXPECT_EQ(said.join('\n'), row.said);
  EXPECT_EQ(wrote, QString(row.args).startsWith("apply") && !line->dryRun) << "a write frame";
  EXPECT_EQ(QFile::exists(dir.filePath("s.json")), line->verb == CommandLine::Verb::Save);
}

INSTANTIATE_TEST_SUITE_P(Commands, Command, ::testing::ValuesIn(kRows));

}  // namespace
}  // namespace velmar::testing
