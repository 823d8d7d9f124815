// SPDX-License-Identifier: GPL-3.0-or-later
#include "WheelGuard.h"

#include <QEvent>
#include <QWidget>

namespace velmar {
namespace {

class WheelNeedsFocus final : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Wheel) return false;
    const auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->hasFocus()) return false;
    event->ignore();
    return true;
  }
};

}  // namespace

void IgnoreWheelUnlessFocused(QWidget* control) {
  // A list's default focus policy takes the focus from the wheel before any filter runs.
  control->setFocusPolicy(Qt::StrongFocus);
  control->installEventFilter(new WheelNeedsFocus(control));
}

}  // namespace velmar
