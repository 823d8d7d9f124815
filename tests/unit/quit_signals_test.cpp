// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cerrno>
#include <csignal>

#include "app/QuitSignals.h"

namespace velmar {
namespace {

// Each case runs in a child process of its own, where the handlers stay.
void SignalTwice(int signo) {
  int argc = 0;
  QCoreApplication app(argc, nullptr);
  CatchQuitSignals();
  OnQuitSignal(&app, [] { QCoreApplication::exit(7); });
  std::raise(signo);
  if (app.exec() == 7 && QuitSignalled()) std::raise(signo);
  std::exit(1);
}

TEST(QuitSignalsDeathTest, TheFirstSignalRunsTheQuitAndASecondEndsTheProgramAtOnce) {
  for (int signo : {SIGINT, SIGTERM})
    EXPECT_EXIT(SignalTwice(signo), ::testing::ExitedWithCode(128 + signo), "") << signo;
}

// With its descriptors closed, the handler's own write fails: the interrupted code never knows.
void SignalWithErrnoSet() {
  CatchQuitSignals();
  for (int fd = 3; fd < 1024; ++fd) ::close(fd);
  errno = EDOM;
  std::raise(SIGTERM);
  std::exit(errno == EDOM && QuitSignalled() ? 0 : 1);
}

TEST(QuitSignalsDeathTest, TheHandlerLeavesErrnoAsItFoundIt) {
  EXPECT_EXIT(SignalWithErrnoSet(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace velmar
