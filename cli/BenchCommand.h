// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "cli/CommandLine.h"
#include "formats/BenchResult.h"

namespace velmar {

// Writes a picture of a run's curve to a file; false with a message naming the file in *error.
using BenchPlotter =
    std::function<bool(const BenchResult& run, const QString& path, QString* error)>;

// bench: runs a bench-run script on one ESC without a window, writes the result
// CSV a row at a time, and pictures the curve when asked.
class BenchCommand {
 public:
  BenchCommand(const CommandLine& line, BenchPlotter plot);
  ~BenchCommand();

  // Runs to the end or until stopped and returns the exit status: 0 when the
  // run reached its end, 1 when it stopped early or found no ESC, kBadUsage for
  // a bad script or a result file that cannot be written. Needs a
  // QCoreApplication (a QApplication for --plot).
  int Run();
  // Stops the run for `reason`; Run() returns once the ESC has acknowledged the
  // throttle 0 (or failed to within a reply time).
  void Stop(const QString& reason);

 private:
  struct Running;
  CommandLine m_line;
  BenchPlotter m_plot;
  std::unique_ptr<Running> m_running;
  QString m_stopped;  // a stop before the run started
};

}  // namespace velmar
