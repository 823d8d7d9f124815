// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/LinePort.h"

namespace velmar::testing {

// A sensor port the test feeds: bytes wait until read, as on a real port; an open can
// be made to fail and the device to vanish.
class FedLinePort final : public LinePort {
 public:
  bool Open(QString* why) override {
    if (!openFails.isEmpty()) {
      *why = openFails;
      return false;
    }
    return open = true;
  }
  void Close() override { open = false; }
  QByteArray Read(qint64 limit) override {
    const QByteArray out = waiting.left(limit);
    waiting.remove(0, out.size());
    return out;
  }
  qint64 BytesWaiting() const override { return waiting.size(); }

  void Feed(const QByteArray& bytes) {
    waiting += bytes;
    emit readyRead();
  }
  void Vanish() {
    open = false;
    emit lost();
  }

  QByteArray waiting;
  QString openFails;
  bool open = false;
};

}  // namespace velmar::testing
