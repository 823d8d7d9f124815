// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QWidget>

#include "device/SpeedTrend.h"

namespace velmar {

// The trend drawn in a strip of the Run page. It takes no focus and no input.
class SpeedTrendView final : public QWidget {
  Q_DECLARE_TR_FUNCTIONS(velmar::SpeedTrendView)

 public:
  explicit SpeedTrendView(QWidget* parent = nullptr);

  const SpeedTrend& Trend() const { return m_trend; }
  void Add(std::chrono::milliseconds at, int32_t rpm);
  void Clear();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  SpeedTrend m_trend;
};

}  // namespace velmar
