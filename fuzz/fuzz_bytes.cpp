// The link's plain parts on fuzzed bytes: the producers' commands into the ring, line bytes
// into the receiver, and each completed reply taken as the window takes it, a poll reply
// queueing the settings' reads and writes. The decoders run on fuzzed replies in fuzz_window.
#include <fuzzer/FuzzedDataProvider.h>

#include "fuzz/Rig.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velmar;
  constexpr int kEntries[kSettingCount] = {8, 2, 3, 2, 2};  // by setting number
  FuzzedDataProvider in(data, size);
  CommandRing ring;
  ReplyReceiver receiver;
  SettingsState settings;
  while (in.remaining_bytes() > 0) {
    const int op = in.ConsumeIntegralInRange(0, 9);
    const auto b = in.ConsumeIntegral<uint8_t>(), n = uint8_t(b % kSettingCount);
    const Command made[] = {PollCommand(),         IdentifyCommand(),
                            ReadSettingCommand(n), WriteSettingCommand(n, b),
                            ThrottleCommand(b),    SpeedCommand()};
    if (op == 0) ring.EnqueueCommand(made[b % 6]);
    if (op == 1) settings.ForgetDevice();
    if (op == 2) ring.CutToPoll();
    if (op <= 2) receiver.Restart();
    const bool complete =
        op > 2 && !ring.Empty() && receiver.Take(b, ring.Head()) == ReplyReceiver::Taken::Complete;
    CheckRing(ring, receiver);
    if (!complete) continue;
    const CmdRecord& head = ring.Head();
    const uint8_t number = head.Param[1];
    if (head.Cmd == ReqReadSetting || head.Cmd == ReqWriteSetting)
      if (auto entry = settings.TakeReply(number, head.Reply[1], kEntries[number % 5]))
        settings.Sel(SettingNumber(number)) = *entry;
    for (const Command& command : head.Cmd == ReqPoll ? settings.Compare() : std::vector<Command>{})
      ring.EnqueueCommand(command);
    receiver.Restart();
    ring.AdvanceHead();
  }
  return 0;
}
