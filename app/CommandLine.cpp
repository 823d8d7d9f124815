#include "CommandLine.h"

#include <QCommandLineParser>
#include <cstdio>

#include "link/PortMap.h"

namespace velmar {
namespace {

void Complain(const QString& text) {
  std::fprintf(stderr, "velmar-esc-config: %s\n", qPrintable(text));
}

}  // namespace

std::optional<CommandLine> ParseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Configures and bench-tests a Velmar brushless-motor ESC over a serial line."));
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption version = parser.addVersionOption();
  const QCommandLineOption port(
      QStringLiteral("port"),
      QStringLiteral("Offer the device PATH as port N (1 to 16), as an entry of VELMAR_ESC_PORTS "
                     "does; repeat for more ports. \"*\" adds the machine's other ports after "
                     "the named ones. Replaces VELMAR_ESC_PORTS for this run."),
      QStringLiteral("N=PATH"));
  const QCommandLineOption record(
      QStringLiteral("record"),
      QStringLiteral("Append one CSV row to FILE for every speed reply: time since start (ms), "
                     "throttle, raw period, poles, r/min shown, connection state."),
      QStringLiteral("FILE.csv"));
  const QCommandLineOption lang(
      QStringLiteral("lang"),
      QStringLiteral("Show the window in language CODE (en, de, zh_CN) instead of the system's. "
                     "An unknown code gives English."),
      QStringLiteral("CODE"));
  parser.addOption(port);
  parser.addOption(record);
  parser.addOption(lang);

  if (!parser.parse(arguments)) {
    Complain(parser.errorText());
    return std::nullopt;
  }
  if (parser.isSet(help)) parser.showHelp(0);
  if (parser.isSet(version)) parser.showVersion();
  if (!parser.positionalArguments().isEmpty()) {
    Complain(QStringLiteral("unexpected argument \"%1\"; see --help")
                 .arg(parser.positionalArguments().constFirst()));
    return std::nullopt;
  }

  CommandLine line;
  for (const QString& entry : parser.values(port)) {
    QStringList warnings;
    bool machine = false;
    PortMap::Parse(entry, &warnings, &machine);
    if (!warnings.isEmpty() || entry.trimmed().isEmpty() || entry.contains(QLatin1Char(','))) {
      Complain(
          QStringLiteral("--port \"%1\": expected N=PATH with N from 1 to 16, or *").arg(entry));
      return std::nullopt;
    }
    line.ports += (line.ports.isEmpty() ? QString() : QStringLiteral(",")) + entry;
  }
  if (parser.isSet(record)) {
    line.recordPath = parser.value(record);
    if (line.recordPath.isEmpty()) {
      Complain(QStringLiteral("--record needs a file name"));
      return std::nullopt;
    }
  }
  line.lang = parser.value(lang);
  return line;
}

}  // namespace velmar
