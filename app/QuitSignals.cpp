// SPDX-License-Identifier: GPL-3.0-or-later
// What a second quit signal writes on its way out, on every platform.
#include <algorithm>
#include <csignal>
#include <cstring>
#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#endif

#include "QuitSignals.h"

namespace velmar {
namespace {

volatile std::sig_atomic_t g_lastFd = -1;
char g_lastFrame[8];
volatile std::sig_atomic_t g_lastSize = 0;

}  // namespace

void WriteOnSecondSignal(int fd, const char* frame, int size) {
  // The handler reads the frame only while the descriptor is set.
  g_lastFd = -1;
  g_lastSize = std::min(size, int(sizeof g_lastFrame));
  std::memcpy(g_lastFrame, frame, size_t(g_lastSize));
  g_lastFd = fd;
}

void WriteLastFrame() {
#if defined(__unix__) || defined(__APPLE__)
  if (g_lastFd < 0) return;
  [[maybe_unused]] const auto n = ::write(g_lastFd, g_lastFrame, size_t(g_lastSize));
#endif
}

}  // namespace velmar
