#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <csignal>

#include "FormQKconfig.h"
#include "link/Cadence.h"
#include "link/QtSerialPort.h"

namespace {

int g_signalPipe[2] = {-1, -1};

void OnSignal(int) {
  const char c = 1;
  [[maybe_unused]] auto n = ::write(g_signalPipe[1], &c, 1);
}

// SIGINT and SIGTERM close the window the normal way, so the port is closed as
// on any other exit.
void CloseOnSignals(QWidget& window) {
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &window);
  QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
    char c = 0;
    [[maybe_unused]] auto n = ::read(g_signalPipe[0], &c, 1);
    window.close();
  });
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("velmar-esc-config"));
  QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                          .arg(velmar::kProgramVersion.major)
                                          .arg(velmar::kProgramVersion.minor)
                                          .arg(velmar::kProgramVersion.revision));

  velmar::QtSerialPort port(velmar::PortMap::FromSystem());
  velmar::FormServices services;
  services.link.port = &port;
  services.link.timer1 = std::make_unique<velmar::QtOneShotTimer>(velmar::kIdlePollInterval);
  services.link.timer2 = std::make_unique<velmar::QtOneShotTimer>(velmar::kReplyTimeout);
  services.link.letEventsRun = [] { QCoreApplication::processEvents(); };

  velmar::FormQKconfig window(std::move(services));
  CloseOnSignals(window);
  window.Form_Load();
  window.show();
  return app.exec();
}
