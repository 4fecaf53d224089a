#pragma once
#include <functional>

namespace qvt {

// Runs `handler` on the user-interface thread when the process receives SIGTERM, SIGINT or
// SIGHUP (a logout, a kill from a task manager, Ctrl+C), so that the program can close its
// windows normally and keep the user's settings and play list.
void OnTerminationSignal(std::function<void()> handler);

}  // namespace qvt
