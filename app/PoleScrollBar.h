// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QScrollBar>

namespace velmar {

// A vertical scroll bar with its larger values at the top: the upper arrow,
// the Up key, a click in the track above the thumb and the wheel turned away
// all raise the value. A plain scroll bar's arrows and wheel step towards its
// ends whatever way round it is drawn, so their steps are turned round here.
class PoleScrollBar final : public QScrollBar {
 public:
  explicit PoleScrollBar(QWidget* parent = nullptr);

 protected:
  void wheelEvent(QWheelEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void TurnStep(int action);
};

}  // namespace velmar
