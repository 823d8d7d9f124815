#pragma once

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QSlider>

#include "app/FormQKconfig.h"
#include "support/Frames.h"
#include "support/ManualClock.h"
#include "support/QtPrinters.h"
#include "support/ScriptedPort.h"

namespace velmar::testing {

using namespace std::chrono_literals;

// An ESC with its settings (wire values by setting number) that answers every frame.
inline QByteArray EscAnswer(const QByteArray& frame,
                            const QByteArray& settings = Bytes({2, 1, 2, 2, 1})) {
  switch (frame[2]) {
    case ReqIdentify:
      return IdentifyReply(8250, 1012);
    case ReqReadSetting:
      return Y(settings[frame[3]]);
    case ReqWriteSetting:
      return Y(frame[4]);
    case ReqSpeed:
      return SpeedReply(1000);
    default:
      return kY;
  }
}

// The window on a scripted port and a manual clock, driven as a user and an ESC would.
class Window : public ::testing::Test {
 protected:
  void Start(QSet<int> usable = {1}, ProgramVersion version = kProgramVersion) {
    port.usable = std::move(usable);
    FormServices services;
    services.link.port = &port;
    services.link.timer1 = clock.MakeTimer();
    services.link.timer2 = clock.MakeTimer();
    services.link.letEventsRun = [] {};
    services.version = version;
    services.now = [this] { return clock.Now(); };
    services.record = record;
    form = std::make_unique<FormQKconfig>(std::move(services));
    form->Form_Load();
  }
  // Start-up, the first poll answered and the connect sequence served.
  void StartConnected(const QByteArray& settings = Bytes({2, 1, 2, 2, 1})) {
    Start();
    ServeUntilIdle(settings);
    ASSERT_EQ(Text("TxtConnState"), QStringLiteral("Connected"));
  }

  template <typename T = QWidget>
  T* Find(const char* name) const {
    T* widget = form->findChild<T*>(QLatin1String(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QComboBox* List(const char* name) const { return Find<QComboBox>(name); }
  // The user picks an entry.
  void Choose(const char* list, int index) {
    List(list)->setCurrentIndex(index);
    emit List(list)->activated(index);
  }
  QString Text(const char* name) const { return Find<QLineEdit>(name)->text(); }
  QSlider* Slider() const { return Find<QSlider>("SldPower"); }

  // Runs the clock until the window writes a frame; empty when none comes within the limit.
  QByteArray NextFrame(std::chrono::milliseconds limit = 1000ms) {
    const qsizetype before = port.writes.size();
    for (auto waited = 0ms; waited < limit && port.writes.size() == before; waited += 1ms)
      clock.Advance(1ms);
    return port.writes.size() > before ? port.writes.last() : QByteArray();
  }
  // Answers every frame until a poll is answered with nothing left to send.
  QList<QByteArray> ServeUntilIdle(const QByteArray& settings = Bytes({2, 1, 2, 2, 1})) {
    QList<QByteArray> frames;
    for (int i = 0; i < 30; ++i) {
      frames.append(NextFrame());
      port.Deliver(EscAnswer(frames.last(), settings));
      if (frames.last() == kPoll && port.ReceiveThreshold() == 0 &&
          clock.NextDueIn() == std::optional(100ms))
        break;
    }
    return frames;
  }
  QStringList Selections() const {
    QStringList shown;
    for (const char* name : {"CombCutOffV", "CombCutOffT", "CombBrake", "CombTiming", "CombDir"})
      shown << List(name)->currentText();
    return shown;
  }

  ScriptedPort port;
  ManualClock clock;
  RunRecord* record = nullptr;
  std::unique_ptr<FormQKconfig> form;
};

}  // namespace velmar::testing
