// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QtMath>

namespace velmar {

QIcon AppIcon() {
  constexpr int kSize = 48;
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);

  // Body: a rounded square in deep blue.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x1F, 0x3A, 0x5F));
  p.drawRoundedRect(QRectF(1, 1, kSize - 2, kSize - 2), 9, 9);

  // Three coils, 120 degrees apart, in copper.
  const QPointF centre(kSize / 2.0, kSize / 2.0);
  p.setBrush(QColor(0xE0, 0x8A, 0x3C));
  for (int i = 0; i < 3; ++i) {
    p.save();
    p.translate(centre);
    p.rotate(i * 120.0 - 90.0);
    p.drawRoundedRect(QRectF(12, -5, 9, 10), 2, 2);
    p.restore();
  }

  // The rotor with a magnet mark.
  p.setBrush(QColor(0xF2, 0xF2, 0xF2));
  p.drawEllipse(centre, 9.5, 9.5);
  p.setBrush(QColor(0xC8, 0x32, 0x32));
  QPainterPath half;
  half.moveTo(centre);
  half.arcTo(QRectF(centre.x() - 9.5, centre.y() - 9.5, 19, 19), 90, 180);
  half.closeSubpath();
  p.drawPath(half);
  p.end();
  return QIcon(pixmap);
}

}  // namespace velmar
