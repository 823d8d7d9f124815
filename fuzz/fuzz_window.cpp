// The whole window driven by fuzzed input: bytes on the line in fuzzed pieces,
// the clock moved by fuzzed spans, and the user's actions in between.
#include <fuzzer/FuzzedDataProvider.h>

#include <QApplication>

#include "fuzz/Rig.h"

extern "C" int LLVMFuzzerInitialize(int*, char*** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // Qt takes the arguments it knows out of argv: it gets its own copy.
  static int argc = 1;
  static char* args[] = {(*argv)[0], nullptr};
  static QApplication app(argc, args);
  velmar::Rig warmUp;  // fonts and styles load once, not inside a run
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  velmar::Rig rig;
  while (in.remaining_bytes() > 0) {
    const int what = in.ConsumeIntegralInRange(0, 2 + int(velmar::Rig::kActions));
    if (what == 0) {
      const int count = in.ConsumeIntegralInRange(1, 8);
      rig.Deliver(QByteArray::fromStdString(in.ConsumeBytesAsString(count)));
    } else if (what <= 2) {
      rig.Advance(std::chrono::milliseconds(in.ConsumeIntegralInRange(0, 400)));
    } else {
      rig.User(velmar::Rig::Action(what - 3), in.ConsumeIntegral<uint8_t>());
    }
  }
  return 0;
}
