#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace velmar {

// What the user asked for on the command line.
struct CommandLine {
  // The --port entries joined in VELMAR_ESC_PORTS's form; empty when none was given.
  QString ports;
  // --record: the run record's file; empty when none was asked for.
  QString recordPath;
  // --lang: the language of the window, such as "de" or "zh_CN"; empty: the system's.
  QString lang;
};

// Exit status for a command line the program cannot run with.
inline constexpr int kBadUsage = 2;

// Parses the arguments (the program's name first). --help and --version print
// and end the program. A bad value prints one line on standard error and gives
// nothing: the caller exits with kBadUsage.
std::optional<CommandLine> ParseCommandLine(const QStringList& arguments);

}  // namespace velmar
