// Each case runs in a child process of its own, where the handlers stay.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cerrno>
#include <csignal>
#include <cstdlib>

#include "app/QuitSignals.h"

namespace velmar {
namespace {

// Raises `signo` once, lets the quit run, then raises it again: the second must end the program.
void SignalTwice(int signo) {
  int argc = 1;
  char name[] = "quit_signals_test";
  char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);
  CatchQuitSignals();
  int quits = 0;
  OnQuitSignal(&app, [&quits] {
    ++quits;
    QCoreApplication::exit();
  });
  std::raise(signo);
  app.exec();
  if (quits == 1 && QuitSignalled()) std::raise(signo);
  std::exit(1);
}

TEST(QuitSignalsDeathTest, TheFirstSignalRunsTheQuitAndASecondEndsTheProgramAtOnce) {
  for (int signo : {SIGINT, SIGTERM})
    EXPECT_EXIT(SignalTwice(signo), ::testing::ExitedWithCode(128 + signo), "") << signo;
}

// With its descriptors gone, the handler's own write fails: the interrupted code must not see that.
TEST(QuitSignalsDeathTest, TheHandlerLeavesErrnoAsItFoundIt) {
  EXPECT_EXIT(
      {
        CatchQuitSignals();
        for (int fd = 3; fd < 1024; ++fd) ::close(fd);
        errno = EDOM;
        std::raise(SIGTERM);
        std::exit(errno == EDOM && QuitSignalled() ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace velmar
