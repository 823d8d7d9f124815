// SPDX-License-Identifier: GPL-3.0-or-later
#include "PoleScrollBar.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QWheelEvent>

namespace velmar {

PoleScrollBar::PoleScrollBar(QWidget* parent) : QScrollBar(Qt::Vertical, parent) {
  setInvertedAppearance(true);
  setFocusPolicy(Qt::StrongFocus);
  connect(this, &QAbstractSlider::actionTriggered, this, &PoleScrollBar::TurnStep);
}

void PoleScrollBar::TurnStep(int action) {
  // The action has moved the position already; its value is still the old one.
  int step = 0;
  switch (action) {
    case SliderSingleStepAdd:
      step = -singleStep();
      break;
    case SliderSingleStepSub:
      step = singleStep();
      break;
    case SliderPageStepAdd:
      step = -pageStep();
      break;
    case SliderPageStepSub:
      step = pageStep();
      break;
    default:
      return;
  }
  setSliderPosition(value() + step);
}

void PoleScrollBar::wheelEvent(QWheelEvent* event) {
  QWheelEvent turned(event->position(), event->globalPosition(), -event->pixelDelta(),
                     -event->angleDelta(), event->buttons(), event->modifiers(), event->phase(),
                     event->inverted(), event->source());
  QScrollBar::wheelEvent(&turned);
  event->setAccepted(turned.isAccepted());
}

void PoleScrollBar::paintEvent(QPaintEvent* event) {
  QScrollBar::paintEvent(event);
  // The style shows no focus on a scroll bar, yet this one takes the keys: frame it as the
  // style frames other controls' focus.
  if (!hasFocus()) return;
  QStyleOptionFocusRect option;
  option.initFrom(this);
  option.backgroundColor = palette().color(QPalette::Window);
  QPainter painter(this);
  style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}

}  // namespace velmar
