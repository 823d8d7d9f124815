// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <initializer_list>

#include "protocol/Commands.h"

namespace velmar::testing {

inline QByteArray Bytes(std::initializer_list<int> values) {
  QByteArray out;
  for (int v : values) out.append(char(v));
  return out;
}

// The frames the program sends and the replies an ESC gives, by name.
inline const QByteArray kPoll = Bytes({0x51, 0x4B, 0x00});
inline const QByteArray kSpeed = Bytes({0x51, 0x4B, 0x05});
inline const auto Read = [](int number) { return Bytes({0x51, 0x4B, 0x02, number}); };
inline const auto Write = [](int number, int wire) {
  return Bytes({0x51, 0x4B, 0x03, number, wire});
};
inline const auto Throttle = [](int value) { return Bytes({0x51, 0x4B, 0x04, value}); };

inline const QByteArray kY = Bytes({0x59});
inline const auto Y = [](int value) { return Bytes({0x59, value}); };
inline const auto SpeedReply = [](int period) {
  return Bytes({0x59, period & 0xFF, (period >> 8) & 0xFF, (period >> 16) & 0xFF});
};

// An ESC (hardware 8250, firmware 1012) with its settings (wire values by setting number) that
// answers every frame.
inline const QByteArray kDefaults = Bytes({2, 1, 2, 2, 1});
inline QByteArray EscAnswer(const QByteArray& frame, const QByteArray& settings = kDefaults) {
  if (frame[2] == ReqIdentify) return Bytes({0x59, 0x3A, 0x20, 0xF4, 0x03});
  if (frame[2] == ReqReadSetting) return Y(settings[frame[3]]);
  if (frame[2] == ReqWriteSetting) return Y(frame[4]);
  return frame[2] == ReqSpeed ? SpeedReply(1000) : kY;
}

}  // namespace velmar::testing
