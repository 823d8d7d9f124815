// SPDX-License-Identifier: GPL-3.0-or-later
#include "Record.h"

#include <chrono>
#include <cstdio>

namespace velmar::sim {
namespace {

void AppendHex(std::string& out, const Bytes& bytes) {
  for (const auto byte : bytes) {
    char hex[4];
    std::snprintf(hex, sizeof hex, " %02X", static_cast<unsigned>(byte));
    out += hex;
  }
}

const char* KindName(Record::Kind kind) {
  switch (kind) {
    case Record::Kind::kRx:
      return "rx";
    case Record::Kind::kTx:
      return "tx";
    case Record::Kind::kEvent:
      return "event";
  }
  return "event";
}

}  // namespace

Record EventRecord(Time at, std::string text, Bytes bytes) {
  return Record{at, Record::Kind::kEvent, std::move(text), std::move(bytes)};
}

std::string FormatRecord(const Record& record) {
  const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(record.at).count();
  std::string line = std::to_string(micros) + ' ' + KindName(record.kind);
  if (!record.text.empty()) line += ' ' + record.text;
  AppendHex(line, record.bytes);
  return line;
}

}  // namespace velmar::sim
