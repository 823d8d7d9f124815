// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"

#include <QCommandLineParser>
#include <QRegularExpression>
#include <QSet>
#include <cstdio>

#include "formats/BenchResult.h"
#include "link/QtSerialPort.h"

namespace velmar {
namespace {

constexpr char kUsage[] =
    "usage: velmar-esc-config [--port N=PATH]... [--record FILE.csv]\n"
    "       velmar-esc-config fleet [--port N=PATH]...\n"
    "       velmar-esc-config read  [--port N=PATH]... [--json]\n"
    "       velmar-esc-config save  FILE [--port N=PATH]\n"
    "       velmar-esc-config apply FILE [--port N=PATH]... [--force] [--dry-run] [--json]\n"
    "       velmar-esc-config ports [--port N=PATH]... [--json]\n"
    "       velmar-esc-config bench SCRIPT [--port N=PATH] --out RESULT.csv "
    "[--sensor PATH [--sensor-baud B]] [--plot CURVE.png|CURVE.svg [--plot-y Y] "
    "[--compare EARLIER.csv]] [--record RUN.csv] [--json]\n"
    "See --help.";

std::nullopt_t Complain(const QString& text) {
  Say(text);
  std::fprintf(stderr, "%s\n", kUsage);
  return std::nullopt;
}

using Verb = CommandLine::Verb;

std::optional<Verb> VerbNamed(const QString& name) {
  if (name == QLatin1String("read")) return Verb::Read;
  if (name == QLatin1String("save")) return Verb::Save;
  if (name == QLatin1String("apply")) return Verb::Apply;
  if (name == QLatin1String("bench")) return Verb::Bench;
  if (name == QLatin1String("ports")) return Verb::Ports;
  if (name == QLatin1String("fleet")) return Verb::Fleet;
  return std::nullopt;
}

// A bare path (an entry with a '/' and no "N=") takes the lowest number no other entry names.
QStringList NumberBarePaths(QStringList entries) {
  const QRegularExpression numbered(QStringLiteral("^\\s*\\d+\\s*="));
  const auto bare = [&](const QString& e) {
    return e.contains(QLatin1Char('/')) && !numbered.match(e).hasMatch();
  };
  QSet<int> taken;
  for (const QString& entry : entries)
    if (!bare(entry)) taken.insert(entry.section(QLatin1Char('='), 0, 0).trimmed().toInt());
  int next = PortMap::kFirstPort;
  for (QString& entry : entries) {
    if (!bare(entry)) continue;
    while (taken.contains(next)) ++next;
    taken.insert(next);
    entry = QStringLiteral("%1=%2").arg(next).arg(entry.trimmed());
  }
  return entries;
}

}  // namespace

std::optional<CommandLine> ParseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Configures and bench-tests a Velmar brushless-motor ESC over a serial line.\n\n"
      "Without a command it opens the window; fleet opens the window for several ESCs, side by\n"
      "side, which reads and configures them all at once and never drives a motor.\n"
      "Commands, which need no display:\n"
      "  read               print each ESC's hardware, firmware and settings\n"
      "  save FILE          write one ESC's settings to a settings file\n"
      "  apply FILE         write a settings file's settings to every ESC and read them back\n"
      "  bench SCRIPT       run a bench-run script on one ESC and write its results\n"
      "  ports              list the ports the program would offer, whether each opens and\n"
      "                     why not, and each USB adapter's vendor, product and serial number;\n"
      "                     sends nothing\n"
      "Without --port, the commands use every port the window would list.\n"
      "Exit status: 0 done (apply --dry-run: nothing stands in the way; ports: always);\n"
      "1 an ESC absent, refused, mismatched or lost, or a run stopped with its stop\n"
      "confirmed; 2 bad usage or a bad file, before any port is opened;\n"
      "3 (bench) the ESC did not confirm the stop: the motor may still be running."));
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption version = parser.addVersionOption();
  const QCommandLineOption port(
      QStringLiteral("port"),
      QStringLiteral("Use the device PATH as port N (1 to 16), as an entry of VELMAR_ESC_PORTS "
                     "does; repeat for more ports. A PATH alone (with a /) takes the lowest "
                     "free number. \"*\" adds the machine's other ports after the named ones. "
                     "Replaces VELMAR_ESC_PORTS for this run."),
      QStringLiteral("N=PATH"));
  const QCommandLineOption record(
      QStringLiteral("record"),
      QStringLiteral("Append one CSV row to FILE for every speed reply: time since start (ms), "
                     "throttle, raw period, poles, r/min shown, connection state."),
      QStringLiteral("FILE.csv"));
  const QCommandLineOption json(
      QStringLiteral("json"),
      QStringLiteral("read, apply, ports: print one JSON document. bench: print a JSON "
                     "line per step as it ends, then how the run ended."));
  const QCommandLineOption dryRun(
      QStringLiteral("dry-run"),
      QStringLiteral("apply: read every ESC and say which settings would be written, and what "
                     "stands in the way, without writing any."));
  const QCommandLineOption force(
      QStringLiteral("force"),
      QStringLiteral("apply: also to ESCs whose hardware differs from the file's."));
  const QCommandLineOption out(QStringLiteral("out"),
                               QStringLiteral("bench: write the results, a row per step."),
                               QStringLiteral("RESULT.csv"));
  const QCommandLineOption plot(QStringLiteral("plot"),
                                QStringLiteral("bench: draw the curve as PNG or SVG."),
                                QStringLiteral("CURVE.png|CURVE.svg"));
  const QCommandLineOption compare(
      QStringLiteral("compare"),
      QStringLiteral("bench: draw an earlier result beside this run's curve (with --plot)."),
      QStringLiteral("EARLIER.csv"));
  const QCommandLineOption sensor(
      QStringLiteral("sensor"),
      QStringLiteral("bench: read thrust, torque, current and voltage from the bench sensor on "
                     "this serial device, and add them to each step."),
      QStringLiteral("PATH"));
  const QCommandLineOption sensorBaud(
      QStringLiteral("sensor-baud"),
      QStringLiteral("bench: the bench sensor's baud rate (default 115200)."), QStringLiteral("B"));
  const QCommandLineOption plotY(
      QStringLiteral("plot-y"),
      QStringLiteral("bench: the curve --plot draws: rpm, thrust, current, power or g_per_w "
                     "(default thrust with a sensor, rpm without)."),
      QStringLiteral("Y"));
  const QCommandLineOption lang(
      QStringLiteral("lang"),
      QStringLiteral("Show the window in language CODE (en, de, zh_CN) instead of the system's. "
                     "An unknown code gives English."),
      QStringLiteral("CODE"));
  parser.addOptions(
      {port, record, json, force, dryRun, out, plot, compare, sensor, sensorBaud, plotY, lang});

  if (!parser.parse(arguments)) return Complain(parser.errorText());
  if (parser.isSet(help)) parser.showHelp(0);
  if (parser.isSet(version)) parser.showVersion();

  CommandLine line;
  QStringList positional = parser.positionalArguments();
  if (!positional.isEmpty()) {
    const std::optional<Verb> verb = VerbNamed(positional.constFirst());
    if (!verb) return Complain(QStringLiteral("unknown command \"%1\"").arg(positional.first()));
    line.verb = *verb;
    positional.removeFirst();
  }
  const bool takesFile = line.verb != Verb::Window && line.verb != Verb::Read &&
                         line.verb != Verb::Ports && line.verb != Verb::Fleet;
  if (takesFile) {
    if (positional.isEmpty())
      return Complain(QStringLiteral("%1 needs a file").arg(parser.positionalArguments()[0]));
    line.file = positional.takeFirst();
  }
  if (!positional.isEmpty())
    return Complain(QStringLiteral("unexpected argument \"%1\"").arg(positional.constFirst()));

  // Each option belongs to some of the commands.
  const std::pair<const QCommandLineOption&, QList<Verb>> owners[] = {
      {record, {Verb::Window, Verb::Bench}},
      {json, {Verb::Read, Verb::Apply, Verb::Ports, Verb::Bench}},
      {force, {Verb::Apply}},
      {dryRun, {Verb::Apply}},
      {out, {Verb::Bench}},
      {plot, {Verb::Bench}},
      {compare, {Verb::Bench}},
      {sensor, {Verb::Bench}},
      {sensorBaud, {Verb::Bench}},
      {plotY, {Verb::Bench}}};
  for (const auto& [option, verbs] : owners)
    if (parser.isSet(option) && !verbs.contains(line.verb))
      return Complain(QStringLiteral("--%1 does not go with this command").arg(option.names()[0]));

  QSet<int> numbers;
  QSet<QString> paths;
  for (const QString& entry : NumberBarePaths(parser.values(port))) {
    QStringList warnings;
    bool machine = false;
    const PortMap map = PortMap::Parse(entry, &warnings, &machine);
    if (!warnings.isEmpty() || entry.trimmed().isEmpty() || entry.contains(QLatin1Char(',')))
      return Complain(
          QStringLiteral("--port \"%1\": expected N=PATH with N from 1 to 16, or *").arg(entry));
    for (auto it = map.Ports().cbegin(); it != map.Ports().cend(); ++it) {
      if (numbers.contains(it.key()))
        return Complain(QStringLiteral("--port: port %1 is named twice").arg(it.key()));
      if (paths.contains(it->path))
        return Complain(QStringLiteral("--port: %1 is named under two numbers").arg(it->path));
      numbers.insert(it.key());
      paths.insert(it->path);
    }
    line.ports += (line.ports.isEmpty() ? QString() : QStringLiteral(",")) + entry;
  }
  line.portCount = int(numbers.size());
  const bool onePort = line.verb == Verb::Save || line.verb == Verb::Bench;
  if (onePort && (line.portCount > 1 || (line.portCount == 1 && line.ports.contains('*'))))
    return Complain(QStringLiteral("this command takes one ESC: name one --port"));

  line.lang = parser.value(lang);
  line.json = parser.isSet(json);
  line.force = parser.isSet(force);
  line.dryRun = parser.isSet(dryRun);
  const std::pair<const QCommandLineOption&, QString*> files[] = {{record, &line.recordPath},
                                                                  {out, &line.outPath},
                                                                  {plot, &line.plotPath},
                                                                  {compare, &line.comparePath},
                                                                  {sensor, &line.sensorPath}};
  for (const auto& [option, path] : files) {
    if (!parser.isSet(option)) continue;
    *path = parser.value(option);
    if (path->isEmpty())
      return Complain(QStringLiteral("--%1 needs a file name").arg(option.names()[0]));
  }
  if (line.verb == Verb::Bench && line.outPath.isEmpty())
    return Complain(QStringLiteral("bench needs --out RESULT.csv"));
  if (!line.comparePath.isEmpty() && line.plotPath.isEmpty())
    return Complain(QStringLiteral("--compare goes with --plot"));
  if (parser.isSet(sensorBaud)) {
    bool number = false;
    line.sensorBaud = parser.value(sensorBaud).toInt(&number);
    if (!number || line.sensorBaud < 300 || line.sensorBaud > 4'000'000)
      return Complain(QStringLiteral("--sensor-baud: a baud rate from 300 to 4000000"));
    if (line.sensorPath.isEmpty())
      return Complain(QStringLiteral("--sensor-baud goes with --sensor"));
  }
  if (parser.isSet(plotY)) {
    line.plotY = parser.value(plotY);
    if (!QuantityNamed(line.plotY))
      return Complain(QStringLiteral("--plot-y: one of rpm, thrust, current, power, g_per_w"));
    if (line.plotPath.isEmpty()) return Complain(QStringLiteral("--plot-y goes with --plot"));
    if (line.plotY != QLatin1String("rpm") && line.sensorPath.isEmpty())
      return Complain(QStringLiteral("--plot-y %1 needs --sensor").arg(line.plotY));
  }
  if (!line.plotPath.isEmpty() && !line.plotPath.endsWith(QLatin1String(".png")) &&
      !line.plotPath.endsWith(QLatin1String(".svg")))
    return Complain(QStringLiteral("--plot: the file must end in .png or .svg"));
  return line;
}

void Say(const QString& text) {
  std::fprintf(stderr, "velmar-esc-config: %s\n", qPrintable(text));
}

CommandPorts PortsFor(const CommandLine& line,
                      const std::function<std::unique_ptr<SerialPort>(const PortMap&)>& makePort) {
  CommandPorts ports{line.ports.isEmpty() ? PortMap::FromSystem() : PortMap::FromText(line.ports),
                     {}};
  if (line.portCount > 0 && !line.ports.contains(QLatin1Char('*'))) {
    ports.numbers = ports.map.Ports().keys();
    return ports;
  }
  const std::unique_ptr<SerialPort> probe =
      makePort ? makePort(ports.map) : std::make_unique<QtSerialPort>(ports.map);
  for (int n = PortMap::kFirstPort; n <= PortMap::kLastPort; ++n) {
    probe->SetPortNumber(n);
    if (probe->Open()) ports.numbers << n;
    probe->Close();
  }
  return ports;
}

}  // namespace velmar
