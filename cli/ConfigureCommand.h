// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <list>
#include <optional>

#include "cli/CommandLine.h"
#include "cli/CommandServices.h"
#include "formats/SettingsFile.h"

namespace velmar {

struct ConfiguredEsc;

// read, save, apply (or its dry run) and ports: one session a port, all at the same time, no
// window, on the services it is given.
class ConfigureCommand : public QObject {
  Q_OBJECT

 public:
  ConfigureCommand(const CommandLine& line, CommandServices services);
  ~ConfigureCommand() override;

  // Reads the file, opens the ports and starts every ESC's job; `finished` follows, perhaps at
  // once.
  void Start();
  // Ends every unfinished ESC as lost; `finished` then reports what there is.
  void Stop();

 signals:
  // The results are printed; the program exits with `exitStatus`.
  void finished(int exitStatus);

 private:
  void ListPorts();
  void Finish();

  CommandLine m_line;
  CommandServices m_services;
  std::optional<SettingsFile> m_file;
  std::list<ConfiguredEsc> m_escs;
  int m_pending = 0;
  bool m_stopped = false;
  bool m_finished = false;
};

}  // namespace velmar
