// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "app/QuitSignals.h"

namespace velmar {
namespace {

// Each case runs in a child process of its own, where the handlers stay. The second signal
// writes its frame to the descriptor given (a file here, the ESC's port in the program).
void SignalTwice(int signo, int fd) {
  int argc = 0;
  QCoreApplication app(argc, nullptr);
  CatchQuitSignals();
  WriteOnSecondSignal(fd, "QK\x04", 4);
  OnQuitSignal(&app, [] { QCoreApplication::exit(7); });
  std::raise(signo);
  if (app.exec() == 7 && QuitSignalled()) std::raise(signo);
  std::exit(1);
}

TEST(QuitSignalsDeathTest, TheFirstSignalRunsTheQuitAndASecondWritesItsFrameAndEndsAtOnce) {
  for (int signo : {SIGINT, SIGTERM}) {
    FILE* written = std::tmpfile();
    EXPECT_EXIT(SignalTwice(signo, fileno(written)), ::testing::ExitedWithCode(128 + signo), "");
    char frame[8] = {};
    std::rewind(written);
    EXPECT_EQ(std::fread(frame, 1, sizeof frame, written), 4u) << signo;
    EXPECT_EQ(std::memcmp(frame, "QK\x04", 4), 0);
    std::fclose(written);
  }
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
