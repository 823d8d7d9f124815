// SPDX-License-Identifier: GPL-3.0-or-later
// Quit signals on Linux: the handler writes a byte into a socket pair whose other end the
// event loop watches, so the event thread hears of a signal at once and never polls.
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "QuitSignals.h"

namespace velmar {
namespace {

int g_signalPipe[2] = {-1, -1};
volatile std::sig_atomic_t g_signalled = 0;
// What a second signal writes on its way out, and where.
volatile std::sig_atomic_t g_lastFd = -1;
char g_lastFrame[8];
volatile std::sig_atomic_t g_lastSize = 0;

void WriteLastFrame() {
#if defined(__unix__) || defined(__APPLE__)
  if (g_lastFd < 0) return;
  [[maybe_unused]] const auto n = ::write(g_lastFd, g_lastFrame, size_t(g_lastSize));
#endif
}

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

void WriteOnSecondSignal(int fd, const char* frame, int size) {
  // The handler reads the frame only while the descriptor is set.
  g_lastFd = -1;
  g_lastSize = std::min(size, int(sizeof g_lastFrame));
  std::memcpy(g_lastFrame, frame, size_t(g_lastSize));
  g_lastFd = fd;
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
