#pragma once
// The window on a scripted port and a manual clock, driven as a user and a
// hostile line would, and what must hold after every step. The fuzz targets and
// the soak share it; a broken rule aborts with its name.
#include <QComboBox>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "app/FormQKconfig.h"
#include "tests/support/ManualClock.h"
#include "tests/support/ScriptedPort.h"

namespace velmar {

// Reads the window's state; never writes it.
struct FormProbe {
  static const SerialLink& Link(const FormQKconfig& form) { return form.m_link; }
  static const SettingsState& Settings(const FormQKconfig& form) { return form.m_settings; }
  static int32_t EscThrottle(const FormQKconfig& form) { return form.EscThrottle; }
};

inline void Require(bool holds, const char* rule) {
  if (holds) return;
  std::fprintf(stderr, "broken: %s\n", rule);
  std::abort();
}

inline void CheckRing(const CommandRing& ring, const ReplyReceiver& receiver) {
  const auto inRing = [](int32_t i) { return i >= 0 && i < CommandRing::kSlots; };
  Require(inRing(ring.QueueHead) && inRing(ring.QueueTail), "head and tail in 0..19");
  Require(receiver.ReplyLen >= 0 && receiver.ReplyLen <= int32_t(ring.Head().Reply.size()),
          "no reply stored past 5 bytes");
}

class Rig {
 public:
  enum Action { kSlider, kChoose, kRestore, kPage, kVanish, kChoosePort, kActions };
  static constexpr std::array<int, kSettingCount> kDefaults{1, 0, 1, 1, 0};  // by setting number

  testing::ScriptedPort port;
  testing::ManualClock clock;
  std::unique_ptr<FormQKconfig> form;
  std::array<int, kSettingCount> chosen{-1, -1, -1, -1, -1};  // the user's last choice
  std::array<unsigned, kSettingCount> everChosen{};           // a bit per entry chosen
  std::function<void(const QByteArray&)> onFrame;             // each frame as it goes out
  long frames = 0, settingWrites = 0, choices = 0;

  Rig() {
    port.usable = {1};
    FormServices services;
    auto timer1 = clock.MakeTimer(), timer2 = clock.MakeTimer();
    m_timers = {timer1.get(), timer2.get()};
    services.link = {&port, std::move(timer1), std::move(timer2), [] {}};
    form = std::make_unique<FormQKconfig>(std::move(services));
    form->Form_Load();
    for (const char* name : {"CombCutOffV", "CombBrake", "CombTiming", "CombCutOffT", "CombDir"})
      m_lists.push_back(form->findChild<QComboBox*>(name));
    m_slider = form->findChild<QSlider*>("SldPower");
    m_tabs = form->findChild<QTabWidget*>("TabStrip1");
    Check();
  }
  const SerialLink& Link() const { return FormProbe::Link(*form); }
  QSlider& Slider() const { return *m_slider; }
  QComboBox& List(int number) const { return *m_lists[number]; }

  // What a user can do on the page shown; `value` picks the slider position,
  // setting, entry or page.
  void User(Action action, int value) {
    const bool run = m_tabs->currentIndex() == 1;
    if (action == kSlider && run) m_slider->setValue(value % 201);
    if (action == kChoose && !run) Choose(m_lists[value % kSettingCount], value / kSettingCount);
    if (action == kRestore && !run) {
      form->findChild<QPushButton*>("CmdReset")->click();
      for (int n = 0; n < kSettingCount; ++n) Chosen(n, kDefaults[n]);
    }
    if (action == kPage) m_tabs->setCurrentIndex(value % 2);
    if (action == kVanish && port.IsOpen()) port.Vanish();
    if (action == kChoosePort) Choose(form->findChild<QComboBox*>("CombPort"), 0);
    Check();
  }
  void Deliver(const QByteArray& bytes) {
    port.Deliver(bytes);
    Check();
  }
  // Moves the clock timer by timer, checking after each one fires.
  void Advance(std::chrono::milliseconds span) {
    const auto end = clock.Now() + span;
    do {
      const auto due = clock.NextDueIn();
      clock.Advance(due && clock.Now() + *due < end ? *due : end - clock.Now());
      Check();
    } while (clock.Now() < end);
  }

  void Check() {
    CheckRing(Link().Ring(), Link().Receiver());
    Require(!port.IsOpen() || m_timers[0]->IsActive() || m_timers[1]->IsActive(),
            "a timer runs while the port is open");
    for (const QComboBox* list : m_lists)
      Require(list->currentIndex() >= 0 && list->currentIndex() < list->count(),
              "every selector shows one of its own entries");
    for (const QByteArray& frame : port.writes) CheckFrame(frame);
    port.writes.clear();
  }

 private:
  void Choose(QComboBox* list, int entry) {
    if (list->count() == 0) return;
    entry %= list->count();
    list->setCurrentIndex(entry);
    emit list->activated(entry);
    const auto number = std::find(m_lists.begin(), m_lists.end(), list) - m_lists.begin();
    if (number < kSettingCount) Chosen(int(number), entry);
  }
  void Chosen(int number, int entry) {
    chosen[number] = entry;
    everChosen[number] |= 1u << entry;
    ++choices;
  }
  void CheckFrame(const QByteArray& frame) {
    static constexpr int kLength[] = {3, 3, 4, 5, 4, 3};  // by command code
    const uint8_t code = frame.size() > 2 ? uint8_t(frame[2]) : 0xFF;
    const auto param = [&](int i) { return uint8_t(frame[2 + i]); };
    Require(frame.startsWith("QK") && code <= ReqSpeed && frame.size() == kLength[code] &&
                ((code != ReqReadSetting && code != ReqWriteSetting) || param(1) < kSettingCount),
            "every frame well formed");
    Require(frames++ == 0 || clock.Now() - m_lastFrame >= std::chrono::milliseconds(10),
            "no two frames less than 10 ms apart");
    m_lastFrame = clock.Now();
    if (code == ReqWriteSetting) {
      Require(chosen[param(1)] >= 0 && param(2) == chosen[param(1)] + 1,
              "no setting written that the user did not choose");
      ++settingWrites;
    }
    if (code == ReqThrottle)
      Require(param(1) == m_slider->value(), "a throttle frame carries the slider's value");
    if (onFrame) onFrame(frame);
  }

  std::array<const testing::ManualClock::Timer*, 2> m_timers{};
  std::vector<QComboBox*> m_lists;
  QSlider* m_slider = nullptr;
  QTabWidget* m_tabs = nullptr;
  std::chrono::milliseconds m_lastFrame{0};
};

}  // namespace velmar
