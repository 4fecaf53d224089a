#include "platform/linux/LinuxSignals.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <utility>

namespace qvt {

namespace {

// What the signal handler reaches: the socket pair (made once, before the handler is installed)
// and how many signals came (a lock-free atomic, safe in a handler).
struct SignalState {
  int sockets[2] = {-1, -1};
  std::atomic<int> seen{0};
};
// A signal handler reaches nothing but globals.
SignalState g_signal;  // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)

void OnSignal(int sig) {
  // Only async-signal-safe work here, and errno as the interrupted code left it.
  const int savedErrno = errno;
  if (g_signal.seen.fetch_add(1) > 0) {
    // A second signal: the first one's close is stuck (a box waits, a save hangs). End now;
    // whatever the first close saved is in place, and a save under way replaces nothing until
    // its rename, so the old file stays whole.
    ::_exit(128 + sig);
  }
  const char byte = 1;
  // Wakes the event loop. A failure (a full or closed socket) is dropped: no SIGPIPE, and the
  // errno it sets is undone below.
  [[maybe_unused]] const ssize_t sent = ::send(g_signal.sockets[0], &byte, 1, MSG_NOSIGNAL);
  errno = savedErrno;
}

}  // namespace

int InstallTerminationSignals() {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_signal.sockets) != 0)
    return -1;
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int sig : {SIGTERM, SIGINT, SIGHUP})
    ::sigaction(sig, &action, nullptr);
  return g_signal.sockets[1];
}

void OnTerminationSignal(std::function<void()> handler) {
  const int socket = InstallTerminationSignals();
  if (socket < 0)
    return;
  auto* notifier = new QSocketNotifier(socket, QSocketNotifier::Read);
  QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                   [notifier, socket, handler = std::move(handler)] {
                     char byte = 0;
                     [[maybe_unused]] const ssize_t got = ::read(socket, &byte, 1);
                     notifier->setEnabled(false);  // a second signal ends the program itself
                     handler();
                   });
}

}  // namespace qvt
