// A day of a faulty line on the manual clock against the simulated ESC in
// process, then a clean minute: the window keeps its rules all day and ends in
// step with the ESC, which holds nothing the user did not choose.
#include <gtest/gtest.h>
#include <malloc.h>

#include <QLineEdit>
#include <map>
#include <random>

#include "esc_model.h"
#include "fuzz/Rig.h"

namespace velmar {
namespace {

using namespace std::chrono_literals;
using Ms = std::chrono::milliseconds;

enum Fault { kDrop, kNoise, kCorrupt, kDelay, kSplit, kOutOfRange, kHighCode, kEcho, kPortLoss };
const QList<QByteArray> kFaults =
    QByteArray("drop noise corrupt delay split out-of-range hardware>=32768 echo port-loss")
        .split(' ');
constexpr sim::Settings kEscSettings{2, 1, 7, 2, 1};  // timing at a value the program does not know

struct Soak {
  Rig rig;
  sim::EscModel esc{sim::EscOptions{kEscSettings, false, 8250, 1012, {}, {}, {}}, {}};
  std::mt19937 random{7};
  std::multimap<Ms, QByteArray> line;  // what reaches the port, and when
  bool faulty = true, echo = false, connected = false;
  long injected[9]{}, fallBacks = 0, connections = 0;
  Ms nextEvent{0}, reopenAt = Ms::max();

  int Pick(int n) { return std::uniform_int_distribution(0, n - 1)(random); }
  bool Inject(Fault kind, int perMille) {
    return faulty && Pick(1000) < perMille && ++injected[kind];
  }

  // The ESC answers at once; the line does what it likes with the answer.
  void Answer(const QByteArray& frame) {
    const Ms now = rig.clock.Now();
    esc.receive({reinterpret_cast<const uint8_t*>(frame.data()), size_t(frame.size())}, now);
    QByteArray reply(reinterpret_cast<const char*>(esc.pending(now).data()),
                     esc.pending(now).size());
    esc.sent(reply.size(), now);
    esc.takeRecords();  // the log is the simulator program's business
    if ((frame[2] == ReqReadSetting || frame[2] == ReqWriteSetting) && Inject(kOutOfRange, 20))
      reply[1] = char(9 + Pick(247));
    if (frame[2] == ReqIdentify && Inject(kHighCode, 300)) reply[2] = char(reply[2] | 0x80);
    if (reply.size() > 1 && Inject(kCorrupt, 20))
      reply[1 + Pick(reply.size() - 1)] ^= 1 + Pick(255);
    if (Inject(kNoise, 20)) reply.prepend(QByteArray(1 + Pick(3), char(Pick(256))));
    if (Inject(kDrop, 20)) reply.clear();
    if (echo) reply.prepend(frame);
    const Ms at = now + Ms(Pick(5)) + (Inject(kDelay, 10) ? 350ms : 0ms);
    const qsizetype cut = Inject(kSplit, 30) ? Pick(reply.size() + 1) : reply.size();
    line.emplace(at, reply.left(cut));
    line.emplace(at + Ms(Pick(250)), reply.mid(cut));
  }
  void LosePort(Ms reopen) {
    rig.User(Rig::kVanish, 0);
    esc.lineLost(rig.clock.Now());
    line.clear();
    reopenAt = reopen;
  }
  void Run(
      Ms until, const std::function<void()>& each = [] {}) {
    while (rig.clock.Now() < until) {
      Ms next = std::min({until, nextEvent, reopenAt});
      if (const auto due = rig.clock.NextDueIn()) next = std::min(next, rig.clock.Now() + *due);
      if (!line.empty()) next = std::min(next, line.begin()->first);
      rig.Advance(next - rig.clock.Now());
      for (auto i = line.begin(); i != line.end() && i->first <= next; i = line.erase(i))
        if (rig.port.IsOpen()) rig.port.Deliver(i->second);
      rig.Check();
      if (next >= reopenAt) rig.User(Rig::kChoosePort, 0), reopenAt = Ms::max();
      if (next >= nextEvent) {  // something happens on the line, at the port or at the desk
        nextEvent = next + Ms(1000 + Pick(60'000));
        if (Pick(10) == 0 && Inject(kEcho, 1000)) echo = !echo;
        if (Pick(20) == 0 && Inject(kPortLoss, 1000)) LosePort(next + 2s);
        rig.User(Rig::Action(Pick(Rig::kVanish)), Pick(1000));
      }
      fallBacks += connected && !rig.Link().Connected();
      connections += !connected && rig.Link().Connected();
      connected = rig.Link().Connected();
      each();
    }
  }
  // Connected, the throttle and every setting the program knows as the ESC holds them.
  bool InStep() const {
    for (int n = 0; n < kSettingCount; ++n) {
      const int held = esc.setting(n) - 1, shown = rig.lists[n]->currentIndex();
      if (held < rig.lists[n]->count() && shown != held) return false;
    }
    const int throttle = rig.Slider().value();
    return connected && FormProbe::EscThrottle(*rig.form) == throttle && esc.throttle() == throttle;
  }
};

TEST(Soak, ADayOfFaultsThenACleanMinuteEndsInStepWithTheEsc) {
  Soak soak;
  soak.rig.onFrame = [&soak](const QByteArray& frame) { soak.Answer(frame); };
  soak.Run(24h);
  // The faults stop with a last port loss: an answer corrupted within the list
  // moves a selector unseen, and only a new connection reads the ESC again.
  const Ms quiet = soak.rig.clock.Now(), never = Ms::max();
  soak.faulty = false;
  soak.nextEvent = never;
  soak.LosePort(quiet);
  Ms converged = never;
  soak.Run(quiet + 10s, [&] {
    if (converged == never && soak.InStep()) converged = soak.rig.clock.Now() - quiet;
  });
  const auto heap = long(mallinfo2().uordblks);
  soak.Run(quiet + 70s);
  std::printf("%.1f virtual hours, %ld exchanges; faults:", double(soak.rig.clock.Now() / 1.0h),
              soak.rig.frames);
  for (int k = 0; k < 9; ++k) std::printf(" %s %ld,", kFaults[k].data(), soak.injected[k]);
  std::printf(
      "\n%ld fall-backs, %ld connections; in step %lld ms after the faults; %ld settings "
      "written, each the user's last choice (%ld choices); heap growth %ld bytes\n",
      soak.fallBacks, soak.connections, (long long)converged.count(), soak.rig.settingWrites,
      soak.rig.choices, long(mallinfo2().uordblks) - heap);
  EXPECT_EQ(soak.rig.form->findChild<QLineEdit*>("TxtConnState")->text(), "Connected");
  EXPECT_TRUE(soak.InStep());
  EXPECT_LT(converged, 10s);
  EXPECT_GT(soak.rig.settingWrites, 0);
  EXPECT_LE(long(mallinfo2().uordblks), heap);
  for (int n = 0; n < kSettingCount; ++n) {  // the ESC's entry: its own, or one the user chose
    const int held = soak.esc.setting(n) - 1;
    EXPECT_TRUE(held == kEscSettings[n] - 1 || soak.rig.everChosen[n] >> held & 1) << n;
  }
}

}  // namespace
}  // namespace velmar
