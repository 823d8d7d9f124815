// SPDX-License-Identifier: GPL-3.0-or-later
// One motor-driving session on a hostile line, driven by fuzzed input: bytes in fuzzed pieces or
// an ESC's answers, the clock, the throttle, stops, bench runs started and stopped, port changes
// and closes, each made as the window makes them: once the stop before it has ended. After every
// step: a stop ends within the link's fall-back, and when the ESC's last acknowledged throttle
// was not 0, the last throttle frame to a port before it closes is 0, or the stop was reported
// unconfirmed.
#include <fuzzer/FuzzedDataProvider.h>

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

#include "session/BenchRun.h"
#include "tests/support/Frames.h"
#include "tests/support/ManualClock.h"
#include "tests/support/ScriptedPort.h"

namespace velmar {
namespace {

using namespace std::chrono_literals;

void Require(bool holds, const char* rule) {
  if (!holds) std::fprintf(stderr, "broken: %s\n", rule), std::abort();
}

struct StopRig {
  testing::ScriptedPort port;
  testing::ManualClock clock;
  std::unique_ptr<EscSession> session;
  std::unique_ptr<BenchRun> run;
  bool turning = false, unconfirmed = false;
  int lastThrottle = -1;
  std::optional<std::chrono::milliseconds> stopSince;
  std::function<void()> afterStop;  // a port change or a close waiting for its stop

  StopRig() {
    port.usable = {1, 2};
    port.closing = [this] {
      Require(!turning || lastThrottle == 0 || unconfirmed,
              "a port closes after a 0, or with its stop reported unconfirmed");
      turning = unconfirmed = false;
      lastThrottle = -1;
    };
    session = std::make_unique<EscSession>(
        LinkServices{&port, clock.MakeTimer(), clock.MakeTimer(), [] {}}, true);
    QObject::connect(session.get(), &EscSession::throttleAcknowledged, [this](int throttle) {
      turning = throttle != 0;
      unconfirmed = unconfirmed && !turning;
    });
    QObject::connect(session.get(), &EscSession::stopEnded, [this](bool confirmed) {
      unconfirmed = unconfirmed || !confirmed;
      stopSince.reset();
      if (afterStop) std::exchange(afterStop, nullptr)();
    });
    session->OpenPort(1);
  }
  // What the window does before a close or a port change: the stop first, when there is one.
  void AfterStop(std::function<void()> then) {
    if (session->AtRest() || !port.IsOpen()) return then();
    afterStop = std::move(then);
    if (!stopSince) stopSince = clock.Now();
    if (run && run->Running()) return run->Stop(QStringLiteral("user"));
    session->Stop();
  }
  void Act(int what, FuzzedDataProvider& in) {
    const int value = in.ConsumeIntegral<uint8_t>();
    if (what == 0) port.Deliver(QByteArray::fromStdString(in.ConsumeBytesAsString(1 + value % 8)));
    // An ESC's answer to the last frame, whole or cut short.
    if (what == 1 && !port.writes.isEmpty())
      port.Deliver(testing::EscAnswer(port.writes.last()).left(1 + value % 5));
    if (what == 2) clock.Advance(std::chrono::milliseconds(value * 2));
    if (what == 3 && !(run && run->Running())) session->SetThrottle(value % 201, 5);
    if (what == 4) (stopSince ? void() : void(stopSince = clock.Now())), session->Stop();
    if (what == 5 && run && run->Running()) run->Stop(QStringLiteral("user"));
    if (what == 5 && !(run && run->Running())) {
      run = std::make_unique<BenchRun>(
          *session,
          BenchScript{14, {{value % 201, 0ms, 200ms}, {value / 2, 0ms, 200ms}}, 30000, 150ms},
          clock.MakeTimer(), [this] { return clock.Now(); });
      run->Start();
    }
    if (what == 6 && !afterStop) AfterStop([this, value] { session->OpenPort(1 + value % 2); });
    if (what == 7 && !afterStop) AfterStop([this] { session->Link().Shutdown(); });
    if (what == 8 && port.IsOpen()) port.Vanish();
  }
  void Check() {
    for (const QByteArray& frame : std::exchange(port.writes, {}))
      if (frame.size() == 4 && frame[2] == ReqThrottle) lastThrottle = uint8_t(frame[3]);
    // On a clean line a stop ends within the fall-back, about a second; a line that dribbles
    // an exchange's bytes 300 ms apart stretches each of its four exchanges (the one on the wire,
    // the 0 and its two resends) to some 14 × 300 ms, and no further.
    Require(!stopSince || clock.Now() - *stopSince <= 20s, "a stop ends within the fall-back");
  }
};

}  // namespace
}  // namespace velmar

extern "C" int LLVMFuzzerInitialize(int*, char*** argv) {
  static int argc = 1;
  static QCoreApplication app(argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  velmar::StopRig rig;
  while (in.remaining_bytes() > 0) {
    rig.Act(in.ConsumeIntegralInRange(0, 8), in);
    rig.Check();
  }
  return 0;
}
