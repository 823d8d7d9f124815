#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "CommandLine.h"
#include "FormQKconfig.h"
#include "RunRecord.h"
#include "Translations.h"
#include "link/Cadence.h"
#include "link/QtSerialPort.h"

namespace {

int g_signalPipe[2] = {-1, -1};
volatile std::sig_atomic_t g_signalled = 0;

void OnSignal(int) {
  g_signalled = 1;
  const char c = 1;
  [[maybe_unused]] auto n = ::write(g_signalPipe[1], &c, 1);
}

// Installed before anything else, so that SIGINT and SIGTERM are never lost
// during start-up. A launcher may have left them blocked: the program answers
// them however it was started.
void CatchSignals() {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) return;
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  sigset_t both;
  sigemptyset(&both);
  sigaddset(&both, SIGINT);
  sigaddset(&both, SIGTERM);
  sigprocmask(SIG_UNBLOCK, &both, nullptr);
}

// Once running, a signal closes the window the normal way, so the port is
// closed as on any other exit.
void CloseOnSignals(QWidget& window) {
  if (g_signalPipe[0] < 0) return;
  auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &window);
  QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
    char c = 0;
    [[maybe_unused]] auto n = ::read(g_signalPipe[0], &c, 1);
    window.close();
  });
}

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
  CatchSignals();
  QElapsedTimer sinceStart;
  sinceStart.start();
  AnswerHelpWithoutDisplay(argc, argv);
  QApplication app(argc, argv);
  NameTheProgram();
  QApplication::setDesktopFileName(QStringLiteral("org.velmar.EscConfig"));

  const std::optional<velmar::CommandLine> line =
      velmar::ParseCommandLine(QApplication::arguments());
  if (!line) return velmar::kBadUsage;
  if (!velmar::LoadTranslations(app, line->lang) && !line->lang.isEmpty())
    std::fprintf(stderr, "velmar-esc-config: no translation for --lang %s; showing English\n",
                 qPrintable(line->lang));
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
  port.RefuseOpensWhen([] { return g_signalled != 0; });
  velmar::FormServices services;
  services.link.port = &port;
  services.link.timer1 = std::make_unique<velmar::QtOneShotTimer>(velmar::kIdlePollInterval);
  services.link.timer2 = std::make_unique<velmar::QtOneShotTimer>(velmar::kReplyTimeout);
  services.link.letEventsRun = [] { QCoreApplication::processEvents(); };
  services.now = [&sinceStart] { return std::chrono::milliseconds(sinceStart.elapsed()); };
  if (record.IsOpen()) services.record = &record;

  velmar::FormQKconfig window(std::move(services));
  CloseOnSignals(window);
  window.Form_Load();
  // Told to quit while starting: end here, never shown, the port closed.
  if (g_signalled) {
    window.close();
    return 0;
  }
  window.show();
  return app.exec();
}
