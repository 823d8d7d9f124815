// SPDX-License-Identifier: GPL-3.0-or-later
#include "Commands.h"

#include <algorithm>

namespace velmar {

std::vector<uint8_t> BuildFrame(const CmdRecord& record) {
  const int params = std::clamp(record.TxLen - 1, 0, int(record.Param.size()) - 1);
  std::vector<uint8_t> frame;
  frame.reserve(2 + 1 + params);
  frame.push_back(kMagic1);
  frame.push_back(kMagic2);
  frame.push_back(record.Cmd);
  for (int i = 1; i <= params; ++i) frame.push_back(record.Param[i]);
  return frame;
}

std::vector<uint8_t> BuildFrame(const Command& command) {
  CmdRecord record;
  record.Cmd = command.code;
  record.TxLen = command.txLen;
  record.Param[1] = command.param1;
  record.Param[2] = command.param2;
  return BuildFrame(record);
}

}  // namespace velmar
