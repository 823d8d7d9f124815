// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "cli/CommandLine.h"
#include "cli/CommandServices.h"
#include "formats/BenchResult.h"

namespace velmar {

// Writes a picture of a run's curve of `y`, with an earlier result beside it when given, to a
// file; false with a message naming the file in *error.
using BenchPlotter = std::function<bool(const BenchResult& run, const BenchResult* compare,
                                        const QString& compareFile, const QString& path,
                                        QString* error, BenchQuantity y)>;

// bench's exit statuses beyond 0 (the script ran to its end) and kBadUsage (nothing sent).
inline constexpr int kBenchStopped = 1;          // stopped early, the stop confirmed
inline constexpr int kBenchStopUnconfirmed = 3;  // the motor may still be running

// bench: runs a bench-run script on one ESC without a window. The result CSV gets a row per
// step, and standard output a line (or a JSON line) per step as it ends; the curve is pictured
// when asked.
class BenchCommand : public QObject {
  Q_OBJECT

 public:
  BenchCommand(const CommandLine& line, CommandServices services, BenchPlotter plot);
  ~BenchCommand() override;

  // Checks the command line and the files, opens the port and runs once the ESC answers;
  // `finished` follows, perhaps at once. A bad script or file, or an output that names an
  // input, ends it with kBadUsage before any port is touched.
  void Start();
  // Stops the run for `reason` through the session's stop; `finished` follows once the ESC
  // has acknowledged the 0, or the link has given up on it. Before Start() it is kept for it.
  void Stop(const QString& reason);

 signals:
  void finished(int exitStatus);

 private:
  struct Running;
  bool Refused(const QString& why);
  void StepDone(const StepResult& row);
  void ShowProgress();
  void RunFinished(const BenchResult& result);
  void Out(const QByteArray& line);

  CommandLine m_line;
  CommandServices m_services;
  BenchPlotter m_plot;
  std::unique_ptr<Running> m_running;
  QString m_stopped;  // a stop asked for before the run could start
  bool m_progressShown = false;
};

}  // namespace velmar
