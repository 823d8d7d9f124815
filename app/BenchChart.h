// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QChart>
#include <QCoreApplication>
#include <QSize>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "formats/BenchResult.h"

class QChartView;
class QComboBox;
class QPushButton;

namespace velmar {

// The size of a picture written of a bench run, in the window's Export and on the command line.
inline constexpr QSize kBenchChartSize(800, 500);

// A bench run's curve of `y` against throttle: each step's mean as a point on a line, for r/min
// with a bar from its slowest to its fastest reply. A second run, when given and holding `y`, is
// drawn beside it in another colour and named after its file. For another quantity the run's
// r/min, where it has it, goes on a second axis on the right. The caller owns the chart.
std::unique_ptr<QChart> MakeBenchChart(const BenchResult& run, const BenchResult* compare,
                                       const QString& compareFile = {},
                                       BenchQuantity y = BenchQuantity::Rpm);
// The quantity's axis title with its unit, "Thrust (g)".
QString AxisTitle(BenchQuantity quantity);

// Writes the chart as a PNG or SVG picture of kBenchChartSize, chosen by the path's suffix, and
// replaces the file only once the whole picture is written. On failure returns false with a
// message naming the file in *error. Needs a QApplication, not a display.
bool RenderBenchChart(const BenchResult& run, const BenchResult* compare,
                      const QString& compareFile, const QString& path, QString* error,
                      BenchQuantity y = BenchQuantity::Rpm);

// Reads a bench result CSV; on failure returns nothing with a message in *error.
using BenchResultLoader =
    std::function<std::optional<BenchResult>(const QString& path, QString* error)>;

// A window with a bench run's chart, which follows the run while it progresses, can lay another
// run's result beside it and writes the picture to a file. It offers the curves the run or the
// compared result hold, and opens on thrust when the run has it.
class BenchChartWindow final : public QWidget {
  Q_DECLARE_TR_FUNCTIONS(velmar::BenchChartWindow)

 public:
  explicit BenchChartWindow(BenchResultLoader load, QWidget* parent = nullptr);

  // The run's steps so far; called again as each step completes.
  void SetRun(const BenchResult& run);
  // Loads the result at `path` and draws it beside the run; a file that cannot be read is
  // reported in a message box and the chart stays as it was.
  bool CompareWith(const QString& path);
  // Writes the picture; a failure is reported in a message box.
  bool Export(const QString& path);

  QChart* Chart() const;
  BenchQuantity Quantity() const { return m_quantity; }
  // While a run drives the motor no dialog opens here: Compare and Export wait for its end.
  void SetRunning(bool running);

 private:
  void Redraw();
  void OfferQuantities();
  void CompareClicked();
  void ExportClicked();

  BenchResultLoader m_load;
  BenchResult m_run;
  std::optional<BenchResult> m_compare;
  QString m_compareFile;
  BenchQuantity m_quantity = BenchQuantity::Rpm;
  bool m_picked = false;  // the user chose the curve: a new step does not change it
  QChartView* m_view = nullptr;
  QComboBox* m_quantities = nullptr;
  QPushButton* m_compareButton = nullptr;
  QPushButton* m_exportButton = nullptr;
};

// A warning whose text may quote a file: shown as text, never as markup.
void WarnPlain(QWidget* parent, const QString& title, const QString& text);

}  // namespace velmar
