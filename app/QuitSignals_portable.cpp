// SPDX-License-Identifier: GPL-3.0-or-later
// Quit signals with the standard library alone: the handler only sets a flag, and a timer on
// the event thread looks at it ten times a second.
#include <QTimer>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>

#include "QuitSignals.h"

namespace velmar {
namespace {

constexpr std::chrono::milliseconds kLookInterval(100);
volatile std::sig_atomic_t g_signalled = 0;
void OnSignal(int signo) {
  // Asked again while closing: whatever holds the close up, the user wants the program gone.
  if (g_signalled) {
    WriteLastFrame();
    std::_Exit(128 + signo);
  }
  const int savedErrno = errno;
  g_signalled = 1;
  // Some systems put the default action back before they call a handler.
  std::signal(signo, OnSignal);
  errno = savedErrno;
}

}  // namespace

void CatchQuitSignals() {
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
}

bool QuitSignalled() {
  return g_signalled != 0;
}

void OnQuitSignal(QObject* context, std::function<void()> quit) {
  auto* timer = new QTimer(context);
  QObject::connect(timer, &QTimer::timeout, context, [timer, quit = std::move(quit)] {
    if (!g_signalled) return;
    timer->stop();
    quit();
  });
  timer->start(kLookInterval);
}

}  // namespace velmar
