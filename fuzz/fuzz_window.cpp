// SPDX-License-Identifier: GPL-3.0-or-later
// The whole window driven by fuzzed input: bytes on the line in fuzzed pieces,
// the clock moved by fuzzed spans, and the user's actions in between.
#include <fuzzer/FuzzedDataProvider.h>

#include <QApplication>

#include "fuzz/Rig.h"

extern "C" int LLVMFuzzerInitialize(int*, char*** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;  // Qt takes the arguments it knows out of argv: it gets its own
  static QApplication app(argc, *argv);
  velmar::Rig warmUp;  // fonts and styles load once, not inside a run
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  velmar::Rig rig;
  while (in.remaining_bytes() > 0) {
    const int what = in.ConsumeIntegralInRange(0, 2 + int(velmar::Rig::kActions));
    if (what == 0)
      rig.port.Deliver(QByteArray::fromStdString(
          in.ConsumeBytesAsString(1 + in.ConsumeIntegral<uint8_t>() % 8)));
    else if (what <= 2)
      rig.Advance(std::chrono::milliseconds(in.ConsumeIntegralInRange(0, 400)));
    else
      rig.User(velmar::Rig::Action(what - 3), in.ConsumeIntegral<uint8_t>());
    rig.Check();
  }
  return 0;
}
