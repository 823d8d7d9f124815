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
// A second signal ends the program at once, and first writes `frame` to the descriptor `fd`
// (none: -1): the throttle 0 to the ESC's port, so that even then the motor is told to stop.
// Up to 8 bytes; called on the event thread whenever the port opens or closes.
void WriteOnSecondSignal(int fd, const char* frame, int size);
// Writes that frame; async-signal-safe, for the handlers.
void WriteLastFrame();
// Runs `quit` on the event thread, once, when a quit signal arrives (context owns whatever
// watches for it).
void OnQuitSignal(QObject* context, std::function<void()> quit);

}  // namespace velmar
