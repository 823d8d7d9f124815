#include "Caption.h"

#include <QLabel>
#include <algorithm>

namespace velmar {
namespace {

constexpr int kGap = 2;  // pixels kept free before the neighbour
constexpr double kSmallestPoints = 6.0;
constexpr double kShrinkStep = 0.25;

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

}  // namespace velmar
