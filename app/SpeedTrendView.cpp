// SPDX-License-Identifier: GPL-3.0-or-later
#include "SpeedTrendView.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace velmar {

SpeedTrendView::SpeedTrendView(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void SpeedTrendView::Add(std::chrono::milliseconds at, int32_t rpm) {
  m_trend.Add(at, rpm);
  update();
}

void SpeedTrendView::Clear() {
  m_trend.Clear();
  update();
}

void SpeedTrendView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRectF plot = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  p.fillRect(rect(), palette().base());
  p.setPen(palette().color(QPalette::Mid));
  p.drawRect(plot);

  // The scale and the span on the left, where the oldest points are; the newest
  // point at the right edge.
  const int32_t scale = m_trend.Scale();
  p.setPen(palette().color(QPalette::PlaceholderText));
  p.drawText(plot.adjusted(3, 1, -3, -1), Qt::AlignLeft | Qt::AlignTop, tr("%1 r/min").arg(scale));
  p.drawText(plot.adjusted(3, 1, -3, -1), Qt::AlignLeft | Qt::AlignBottom,
             tr("last %1 s").arg(SpeedTrend::kSpan.count() / 1000));
  const auto& points = m_trend.Points();
  if (points.empty()) return;

  const auto newest = points.back().at;
  const double span = double(SpeedTrend::kSpan.count());
  QPainterPath path;
  for (const SpeedTrend::Point& point : points) {
    const double x = plot.right() - plot.width() * double((newest - point.at).count()) / span;
    const double y = plot.bottom() - plot.height() * double(point.rpm) / scale;
    if (path.elementCount() == 0)
      path.moveTo(x, y);
    else
      path.lineTo(x, y);
  }
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(palette().color(QPalette::Highlight), 1.5));
  p.drawPath(path);
}

}  // namespace velmar
