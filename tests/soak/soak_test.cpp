// A day of a faulty line on the manual clock against the simulated ESC in
// process, then a clean minute: the window must stay within its rules all day and
// end in step with the ESC, which holds nothing the user did not choose.
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
using std::chrono::milliseconds;

enum Fault { kDrop, kNoise, kCorrupt, kDelay, kSplit, kEcho, kOutOfRange, kHighCode, kPortLoss };
const char* const kFaultNames[] = {"drop",
                                   "noise",
                                   "corrupt",
                                   "delay",
                                   "split",
                                   "echo on/off",
                                   "out-of-range value",
                                   "hardware >= 32768",
                                   "port loss"};
// The ESC's own settings, timing at a value this program does not know.
constexpr sim::Settings kEscSettings{2, 1, 7, 2, 1};

struct Soak {
  Rig rig;
  sim::EscModel esc{EscOptions(), {}};
  std::mt19937 random{7};
  std::multimap<milliseconds, QByteArray> line;  // what reaches the port, and when
  bool faulty = true, echo = false, connected = false;
  std::array<long, std::size(kFaultNames)> injected{};
  long fallBacks = 0, connections = 0, replies = 0;
  milliseconds nextEvent{0}, reopenAt = milliseconds::max();

  static sim::EscOptions EscOptions() {
    sim::EscOptions options;
    options.settings = kEscSettings;
    options.failsafe = {};  // the throttle stays until the program changes it
    return options;
  }
  Soak() {
    rig.onFrame = [this](const QByteArray& frame) { Answer(frame); };
  }
  int Pick(int n) { return std::uniform_int_distribution(0, n - 1)(random); }
  bool Inject(Fault kind, int perMille) {
    if (!faulty || Pick(1000) >= perMille) return false;
    return ++injected[kind];
  }

  // The ESC answers at once; the line then does what it likes with the answer.
  void Answer(const QByteArray& frame) {
    const milliseconds now = rig.clock.Now();
    esc.receive({reinterpret_cast<const uint8_t*>(frame.data()), size_t(frame.size())}, now);
    const auto out = esc.pending(now);
    QByteArray reply(reinterpret_cast<const char*>(out.data()), qsizetype(out.size()));
    esc.sent(out.size(), now);
    esc.takeRecords();  // the log is the simulator program's, not ours
    const char code = frame[2];
    if (code == ReqIdentify && Inject(kHighCode, 300)) reply[2] = char(reply[2] | 0x80);
    if ((code == ReqReadSetting || code == ReqWriteSetting) && Inject(kOutOfRange, 20))
      reply[1] = char(9 + Pick(247));
    if (reply.size() > 1 && Inject(kCorrupt, 20))
      reply[1 + Pick(reply.size() - 1)] ^= 1 + Pick(255);
    if (Inject(kNoise, 20)) reply.prepend(QByteArray(1 + Pick(3), char(Pick(256))));
    if (Inject(kDrop, 20)) reply.clear();
    if (echo) reply.prepend(frame);
    milliseconds at = now + milliseconds(Pick(5)) + (Inject(kDelay, 10) ? 350ms : 0ms);
    const qsizetype cut = Inject(kSplit, 30) ? Pick(reply.size() + 1) : reply.size();
    line.emplace(at, reply.left(cut));
    line.emplace(at + milliseconds(Pick(250)), reply.mid(cut));
  }

  // A fault of the line or the port, or something the user does.
  void Event() {
    const milliseconds now = rig.clock.Now();
    nextEvent = now + milliseconds(1000 + Pick(60'000));
    if (Pick(10) == 0 && Inject(kEcho, 1000)) echo = !echo;
    if (Pick(20) == 0 && rig.port.IsOpen() && Inject(kPortLoss, 1000)) LosePort(now + 2s);
    rig.User(Rig::Action(Pick(Rig::kVanish)), Pick(1000));
  }
  void Deliver(const QByteArray& bytes) {
    rig.Deliver(bytes);
    ++replies;
  }
  void Reopen() {
    rig.User(Rig::kChoosePort, 0);
    reopenAt = milliseconds::max();
  }
  void StopFaults() {
    faulty = false;
    nextEvent = milliseconds::max();
    LosePort(rig.clock.Now());
  }
  void LosePort(milliseconds reopen) {
    rig.User(Rig::kVanish, 0);
    esc.lineLost(rig.clock.Now());
    line.clear();
    reopenAt = reopen;
  }

  void Run(milliseconds until, const std::function<void()>& each = {}) {
    while (rig.clock.Now() < until) {
      milliseconds next = std::min({until, nextEvent, reopenAt});
      if (const auto due = rig.clock.NextDueIn()) next = std::min(next, rig.clock.Now() + *due);
      if (!line.empty()) next = std::min(next, line.begin()->first);
      rig.Advance(next - rig.clock.Now());
      for (auto i = line.begin(); i != line.end() && i->first <= next; i = line.erase(i))
        if (!i->second.isEmpty() && rig.port.IsOpen()) Deliver(i->second);
      if (next >= reopenAt) Reopen();
      if (next >= nextEvent) Event();
      const bool now = rig.Link().Connected();
      fallBacks += connected && !now;
      connections += now && !connected;
      connected = now;
      if (each) each();
    }
  }
  bool InStep() const {
    const SettingsState& settings = FormProbe::Settings(*rig.form);
    for (int n = 0; n < kSettingCount; ++n)
      if (settings.Esc(SettingNumber(n)) + 1 != esc.setting(n)) return false;
    const int throttle = rig.Slider().value();
    return connected && FormProbe::EscThrottle(*rig.form) == throttle && esc.throttle() == throttle;
  }
};

TEST(Soak, ADayOfFaultsThenACleanMinuteEndsInStepWithTheEsc) {
  Soak soak;
  soak.Run(24h);
  // The line goes quiet; a corrupted answer within the list may have moved a
  // selector, and only a new connection reads the ESC again.
  soak.StopFaults();
  const milliseconds quiet = soak.rig.clock.Now();
  milliseconds converged = milliseconds::max();
  soak.Run(quiet + 10s, [&] {
    if (converged == milliseconds::max() && soak.InStep()) converged = soak.rig.clock.Now() - quiet;
  });
  const size_t heap = mallinfo2().uordblks;
  const long frames = soak.rig.frames;
  soak.Run(quiet + 70s);
  const long cleanHeapGrowth = long(mallinfo2().uordblks) - long(heap);

  std::printf("virtual hours %.2f, exchanges %ld (replies delivered %ld)\nfaults:",
              double(soak.rig.clock.Now().count()) / 3.6e6, soak.rig.frames, soak.replies);
  for (size_t k = 0; k < std::size(kFaultNames); ++k)
    std::printf(" %s %ld;", kFaultNames[k], soak.injected[k]);
  std::printf(
      "\nfall-backs %ld, connections %ld, converged %lld ms after the faults stopped\n"
      "settings written %ld, each carrying the user's last choice (%ld choices)\n"
      "frames in the clean minute %ld, heap growth %ld bytes\n",
      soak.fallBacks, soak.connections, (long long)converged.count(), soak.rig.settingWrites,
      soak.rig.choices, soak.rig.frames - frames, cleanHeapGrowth);

  EXPECT_EQ(soak.rig.form->findChild<QLineEdit*>("TxtConnState")->text(), "Connected");
  EXPECT_TRUE(soak.InStep());
  EXPECT_LT(converged, 10s);
  for (int n = 0; n < kSettingCount; ++n) {
    const int held = soak.esc.setting(n) - 1;  // the ESC's entry
    EXPECT_TRUE(held == kEscSettings[n] - 1 || soak.rig.everChosen[n] >> held & 1) << n;
    if (held < soak.rig.List(n).count()) {
      EXPECT_EQ(soak.rig.List(n).currentIndex(), held) << n;
    }
  }
  EXPECT_GT(soak.rig.settingWrites, 0);
  EXPECT_LT(cleanHeapGrowth, 16 * 1024);
}

}  // namespace
}  // namespace velmar
