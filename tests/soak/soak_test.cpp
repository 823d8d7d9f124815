// SPDX-License-Identifier: GPL-3.0-or-later
// A day of a faulty line on the manual clock against the simulated ESC in
// process, then a clean minute: the window keeps its rules all day and ends in
// step with the ESC, which holds nothing the user did not choose.
#include <gtest/gtest.h>
#include <malloc.h>

#include <QLineEdit>
#include <random>

#include "EscModel.h"
#include "fuzz/Rig.h"

namespace velmar {
namespace {

using namespace std::chrono_literals;
using Ms = std::chrono::milliseconds;

enum Fault { kDrop, kNoise, kCorrupt, kDelay, kSplit, kOutOfRange, kHighCode, kEcho, kPortLoss };
constexpr sim::Settings kEscSettings{2, 1, 7, 2, 1};  // timing at a value the program does not know
constexpr Ms kNever = Ms::max();

struct Soak : Rig {
  sim::EscModel esc{sim::EscOptions{kEscSettings, false, 8250, 1012, {}, {}, {}}, {}};
  std::mt19937 random{7};
  bool faulty = true, echo = false, wasConnected = false;
  long frames = 0, connections = 0, restarts = 0;
  long injected[kPortLoss + 1]{};
  Ms nextEvent{0}, reopenAt = kNever, quietSince = kNever, converged = kNever;

  int Pick(int n) { return std::uniform_int_distribution(0, n - 1)(random); }
  bool Inject(Fault kind, int perMille) {
    return faulty && Pick(1000) < perMille && ++injected[kind];
  }

  // The ESC answers at once; the line does what it likes with the answer.
  void OnFrame(const QByteArray& frame) override {
    ++frames;
    const Ms now = clock.Now();
    esc.Receive({reinterpret_cast<const uint8_t*>(frame.data()), size_t(frame.size())}, now);
    const auto due = esc.Pending(now);
    QByteArray reply(reinterpret_cast<const char*>(due.data()), due.size());
    esc.Sent(reply.size(), now);
    esc.TakeRecords();  // the log is the simulator program's business
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
  void OnCheck() override {
    connections += !wasConnected && Link().Connected();
    wasConnected = Link().Connected();
    if (converged == kNever && clock.Now() >= quietSince && InStep())
      converged = clock.Now() - quietSince;
  }
  void LosePort(Ms reopen) {
    User(kVanish, 0);
    esc.LineLost(clock.Now());
    line.clear();
    reopenAt = reopen;
  }
  // Something happens on the line, at the port or at the desk now and then.
  void Run(Ms until) {
    while (clock.Now() < until) {
      const Ms next = std::min({until, nextEvent, reopenAt});
      Advance(next - clock.Now());
      if (next >= reopenAt) User(kChoosePort, 0), reopenAt = kNever;
      if (next >= nextEvent) {
        nextEvent = next + Ms(1000 + Pick(60'000));
        if (Pick(10) == 0 && Inject(kEcho, 1000)) echo = !echo;
        if (Pick(20) == 0 && Inject(kPortLoss, 1000)) LosePort(next + 2s);
        // Anything a user does; the soak's own port losses stand for a vanishing device.
        const auto action = Action(Pick(kActions));
        restarts += action == kClose || action == kChoosePort;  // each may cost a connection
        if (action != kVanish) User(action, Pick(1000));
      }
      Check();
    }
  }
  // Connected, the throttle and every setting the program knows as the ESC holds them.
  bool InStep() const {
    for (int n = 0; n < kSettingCount; ++n) {
      const int held = esc.Setting(n) - 1, shown = lists[n]->currentIndex();
      if (held < lists[n]->count() && shown != held) return false;
    }
    const int throttle = Slider().value();
    return Link().Connected() && FormProbe::Session(*form).EscThrottle() == throttle &&
           esc.Throttle() == throttle;
  }
};

TEST(Soak, ADayOfFaultsThenACleanMinuteEndsInStepWithTheEsc) {
  Soak soak;
  soak.Run(24h);
  // The faults stop with a last port loss: an answer corrupted within the list
  // moves a selector unseen, and only a new connection reads the ESC again.
  soak.faulty = false;
  soak.nextEvent = kNever;
  soak.User(Rig::kPage, 0);  // the Config page: a bench run still going ends
  soak.quietSince = soak.clock.Now();
  soak.LosePort(soak.quietSince);
  soak.Run(soak.quietSince + 10s);
  const auto heap = long(mallinfo2().uordblks);
  soak.Run(soak.quietSince + 70s);
  std::printf("%ld frames, %ld connections, in step %lld ms after the faults, %ld writes; faults:",
              soak.frames, soak.connections, (long long)soak.converged.count(), soak.settingWrites);
  for (const long count : soak.injected) std::printf(" %ld", count);
  std::printf("\n");
  for (const long count : soak.injected) EXPECT_GT(count, 0) << "a fault never injected";
  // Each port loss costs a connection, and so do three lost exchanges in a row; with about
  // 3 % of exchanges lost, that is some 3 in 100,000 frames. A count of timeouts that a good
  // reply does not clear would cost one every few hundred.
  EXPECT_LE(soak.connections, soak.injected[kPortLoss] + soak.restarts + 2 + soak.frames / 20'000);
  EXPECT_EQ(soak.form->findChild<QLineEdit*>("TxtConnState")->text(), "Connected");
  EXPECT_TRUE(soak.InStep());
  EXPECT_LT(soak.converged, 10s) << "in step this long after the faults";
  EXPECT_GT(soak.settingWrites, 0);
  EXPECT_LE(long(mallinfo2().uordblks), heap);
}

}  // namespace
}  // namespace velmar
