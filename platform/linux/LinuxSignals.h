#pragma once
#include <functional>

namespace qvt {

// Runs `handler` on the user-interface thread when the process receives SIGTERM, SIGINT or
// SIGHUP (a logout, a kill from a task manager, Ctrl+C), so that the program can close its
// windows normally and keep the user's settings and play list. A second such signal ends the
// program at once (exit status 128 + the signal), even while the first one's close waits on a
// box.
void OnTerminationSignal(std::function<void()> handler);

// The part of it without the event loop: installs the handlers and answers the descriptor that
// becomes readable when the first signal came (-1 when none could be made). Its descriptors are
// closed when the program starts another.
int InstallTerminationSignals();

}  // namespace qvt
