// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

class QObject;

// SIGINT and SIGTERM close the program the normal way, so its port is closed as on any other
// exit. QuitSignals_linux.cpp wakes the event thread through a socket pair; the portable
// QuitSignals_portable.cpp, for Windows and macOS, sets a flag that a timer looks at, and
// cannot unblock signals a launcher blocked.
namespace velmar {

// Installs SIGINT/SIGTERM handling; call first thing in main. Unblocks both signals in case a
// launcher blocked them.
void CatchQuitSignals();
// True once SIGINT or SIGTERM arrived.
bool QuitSignalled();
// Runs `quit` on the event thread, once, when a quit signal arrives (context owns whatever
// watches for it).
void OnQuitSignal(QObject* context, std::function<void()> quit);

}  // namespace velmar
