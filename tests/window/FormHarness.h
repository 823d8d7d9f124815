#pragma once

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSlider>
#include <QTabWidget>
#include <memory>

#include "app/FormQKconfig.h"
#include "app/RunRecord.h"
#include "support/ManualClock.h"
#include "support/QtPrinters.h"
#include "support/ScriptedPort.h"

namespace velmar {

// Reaches the window's state, which only its own handlers change.
struct FormProbe {
  FormQKconfig& w;
  CommandRing& ring() { return w.m_ring; }
  SettingsState& settings() { return w.m_settings; }
  ReplyReceiver& receiver() { return w.m_receiver; }
  RpmAverage& rpm() { return w.m_rpm; }
  int32_t& CurTab() { return w.CurTab; }
  int32_t& OpenPort() { return w.OpenPort; }
  int32_t& TimeoutCount() { return w.TimeoutCount; }
  int32_t& LastPower() { return w.LastPower; }
  int32_t& EscThrottle() { return w.EscThrottle; }
  bool& MotorRunning() { return w.MotorRunning; }
};

namespace testing {

using namespace std::chrono_literals;

inline QByteArray Bytes(std::initializer_list<int> values) {
  QByteArray out;
  for (int v : values) out.append(char(v));
  return out;
}

inline QStringList Entries(const QComboBox* list) {
  QStringList entries;
  for (int i = 0; i < list->count(); ++i) entries << list->itemText(i);
  return entries;
}

// The window on a scripted port and a manual clock.
class FormTest : public ::testing::Test {
 protected:
  void Create(QSet<int> usable, ProgramVersion version = kProgramVersion) {
    port.usable = std::move(usable);
    FormServices services;
    services.port = &port;
    auto t1 = clock.MakeTimer();
    auto t2 = clock.MakeTimer();
    timer1 = t1.get();
    timer2 = t2.get();
    services.timer1 = std::move(t1);
    services.timer2 = std::move(t2);
    services.letEventsRun = [this] { ++pumps; };
    services.version = version;
    services.now = [this] { return clock.Now(); };
    services.record = record;
    form = std::make_unique<FormQKconfig>(std::move(services));
  }
  void Start(QSet<int> usable = {1}) {
    Create(std::move(usable));
    form->Form_Load();
  }

  template <typename T>
  T* Find(const char* name) const {
    T* widget = form->findChild<T*>(QLatin1String(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QComboBox* List(const char* name) const { return Find<QComboBox>(name); }
  QString Text(const char* name) const { return Find<QLineEdit>(name)->text(); }
  QSlider* Slider() const { return Find<QSlider>("SldPower"); }
  FormProbe Probe() { return FormProbe{*form}; }

  // Runs the clock until the window writes a frame; returns it, or an empty
  // array when nothing is written within the limit.
  QByteArray NextFrame(std::chrono::milliseconds limit = 1000ms) {
    const qsizetype before = port.writes.size();
    for (auto waited = 0ms; waited < limit; waited += 1ms) {
      clock.Advance(1ms);
      if (port.writes.size() > before) return port.writes.last();
    }
    return QByteArray();
  }
  // The ESC's side of one exchange: waits for the next frame, answers it.
  QByteArray Exchange(const QByteArray& reply) {
    const QByteArray frame = NextFrame();
    port.Deliver(reply);
    return frame;
  }
  // Frames sent until the window has nothing but idle polls to say; each
  // answered by `answer`.
  QList<QByteArray> FramesUntilIdle(const std::function<QByteArray(const QByteArray&)>& answer) {
    QList<QByteArray> frames;
    for (int i = 0; i < 30; ++i) {
      const QByteArray frame = NextFrame();
      if (frame.isEmpty()) break;
      frames.append(frame);
      port.Deliver(answer(frame));
      if (frame == Bytes({0x51, 0x4B, 0x00}) && Probe().ring().Empty()) break;
    }
    return frames;
  }

  // An ESC holding the given wire values for setting numbers 0..4.
  static QByteArray EscAnswer(const QByteArray& frame,
                              std::array<uint8_t, 5> values = {2, 1, 2, 2, 1},
                              uint16_t hardware = 8250, uint16_t firmware = 1012) {
    const int code = frame.size() > 2 ? uint8_t(frame[2]) : -1;
    switch (code) {
      case 1:
        return Bytes({0x59, hardware & 0xFF, hardware >> 8, firmware & 0xFF, firmware >> 8});
      case 2:
        return Bytes({0x59, values[uint8_t(frame[3])]});
      case 3:
        return Bytes({0x59, uint8_t(frame[4])});
      case 5:
        return Bytes({0x59, 0, 0, 0});
      default:
        return Bytes({0x59});
    }
  }

  // Start-up, then the first poll answered and the connect sequence served by
  // an ESC with its defaults; ends with the window idle and connected.
  void StartConnected(QSet<int> usable = {1}) {
    Start(std::move(usable));
    FramesUntilIdle([](const QByteArray& f) { return EscAnswer(f); });
    ASSERT_EQ(Text("TxtConnState"), QStringLiteral("Connected"));
    port.writes.clear();
  }

  ScriptedPort port;
  ManualClock clock;
  ManualClock::Timer* timer1 = nullptr;
  ManualClock::Timer* timer2 = nullptr;
  int pumps = 0;
  RunRecord* record = nullptr;  // set before Create() to keep a run record
  std::unique_ptr<FormQKconfig> form;
};

inline const QByteArray kPoll = Bytes({0x51, 0x4B, 0x00});
inline const QByteArray kIdentify = Bytes({0x51, 0x4B, 0x01});
inline const QByteArray kSpeed = Bytes({0x51, 0x4B, 0x05});
inline const QByteArray kY = Bytes({0x59});

}  // namespace testing
}  // namespace velmar
