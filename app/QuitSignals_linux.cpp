// SPDX-License-Identifier: GPL-3.0-or-later
// Quit signals on Linux: the handler writes a byte into a socket pair whose other end the
// event loop watches, so the event thread hears of a signal at once and never polls.
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

#include "QuitSignals.h"

namespace velmar {
namespace {

int g_signalPipe[2] = {-1, -1};
volatile std::sig_atomic_t g_signalled = 0;
void OnSignal(int signo) {
  // Asked again while closing: whatever holds the close up, the user wants the program gone.
  if (g_signalled) {
    WriteLastFrame();
    ::_exit(128 + signo);
  }
  const int savedErrno = errno;
  g_signalled = 1;
  const char c = 1;
  [[maybe_unused]] const auto n = ::write(g_signalPipe[1], &c, 1);
  errno = savedErrno;
}

}  // namespace

void CatchQuitSignals() {
  // Without the pair the signals keep their default action, which still ends the program.
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_signalPipe) != 0)
    return;
  sigset_t both;
  sigemptyset(&both);
  sigaddset(&both, SIGINT);
  sigaddset(&both, SIGTERM);
  struct sigaction action {};
  action.sa_handler = OnSignal;
  // One handler at a time, so that the first signal is always the one that writes.
  action.sa_mask = both;
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  sigprocmask(SIG_UNBLOCK, &both, nullptr);
}

bool QuitSignalled() {
  return g_signalled != 0;
}

void OnQuitSignal(QObject* context, std::function<void()> quit) {
  if (g_signalPipe[0] < 0) return;
  auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, context);
  QObject::connect(notifier, &QSocketNotifier::activated, context,
                   [notifier, quit = std::move(quit)] {
                     char c = 0;
                     [[maybe_unused]] const auto n = ::read(g_signalPipe[0], &c, 1);
                     notifier->setEnabled(false);
                     quit();
                   });
}

}  // namespace velmar
