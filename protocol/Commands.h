// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace velmar {

// The ESC's command set. Every request is "QK", a code and its parameters;
// every reply is "Y" and the data bytes of that code.
enum CommandCode : uint8_t {
  ReqPoll = 0,
  ReqIdentify = 1,
  ReqReadSetting = 2,
  ReqWriteSetting = 3,
  ReqThrottle = 4,
  ReqSpeed = 5,
};

inline constexpr uint8_t kMagic1 = 0x51;       // "Q"
inline constexpr uint8_t kMagic2 = 0x4B;       // "K"
inline constexpr uint8_t kReplyMarker = 0x59;  // "Y"

// One queued command with room for its reply. Param and Reply keep the
// numbering of the protocol: parameters Param[1]..Param[5] (Param[0] unused),
// reply bytes Reply[0]..Reply[4] with Reply[0] the marker.
struct CmdRecord {
  uint8_t Cmd = 0;
  std::array<uint8_t, 6> Param{};
  int32_t TxLen = 0;  // code byte + parameter bytes
  std::array<uint8_t, 5> Reply{};
  int32_t RxLen = 0;  // reply bytes expected, the marker included
};

// A command as its producer hands it to the ring.
struct Command {
  uint8_t code = ReqPoll;
  int32_t txLen = 1;
  int32_t rxLen = 1;
  uint8_t param1 = 0;
  uint8_t param2 = 0;

  friend bool operator==(const Command&, const Command&) = default;
};

constexpr Command PollCommand() {
  return {ReqPoll, 1, 1};
}
constexpr Command IdentifyCommand() {
  return {ReqIdentify, 1, 5};
}
constexpr Command ReadSettingCommand(uint8_t number) {
  return {ReqReadSetting, 2, 2, number};
}
constexpr Command WriteSettingCommand(uint8_t number, uint8_t wireValue) {
  return {ReqWriteSetting, 3, 2, number, wireValue};
}
constexpr Command ThrottleCommand(uint8_t throttle) {
  return {ReqThrottle, 2, 1, throttle};
}
constexpr Command SpeedCommand() {
  return {ReqSpeed, 1, 4};
}

// "QK", the code, then Param[1]..Param[TxLen-1]: TxLen + 2 bytes, no length
// byte, checksum or terminator.
std::vector<uint8_t> BuildFrame(const CmdRecord& record);
std::vector<uint8_t> BuildFrame(const Command& command);

}  // namespace velmar
