// SPDX-License-Identifier: GPL-3.0-or-later
// The bench sensor's line reader on fuzzed bytes, fed in pieces the input chooses: every
// sample it gives carries a known quantity, each finite and stamped when its line completed;
// a line is a sample or skipped or empty, never more than one of them.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "device/SensorLine.h"

static void Require(bool holds, const char* rule) {
  if (!holds) std::fprintf(stderr, "broken: %s\n", rule), std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velmar;
  SensorLineReader reader;
  std::vector<SensorSample> samples;
  size_t lines = 0;
  // The first byte of each piece says how long the piece is.
  for (size_t at = 0; at < size; ++at) {
    const size_t length = std::min<size_t>(data[at] % 64, size - at - 1);
    const QByteArrayView piece(reinterpret_cast<const char*>(data + at + 1), qsizetype(length));
    lines += size_t(std::count(piece.begin(), piece.end(), '\n'));
    const size_t before = samples.size();
    reader.Feed(piece, std::chrono::milliseconds(at), &samples);
    for (size_t i = before; i < samples.size(); ++i) {
      const SensorSample& s = samples[i];
      Require(s.at.count() == qint64(at), "stamped with the piece that completed its line");
      Require(s.thrust || s.torque || s.current || s.voltage, "a sample carries a quantity");
      for (const auto& v : {s.thrust, s.torque, s.current, s.voltage})
        Require(!v || std::isfinite(*v), "every value finite");
    }
    at += length;
  }
  Require(samples.size() + size_t(reader.Skipped()) <= lines, "a line is one sample at most");
  return 0;
}
