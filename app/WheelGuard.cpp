// SPDX-License-Identifier: GPL-3.0-or-later
#include "WheelGuard.h"

#include <QComboBox>
#include <QEvent>

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

void IgnoreWheelUnlessFocused(QComboBox* list) {
  // A list's default focus policy takes the focus from the wheel before any filter runs.
  list->setFocusPolicy(Qt::StrongFocus);
  list->installEventFilter(new WheelNeedsFocus(list));
}

}  // namespace velmar
