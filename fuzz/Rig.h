// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window on a scripted port and a manual clock, driven as a user and a
// hostile line would, with the rules that must hold after every step; a broken
// rule aborts with its name. Shared by the fuzz targets and the soak.
#include <QComboBox>
#include <QCoreApplication>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <cstdio>
#include <map>

#include "app/FormQKconfig.h"
#include "tests/support/ManualClock.h"
#include "tests/support/ScriptedPort.h"

namespace velmar {

struct FormProbe {  // reads the window's state, never writes it
  static const EscSession& Session(const FormQKconfig& form) { return form.m_session; }
};

inline void Require(bool holds, const char* rule) {
  if (!holds) std::fprintf(stderr, "broken: %s\n", rule), std::abort();
}

inline void CheckRing(const CommandRing& ring, const ReplyReceiver& receiver) {
  const auto inRing = [](int32_t i) { return i >= 0 && i < CommandRing::kSlots; };
  Require(inRing(ring.QueueHead) && inRing(ring.QueueTail), "head and tail in 0..19");
  Require(receiver.ReplyLen >= 0 && receiver.ReplyLen <= 5, "no reply stored past 5 bytes");
}

struct Rig {
  enum Action { kSlider, kChoose, kRestore, kPage, kVanish, kChoosePort, kClose, kBench, kActions };
  testing::ScriptedPort port;
  testing::ManualClock clock;
  std::unique_ptr<FormQKconfig> form;
  std::vector<QComboBox*> lists;  // by setting number, then the port list
  std::array<int, kSettingCount> chosen{-1, -1, -1, -1, -1};  // the user's last choice
  std::multimap<std::chrono::milliseconds, QByteArray> line;  // what reaches the port, and when
  long settingWrites = 0;

  Rig() {
    port.usable = {1, 2};
    // When the ESC's last acknowledged throttle was not 0, the last throttle frame to its port
    // before the port closes is 0, or the stop was reported unconfirmed.
    port.closing = [this] {
      Require(!m_turning || m_lastThrottle == 0 || m_unconfirmed,
              "a port closes after a 0, or with its stop reported unconfirmed");
      m_turning = m_unconfirmed = false;  // the next port's ESC has been told nothing yet
      m_lastThrottle = -1;
    };
    Open();
  }
  // The program starts: its window loads and connects to the first port.
  void Open() {
    lists.clear();
    form.reset();
    auto timer1 = clock.MakeTimer(), timer2 = clock.MakeTimer();
    m_timers = {timer1.get(), timer2.get()};
    FormServices services;
    services.link = {&port, std::move(timer1), std::move(timer2), [] {}};
    services.chooseScript = [](QWidget*, const BenchChoice&, const QStringList&) {
      return std::optional(BenchChoice{});
    };
    services.makeTimer = [this] { return clock.MakeTimer(); };
    services.now = [this] { return clock.Now(); };
    services.resultFolder = m_results.path();
    form = std::make_unique<FormQKconfig>(std::move(services));
    const EscSession& session = FormProbe::Session(*form);
    QObject::connect(&session, &EscSession::throttleAcknowledged, [this](int throttle) {
      m_turning = throttle != 0;
      m_unconfirmed = m_unconfirmed && !m_turning;
    });
    QObject::connect(&session, &EscSession::stopEnded,
                     [this](bool confirmed) { m_unconfirmed = m_unconfirmed || !confirmed; });
    form->Form_Load();
    for (const char* name :
         {"CombCutOffV", "CombBrake", "CombTiming", "CombCutOffT", "CombDir", "CombPort"})
      lists.push_back(form->findChild<QComboBox*>(name));
  }
  virtual ~Rig() = default;
  virtual void OnFrame(const QByteArray&) {}  // each frame as it goes out
  virtual void OnCheck() {}                   // after the rules held
  const SerialLink& Link() const { return FormProbe::Session(*form).Link(); }
  QSlider& Slider() const { return *form->findChild<QSlider*>("SldPower"); }

  // What a user can do on the page shown; `value` picks the position, setting and entry, or
  // page. The caller checks the rules afterwards, as after a delivery.
  void User(Action action, int value) {
    auto* tabs = form->findChild<QTabWidget*>("TabStrip1");
    const bool run = tabs->currentIndex() == 1;
    if (action == kSlider && run) Slider().setValue(value % 201);
    if (action == kChoose && !run) Choose(value % kSettingCount, value / kSettingCount);
    if (action == kRestore && !run) form->findChild<QPushButton*>("CmdReset")->click();
    for (int n = 0; n < kSettingCount && action == kRestore && !run; ++n)
      Chosen(n, lists[n]->currentIndex());
    if (action == kPage) tabs->setCurrentIndex(value % 2);
    if (action == kVanish && port.IsOpen()) port.Vanish();
    if (action == kChoosePort) Choose(kSettingCount, value);
    if (action == kClose) m_closed = true, form->close();
    auto* bench = form->findChild<QPushButton*>("CmdBench");
    if (action == kBench && run)
      (bench->isEnabled() ? bench : form->findChild<QPushButton*>("CmdStop"))->click();
  }
  // Moves the clock from timer to timer and delivery to delivery, checking after each.
  void Advance(std::chrono::milliseconds span) {
    const auto end = clock.Now() + span;
    do {
      auto next = line.empty() ? end : std::clamp(line.begin()->first, clock.Now(), end);
      if (const auto due = clock.NextDueIn()) next = std::min(next, clock.Now() + *due);
      clock.Advance(next - clock.Now());
      for (auto i = line.begin(); i != line.end() && i->first <= next; i = line.erase(i))
        if (port.IsOpen()) port.Deliver(i->second);
      Check();
    } while (clock.Now() < end);
  }

  void Check() {
    // What the window left for later (a close or a port change after its stop) happens now;
    // a program that has closed starts again.
    QCoreApplication::sendPostedEvents(form.get(), QEvent::MetaCall);
    if (m_closed && !port.IsOpen()) m_closed = false, Open();
    CheckRing(Link().Ring(), Link().Receiver());
    Require(!port.IsOpen() || m_timers[0]->IsActive() || m_timers[1]->IsActive(),
            "a timer runs while the port is open");
    for (int n = 0; n < kSettingCount; ++n)
      Require(lists[n]->currentIndex() >= 0 && lists[n]->currentIndex() < lists[n]->count(),
              "every selector shows one of its own entries");
    for (const QByteArray& frame : std::exchange(port.writes, {})) CheckFrame(frame);
    OnCheck();
  }

 private:
  void Choose(int list, int entry) {
    if (lists[list]->count() == 0) return;
    entry %= lists[list]->count();
    lists[list]->setCurrentIndex(entry);
    emit lists[list]->activated(entry);
    Chosen(list, entry);
  }
  void Chosen(int number, int entry) {
    if (number < kSettingCount) chosen[number] = entry;  // not the port list
  }
  void CheckFrame(const QByteArray& frame) {
    static constexpr int kLength[] = {3, 3, 4, 5, 4, 3};  // by command code
    const uint8_t code = frame.size() > 2 ? uint8_t(frame[2]) : 0xFF;
    const uint8_t s = frame.size() > 3 ? uint8_t(frame[3]) : 0;
    Require(frame.startsWith("QK") && code <= ReqSpeed && frame.size() == kLength[code] &&
                (code < ReqReadSetting || code > ReqWriteSetting || s < kSettingCount),
            "every frame well formed");
    Require(clock.Now() - m_lastFrame >= std::chrono::milliseconds(10),
            "no two frames less than 10 ms apart");
    m_lastFrame = clock.Now();
    settingWrites += code == ReqWriteSetting;
    if (code == ReqWriteSetting)
      Require(chosen[s] >= 0 && uint8_t(frame[4]) == chosen[s] + 1,
              "no setting written that the user did not choose");
    if (code == ReqThrottle) {
      Require(uint8_t(frame[3]) == Slider().value(), "a throttle frame carries the slider's value");
      m_lastThrottle = uint8_t(frame[3]);
    }
    OnFrame(frame);
  }

  std::array<const testing::ManualClock::Timer*, 2> m_timers{};
  QTemporaryDir m_results;     // the bench runs' result files
  bool m_turning = false;      // the ESC's last acknowledged throttle was not 0
  bool m_unconfirmed = false;  // a stop since then was reported unconfirmed
  int m_lastThrottle = -1;     // the last throttle frame to the port, -1 none since it opened
  bool m_closed = false;       // the user closed the window
  std::chrono::milliseconds m_lastFrame{-10};  // the first frame may go at once
};

}  // namespace velmar
