// SPDX-License-Identifier: GPL-3.0-or-later
#include "Caption.h"

#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>

namespace velmar {
namespace {

constexpr int kGap = 2;  // pixels kept free before the neighbour
constexpr double kSmallestPoints = 6.0;
constexpr double kShrinkStep = 0.25;
constexpr int kLineEditMargin = 2;  // QLineEdit's own, inside its frame, each side

}  // namespace

void FitCaption(QLabel* label, const QRect& rect, int limit) {
  for (;;) {
    const QSize hint = label->sizeHint();
    const int width = std::max(rect.width(), hint.width());
    const int height = std::max(rect.height(), hint.height());
    const int left = std::min(rect.left(), limit - kGap - width);
    QFont font = label->font();
    if (left >= 0 || font.pointSizeF() <= kSmallestPoints) {
      // A taller caption grows about its middle, so it stays level with its neighbour.
      label->setGeometry(std::max(left, 0), rect.top() - (height - rect.height()) / 2, width,
                         height);
      return;
    }
    font.setPointSizeF(font.pointSizeF() - kShrinkStep);
    label->setFont(font);
  }
}

void FitBox(QLineEdit* box, const QStringList& texts) {
  QStyleOptionFrame option;
  option.initFrom(box);
  option.rect = box->rect();
  option.lineWidth =
      box->hasFrame() ? box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box) : 0;
  const QRect inside = box->style()
                           ->subElementRect(QStyle::SE_LineEditContents, &option, box)
                           .marginsRemoved(box->textMargins());
  int widest = 0;
  for (const QString& text : texts)
    widest = std::max(widest, box->fontMetrics().horizontalAdvance(text));
  const int width = box->width() - inside.width() + 2 * kLineEditMargin + widest + 1;
  if (width > box->width()) box->resize(width, box->height());
}

}  // namespace velmar
