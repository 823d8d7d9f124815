// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchChart.h"

#include <QChartView>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QScatterSeries>
#include <QSvgGenerator>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace velmar {
namespace {

// The throttle scale runs from stop to the ESC's full throttle.
constexpr int kFullThrottle = 200;
const QColor kRunColour(0x1f, 0x6f, 0xb4);
const QColor kCompareColour(0xd9, 0x6c, 0x06);
const QColor kSpeedColour(0x70, 0x70, 0x70);  // r/min beside another quantity
// The throttle axis runs this far past full throttle, so that the last step's point is whole.
constexpr double kThrottleOverhang = 4;
// Half the width of a bar's end caps, in throttle units.
constexpr double kCapHalfWidth = 1.6;
// The smallest scale of each quantity, so that a run that has not moved yet still gets a sensible
// one: r/min, g, A, W, g/W.
constexpr double kMinScale[] = {1000, 100, 10, 100, 1};

// The scale's top: a little above the largest value, on the finest round tick interval that
// leaves at most eight intervals.
struct Scale {
  double top;
  double interval;
};
Scale MakeScale(double largest, double minScale) {
  // A file's nonsense must not leave the axis without a range.
  const double wanted = std::isfinite(largest) ? std::max(largest * 1.04, minScale) : minScale;
  const double raw = wanted / 8;
  const double magnitude = std::pow(10, std::floor(std::log10(raw)));
  double step = magnitude * 10;
  for (const double f : {1.0, 2.0, 2.5, 5.0}) {
    if (f * magnitude >= raw) {
      step = f * magnitude;
      break;
    }
  }
  return {std::ceil(wanted / step) * step, step};
}

// The largest value of the quantity, and the smallest below 0 (a thrust less than its zero).
std::pair<double, double> Extent(const BenchResult& run, BenchQuantity y) {
  double largest = 0, lowest = 0;
  for (const auto& s : run.steps) {
    const double v = QuantityOf(s, y).value_or(0);
    largest = std::max({largest, v, y == BenchQuantity::Rpm ? double(s.rpmMax) : 0.0});
    lowest = std::min(lowest, v);
  }
  return {largest, lowest};
}

// One run: its means as a line with hollow points, so that the bar behind each stays readable,
// and for r/min on its own axis each step's range as a capped bar. Only the line appears in the
// legend.
void AddRun(QChart& chart, const BenchResult& run, BenchQuantity quantity, const QString& name,
            const QColor& colour, Qt::PenStyle style, QValueAxis* x, QValueAxis* y,
            bool bars = true) {
  const auto attach = [&](QXYSeries* series, bool inLegend) {
    chart.addSeries(series);
    series->attachAxis(x);
    series->attachAxis(y);
    for (auto* marker : chart.legend()->markers(series)) marker->setVisible(inLegend);
  };
  auto* mean = new QLineSeries;
  mean->setName(name);
  QPen pen(colour, 2, style);
  pen.setCapStyle(Qt::RoundCap);
  mean->setPen(pen);
  auto* points = new QScatterSeries;
  points->setMarkerShape(QScatterSeries::MarkerShapeCircle);
  points->setMarkerSize(8);
  points->setPen(QPen(colour, 2));
  points->setBrush(Qt::white);
  attach(mean, true);
  for (const auto& s : run.steps) {
    const std::optional<double> value = QuantityOf(s, quantity);
    if (!value) continue;
    mean->append(s.throttle, *value);
    points->append(s.throttle, *value);
    if (quantity != BenchQuantity::Rpm || !bars) continue;
    auto* bar = new QLineSeries;
    const double t = s.throttle;
    bar->append({{t - kCapHalfWidth, double(s.rpmMin)},
                 {t + kCapHalfWidth, double(s.rpmMin)},
                 {t, double(s.rpmMin)},
                 {t, double(s.rpmMax)},
                 {t - kCapHalfWidth, double(s.rpmMax)},
                 {t + kCapHalfWidth, double(s.rpmMax)}});
    bar->setPen(QPen(colour, 1.4));
    attach(bar, false);
  }
  attach(points, false);
}

// An axis from 0 with a label every `interval`; it runs on to `end`, which may lie a little past
// the last label so that a point there is drawn whole.
QValueAxis* MakeAxis(const QString& title, double interval, double end, double start = 0) {
  auto* axis = new QValueAxis;
  axis->setTitleText(title);
  axis->setRange(start, end);
  axis->setTickType(QValueAxis::TicksDynamic);
  axis->setTickAnchor(0);
  axis->setTickInterval(interval);
  axis->setLabelFormat(interval < 1 ? QStringLiteral("%.1f") : QStringLiteral("%d"));
  axis->setGridLineColor(QColor(0xdd, 0xdd, 0xdd));
  axis->setMinorTickCount(0);
  return axis;
}

// Paints the chart at kBenchChartSize onto a device the painter is opened on.
void Paint(QChart& chart, QPainter& painter) {
  painter.setRenderHint(QPainter::Antialiasing);
  QGraphicsScene scene;
  scene.addItem(&chart);
  const QRectF area(QPointF(0, 0), QSizeF(kBenchChartSize));
  chart.setGeometry(area);
  chart.layout()->activate();
  scene.setSceneRect(area);
  scene.render(&painter, area, area);
  scene.removeItem(&chart);
}

}  // namespace

QString AxisTitle(BenchQuantity quantity) {
  switch (quantity) {
    case BenchQuantity::Thrust:
      return BenchChartWindow::tr("Thrust (g)");
    case BenchQuantity::Current:
      return BenchChartWindow::tr("Current (A)");
    case BenchQuantity::Power:
      return BenchChartWindow::tr("Power (W)");
    case BenchQuantity::GPerW:
      return BenchChartWindow::tr("Efficiency (g/W)");
    default:
      return BenchChartWindow::tr("r/min");
  }
}

std::unique_ptr<QChart> MakeBenchChart(const BenchResult& run, const BenchResult* compare,
                                       const QString& compareFile, BenchQuantity quantity) {
  auto chart = std::make_unique<QChart>();
  const bool rpm = quantity == BenchQuantity::Rpm;
  const bool rpmRight = !rpm && Holds(run, BenchQuantity::Rpm);
  if (compare && !Holds(*compare, quantity)) compare = nullptr;
  QString title = rpm ? BenchChartWindow::tr("Mean speed per step; bars from min to max")
                      : BenchChartWindow::tr("Mean per step: %1").arg(AxisTitle(quantity));
  if (rpmRight) title = BenchChartWindow::tr("%1; r/min on the right").arg(title);
  // The reason comes from a result file as well, so it is shown as text, never as markup.
  if (!run.stopped.isEmpty())
    title =
        QStringLiteral("<center>%1<br>%2</center>")
            .arg(
                title,
                BenchChartWindow::tr("The run stopped early: %1").arg(run.stopped.toHtmlEscaped()));
  chart->setTitle(title);
  chart->setAnimationOptions(QChart::NoAnimation);
  chart->setBackgroundRoundness(0);
  chart->setMargins(QMargins(6, 6, 12, 6));
  chart->legend()->setAlignment(Qt::AlignBottom);
  chart->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);

  auto [largest, lowest] = Extent(run, quantity);
  if (compare) {
    const auto [cl, cw] = Extent(*compare, quantity);
    largest = std::max(largest, cl);
    lowest = std::min(lowest, cw);
  }
  const Scale scale = MakeScale(largest, kMinScale[int(quantity)]);
  // Below 0 by whole intervals, so that the ticks stay on round values.
  const double bottom =
      std::isfinite(lowest) ? -std::ceil(-lowest / scale.interval) * scale.interval : 0;
  auto* x = MakeAxis(BenchChartWindow::tr("Throttle"), 20, kFullThrottle + kThrottleOverhang);
  auto* y = MakeAxis(AxisTitle(quantity), scale.interval, scale.top, bottom);
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  // The legend lists the series in the order they are added: this run first.
  AddRun(*chart, run, quantity, BenchChartWindow::tr("This run"), kRunColour, Qt::SolidLine, x, y);
  if (compare) {
    // The legend reads its names as markup; a file's name is only text.
    const QString file = QFileInfo(compareFile).fileName().toHtmlEscaped();
    QString name = file.isEmpty() ? BenchChartWindow::tr("Compared run")
                                  : BenchChartWindow::tr("Compared: %1").arg(file);
    // A result that ends without saying how was cut off: its curve may stop short.
    if (compare->interrupted) name = BenchChartWindow::tr("%1 (interrupted)").arg(name);
    AddRun(*chart, *compare, quantity, name, kCompareColour, Qt::DashLine, x, y);
  }
  if (rpmRight) {
    const Scale speed = MakeScale(Extent(run, BenchQuantity::Rpm).first, kMinScale[0]);
    auto* right = MakeAxis(AxisTitle(BenchQuantity::Rpm), speed.interval, speed.top);
    right->setGridLineVisible(false);
    chart->addAxis(right, Qt::AlignRight);
    AddRun(*chart, run, BenchQuantity::Rpm, BenchChartWindow::tr("This run: r/min"), kSpeedColour,
           Qt::DotLine, x, right, false);
  }
  return chart;
}

bool RenderBenchChart(const BenchResult& run, const BenchResult* compare,
                      const QString& compareFile, const QString& path, QString* error,
                      BenchQuantity y) {
  const auto fail = [&](const QString& why) {
    if (error) *error = QStringLiteral("%1: %2").arg(path, why);
    return false;
  };
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix != QLatin1String("png") && suffix != QLatin1String("svg"))
    return fail(QStringLiteral("a picture's name ends in .png or .svg"));
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return fail(file.errorString());
  const auto chart = MakeBenchChart(run, compare, compareFile, y);
  if (suffix == QLatin1String("png")) {
    QImage image(kBenchChartSize, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    Paint(*chart, painter);
    painter.end();
    if (!image.save(&file, "PNG")) return fail(file.errorString());
  } else {
    QSvgGenerator svg;
    svg.setOutputDevice(&file);
    svg.setSize(kBenchChartSize);
    svg.setViewBox(QRect(QPoint(0, 0), kBenchChartSize));
    svg.setTitle(QStringLiteral("Bench run"));
    // The PNG's resolution, so that the fonts' point sizes come out the same size in both.
    svg.setResolution(QImage(1, 1, QImage::Format_RGB32).logicalDpiX());
    QPainter painter(&svg);
    Paint(*chart, painter);
    painter.end();
  }
  if (!file.commit()) return fail(file.errorString());
  return true;
}

BenchChartWindow::BenchChartWindow(BenchResultLoader load, QWidget* parent)
    : QWidget(parent, Qt::Window), m_load(std::move(load)) {
  setWindowTitle(tr("Bench run"));
  m_view = new QChartView(this);
  m_view->setRenderHint(QPainter::Antialiasing);
  m_view->setMinimumSize(480, 300);
  m_quantities = new QComboBox(this);
  m_quantities->setObjectName(QStringLiteral("CombQuantity"));
  auto* curve = new QLabel(tr("C&urve:"), this);
  curve->setBuddy(m_quantities);
  connect(m_quantities, &QComboBox::activated, this, [this](int index) {
    m_quantity = BenchQuantity(m_quantities->itemData(index).toInt());
    m_picked = true;
    Redraw();
  });
  auto* compare = m_compareButton = new QPushButton(tr("&Compare with…"), this);
  auto* exportButton = m_exportButton = new QPushButton(tr("&Export…"), this);
  connect(compare, &QPushButton::clicked, this, [this] { CompareClicked(); });
  connect(exportButton, &QPushButton::clicked, this, [this] { ExportClicked(); });
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(curve);
  buttons->addWidget(m_quantities);
  buttons->addStretch();
  buttons->addWidget(compare);
  buttons->addWidget(exportButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_view, 1);
  layout->addLayout(buttons);
  resize(kBenchChartSize + QSize(24, 60));
  OfferQuantities();
  Redraw();
}

void BenchChartWindow::SetRun(const BenchResult& run) {
  m_run = run;
  OfferQuantities();
  Redraw();
}

void BenchChartWindow::OfferQuantities() {
  if (!m_picked)
    m_quantity = Holds(m_run, BenchQuantity::Thrust) ? BenchQuantity::Thrust : BenchQuantity::Rpm;
  const QSignalBlocker quiet(m_quantities);
  m_quantities->clear();
  for (const BenchQuantity q : kBenchQuantities)
    if (q == BenchQuantity::Rpm || Holds(m_run, q) || (m_compare && Holds(*m_compare, q)))
      m_quantities->addItem(AxisTitle(q), int(q));
  const int shown = m_quantities->findData(int(m_quantity));
  if (shown < 0) m_quantity = BenchQuantity::Rpm;
  m_quantities->setCurrentIndex(std::max(shown, 0));
}

bool BenchChartWindow::CompareWith(const QString& path) {
  QString error;
  std::optional<BenchResult> loaded = m_load ? m_load(path, &error) : std::nullopt;
  if (!loaded) {
    WarnPlain(this, windowTitle(), error);
    return false;
  }
  m_compare = std::move(loaded);
  m_compareFile = path;
  OfferQuantities();
  Redraw();
  return true;
}

bool BenchChartWindow::Export(const QString& path) {
  QString error;
  if (RenderBenchChart(m_run, m_compare ? &*m_compare : nullptr, m_compareFile, path, &error,
                       m_quantity))
    return true;
  WarnPlain(this, windowTitle(), error);
  return false;
}

QChart* BenchChartWindow::Chart() const {
  return m_view->chart();
}

void BenchChartWindow::SetRunning(bool running) {
  m_compareButton->setEnabled(!running);
  m_exportButton->setEnabled(!running);
}

void WarnPlain(QWidget* parent, const QString& title, const QString& text) {
  QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

void BenchChartWindow::Redraw() {
  QChart* old = m_view->chart();
  m_view->setChart(
      MakeBenchChart(m_run, m_compare ? &*m_compare : nullptr, m_compareFile, m_quantity)
          .release());
  delete old;
}

void BenchChartWindow::CompareClicked() {
  const QString path = QFileDialog::getOpenFileName(this, tr("Compare with a bench result"),
                                                    QFileInfo(m_compareFile).path(),
                                                    tr("Bench results (*.csv);;All files (*)"));
  if (!path.isEmpty()) CompareWith(path);
}

void BenchChartWindow::ExportClicked() {
  QString filter;
  QString path =
      QFileDialog::getSaveFileName(this, tr("Export the chart"), QStringLiteral("bench-run.png"),
                                   tr("PNG picture (*.png);;SVG drawing (*.svg)"), &filter);
  if (path.isEmpty()) return;
  // A name typed without a suffix takes the one of the chosen kind.
  if (QFileInfo(path).suffix().isEmpty())
    path +=
        filter.contains(QLatin1String("*.svg")) ? QStringLiteral(".svg") : QStringLiteral(".png");
  Export(path);
}

}  // namespace velmar
