#include "platform/linux/LinuxSessionBus.h"

#include <QFileInfo>

namespace qvt {

namespace {

bool SessionBusExpected() {
  if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
    return true;
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

}  // namespace

std::optional<QDBusConnection> ConnectSessionBus() {
  if (!SessionBusExpected())
    return std::nullopt;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected())
    return std::nullopt;
  return bus;
}

}  // namespace qvt
