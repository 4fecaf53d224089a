#include "platform/linux/LinuxSignals.h"

#include <sys/socket.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <csignal>
#include <utility>

namespace qvt {

namespace {

int g_signalSockets[2] = {-1, -1};

void WriteSignal(int) {
  const char byte = 1;
  // Only async-signal-safe work here: wake the event loop through the socket pair.
  [[maybe_unused]] const ssize_t written = ::write(g_signalSockets[0], &byte, 1);
}

}  // namespace

void OnTerminationSignal(std::function<void()> handler) {
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalSockets) != 0)
    return;
  auto* notifier = new QSocketNotifier(g_signalSockets[1], QSocketNotifier::Read);
  QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                   [notifier, handler = std::move(handler)] {
                     char byte = 0;
                     [[maybe_unused]] const ssize_t got = ::read(g_signalSockets[1], &byte, 1);
                     notifier->setEnabled(false);  // once is enough: the handler ends the program
                     handler();
                   });
  struct sigaction action {};
  action.sa_handler = WriteSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int sig : {SIGTERM, SIGINT, SIGHUP})
    ::sigaction(sig, &action, nullptr);
}

}  // namespace qvt
