// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "BenchChart.h"
#include "FleetWindow.h"
#include "FormQKconfig.h"
#include "QuitSignals.h"
#include "Translations.h"
#include "cli/BenchCommand.h"
#include "cli/CommandLine.h"
#include "cli/ConfigureCommand.h"
#include "formats/RunRecord.h"
#include "link/Cadence.h"
#include "link/QtSerialPort.h"
#include "protocol/Commands.h"

namespace {

void NameTheProgram() {
  QCoreApplication::setApplicationName(QStringLiteral("velmar-esc-config"));
  QCoreApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                              .arg(velmar::kProgramVersion.major)
                                              .arg(velmar::kProgramVersion.minor)
                                              .arg(velmar::kProgramVersion.revision));
}

// The command line is read before any display is needed: --help, --version,
// a bad option and the commands that run without a window all work on a
// terminal of any machine.
std::optional<velmar::CommandLine> ReadCommandLine(int argc, char* argv[]) {
  QCoreApplication core(argc, argv);
  NameTheProgram();
  return velmar::ParseCommandLine(QCoreApplication::arguments());
}

int RunCommand(int argc, char* argv[], const velmar::CommandLine& line) {
  QCoreApplication core(argc, argv);
  NameTheProgram();
  velmar::ConfigureCommand command(line, velmar::CommandServices::Program());
  std::optional<int> status;
  QObject::connect(&command, &velmar::ConfigureCommand::finished, &core, [&status](int s) {
    status = s;
    QCoreApplication::quit();
  });
  velmar::OnQuitSignal(&core, [&command] { command.Stop(); });
  command.Start();
  if (!status) QCoreApplication::exec();
  return status.value_or(1);
}

// A second quit signal ends the program at once: the port's ESC is told throttle 0 first.
void StopOnSecondSignal(velmar::SerialPort& port) {
  auto* qtPort = qobject_cast<velmar::QtSerialPort*>(&port);
  if (!qtPort) return;
  qtPort->ReportHandleTo([](int fd) {
    static const std::vector<uint8_t> frame = velmar::BuildFrame(velmar::ThrottleCommand(0));
    velmar::WriteOnSecondSignal(fd, reinterpret_cast<const char*>(frame.data()), int(frame.size()));
  });
}

// A bench run never shows a window, but its picture needs a QApplication.
int RunBench(int argc, char* argv[], const velmar::CommandLine& line) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  NameTheProgram();
  velmar::CommandServices services = velmar::CommandServices::Program();
  const auto makePort = services.makePort;
  services.makePort = [makePort](const velmar::PortMap& ports) {
    std::unique_ptr<velmar::SerialPort> port = makePort(ports);
    StopOnSecondSignal(*port);
    return port;
  };
  velmar::BenchCommand command(line, std::move(services), velmar::RenderBenchChart);
  std::optional<int> status;
  QObject::connect(&command, &velmar::BenchCommand::finished, &app, [&status](int s) {
    status = s;
    QCoreApplication::exit(s);
  });
  velmar::OnQuitSignal(&app, [&command] { command.Stop(QStringLiteral("signal")); });
  if (velmar::QuitSignalled()) command.Stop(QStringLiteral("signal"));
  command.Start();
  return status ? *status : app.exec();
}

// The fleet window: every port of the command's, side by side, with the commands' services.
int RunFleet(QApplication& app, const velmar::CommandLine& line) {
  const velmar::CommandPorts ports = velmar::PortsFor(line);
  velmar::FleetWindow window({velmar::CommandServices::Program(), {}}, ports.map, ports.numbers);
  velmar::OnQuitSignal(&window, [&window] { window.close(); });
  window.Form_Load();
  if (velmar::QuitSignalled()) return 0;
  window.show();
  return app.exec();
}

}  // namespace

int main(int argc, char* argv[]) {
  velmar::CatchQuitSignals();
  QElapsedTimer sinceStart;
  sinceStart.start();
  const std::optional<velmar::CommandLine> line = ReadCommandLine(argc, argv);
  if (!line) return velmar::kBadUsage;
  using Verb = velmar::CommandLine::Verb;
  if (line->verb == Verb::Read || line->verb == Verb::Save || line->verb == Verb::Apply ||
      line->verb == Verb::Ports)
    return RunCommand(argc, argv, *line);
  if (line->verb == Verb::Bench) return RunBench(argc, argv, *line);

  QApplication app(argc, argv);
  NameTheProgram();
  QApplication::setDesktopFileName(QStringLiteral("org.velmar.EscConfig"));
  if (!velmar::LoadTranslations(app, line->lang) && !line->lang.isEmpty())
    std::fprintf(stderr, "velmar-esc-config: no translation for --lang %s; showing English\n",
                 qPrintable(line->lang));
  if (line->verb == Verb::Fleet) return RunFleet(app, *line);
  // A record that cannot be kept is reported before any port is touched.
  velmar::RunRecord record;
  QString error;
  if (!line->recordPath.isEmpty() && !record.Open(line->recordPath, &error)) {
    std::fprintf(stderr, "velmar-esc-config: cannot write the run record %s: %s\n",
                 qPrintable(line->recordPath), qPrintable(error));
    return velmar::kBadUsage;
  }

  const velmar::PortMap ports = line->ports.isEmpty() ? velmar::PortMap::FromSystem()
                                                      : velmar::PortMap::FromText(line->ports);
  velmar::QtSerialPort port(ports);
  port.RefuseOpensWhen(velmar::QuitSignalled);
  StopOnSecondSignal(port);
  velmar::FormServices services;
  services.link.port = &port;
  services.link.timer1 = std::make_unique<velmar::QtOneShotTimer>(velmar::kIdlePollInterval);
  services.link.timer2 = std::make_unique<velmar::QtOneShotTimer>(velmar::kReplyTimeout);
  services.link.letEventsRun = [] { QCoreApplication::processEvents(); };
  services.now = [&sinceStart] { return std::chrono::milliseconds(sinceStart.elapsed()); };
  if (record.IsOpen()) services.record = &record;
  services.makeSensorPort = velmar::MakeQtLinePort;
  services.ports = ports;

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
