// The link's plain parts on fuzzed bytes: the producers' commands into the ring,
// line bytes into the receiver, and each completed reply decoded as the window
// decodes it, its follow-up commands queued in turn.
#include <fuzzer/FuzzedDataProvider.h>

#include "device/Identification.h"
#include "device/Speed.h"
#include "fuzz/Rig.h"

namespace velmar {
namespace {

constexpr std::array<int, kSettingCount> kEntries{8, 2, 3, 2, 2};  // by setting number

void Decode(const CmdRecord& head, CommandRing& ring, SettingsState& settings, RpmAverage& rpm) {
  const auto& r = head.Reply;
  if (head.Cmd == ReqIdentify) {
    HardwareText(uint16_t(r[1] | r[2] << 8));
    FirmwareText(uint16_t(r[3] | r[4] << 8));
  }
  if ((head.Cmd == ReqReadSetting || head.Cmd == ReqWriteSetting) && head.Param[1] < kSettingCount)
    if (auto entry = settings.TakeReply(head.Param[1], r[1], kEntries[head.Param[1]]))
      settings.Sel(SettingNumber(head.Param[1])) = *entry;
  if (head.Cmd == ReqSpeed && PeriodFromReply(r[1], r[2], r[3]) >= kShortestPeriod)
    rpm.Add(SpeedSample(PeriodFromReply(r[1], r[2], r[3]), 2 + 2 * (r[0] % 12)));
  if (head.Cmd == ReqPoll)
    for (const Command& command : settings.Compare()) ring.EnqueueCommand(command);
}

}  // namespace
}  // namespace velmar

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velmar;
  FuzzedDataProvider in(data, size);
  CommandRing ring;
  ReplyReceiver receiver;
  SettingsState settings;
  RpmAverage rpm;
  while (in.remaining_bytes() > 0) {
    const int op = in.ConsumeIntegralInRange(0, 9);
    const auto b = in.ConsumeIntegral<uint8_t>();
    const Command made[] = {PollCommand(),
                            IdentifyCommand(),
                            ReadSettingCommand(b % kSettingCount),
                            WriteSettingCommand(b % kSettingCount, b / kSettingCount),
                            ThrottleCommand(b),
                            SpeedCommand()};
    if (op == 0) ring.EnqueueCommand(made[b % 6]);
    if (op == 1) settings.ForgetDevice();
    if (op == 2) ring.CutToPoll();
    if (op <= 2) receiver.Restart();
    if (op >= 3 && !ring.Empty() &&
        receiver.Take(b, ring.Head()) == ReplyReceiver::Taken::Complete) {
      Decode(ring.Head(), ring, settings, rpm);
      receiver.Restart();
      ring.AdvanceHead();
    }
    CheckRing(ring, receiver);
  }
  return 0;
}
