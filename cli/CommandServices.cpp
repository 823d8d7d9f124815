// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandServices.h"

#include <QElapsedTimer>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <unistd.h>
#else
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#endif

#include "cli/CommandLine.h"
#include "link/QtSerialPort.h"

namespace velmar {

CommandServices CommandServices::Program() {
  auto sinceStart = std::make_shared<QElapsedTimer>();
  sinceStart->start();
  CommandServices services;
  services.makePort = [](const PortMap& ports) -> std::unique_ptr<SerialPort> {
    auto port = std::make_unique<QtSerialPort>(ports);
    port->SayOpenFailures(false);  // the command says it, with what it was doing
    return port;
  };
  services.makeTimer = [](std::chrono::milliseconds interval) {
    return std::make_unique<QtOneShotTimer>(interval);
  };
  services.makeSensorPort = MakeQtLinePort;
  services.now = [sinceStart] { return std::chrono::milliseconds(sinceStart->elapsed()); };
  services.out = [](const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
  };
  services.say = [](const QString& line) { Say(line); };
  services.terminal = ::isatty(::fileno(stdout)) == 1;
  return services;
}

}  // namespace velmar
