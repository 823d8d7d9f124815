#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>

#include "CommandLine.h"
#include "FormQKconfig.h"
#include "QuitSignals.h"
#include "RunRecord.h"
#include "link/Cadence.h"
#include "link/QtSerialPort.h"

namespace {

void NameTheProgram() {
  QCoreApplication::setApplicationName(QStringLiteral("velmar-esc-config"));
  QCoreApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                              .arg(velmar::kProgramVersion.major)
                                              .arg(velmar::kProgramVersion.minor)
                                              .arg(velmar::kProgramVersion.revision));
}

// --help and --version answer without a display, on a terminal of any machine.
void AnswerHelpWithoutDisplay(int argc, char* argv[]) {
  for (int i = 1; i < argc; ++i) {
    const QByteArray arg(argv[i]);
    if (arg == "-h" || arg == "--help" || arg == "--help-all" || arg == "-v" ||
        arg == "--version") {
      QCoreApplication core(argc, argv);
      NameTheProgram();
      std::exit(velmar::ParseCommandLine(QCoreApplication::arguments()) ? 0 : velmar::kBadUsage);
    }
  }
}

}  // namespace

int main(int argc, char* argv[]) {
  velmar::CatchQuitSignals();
  QElapsedTimer sinceStart;
  sinceStart.start();
  AnswerHelpWithoutDisplay(argc, argv);
  QApplication app(argc, argv);
  NameTheProgram();
  QApplication::setDesktopFileName(QStringLiteral("org.velmar.EscConfig"));

  const std::optional<velmar::CommandLine> line =
      velmar::ParseCommandLine(QApplication::arguments());
  if (!line) return velmar::kBadUsage;
  // A record that cannot be kept is reported before any port is touched.
  velmar::RunRecord record;
  QString error;
  if (!line->recordPath.isEmpty() && !record.Open(line->recordPath, &error)) {
    std::fprintf(stderr, "velmar-esc-config: cannot write the run record %s: %s\n",
                 qPrintable(line->recordPath), qPrintable(error));
    return velmar::kBadUsage;
  }

  velmar::QtSerialPort port(line->ports.isEmpty() ? velmar::PortMap::FromSystem()
                                                  : velmar::PortMap::FromText(line->ports));
  port.RefuseOpensWhen(velmar::QuitSignalled);
  velmar::FormServices services;
  services.link.port = &port;
  services.link.timer1 = std::make_unique<velmar::QtOneShotTimer>(velmar::kIdlePollInterval);
  services.link.timer2 = std::make_unique<velmar::QtOneShotTimer>(velmar::kReplyTimeout);
  services.link.letEventsRun = [] { QCoreApplication::processEvents(); };
  services.now = [&sinceStart] { return std::chrono::milliseconds(sinceStart.elapsed()); };
  if (record.IsOpen()) services.record = &record;

  velmar::FormQKconfig window(std::move(services));
  velmar::OnQuitSignal(&window, [&window] { window.close(); });
  window.Form_Load();
  // Told to quit while starting: end here, never shown, the port closed.
  if (velmar::QuitSignalled()) {
    window.close();
    return 0;
  }
  window.show();
  return app.exec();
}
