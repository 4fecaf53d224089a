#pragma once
// The desktop session's message bus, which the media controls (player/window/Mpris.h) serve on.
// The player's composition root connects to it and hands the connection down.

#include <QDBusConnection>
#include <optional>

namespace qvt {

// The session bus, connected; nothing when there is none. A bus is looked for only when its
// address is known or the user's runtime folder holds its socket: otherwise the bus library
// would start one of its own.
std::optional<QDBusConnection> ConnectSessionBus();

}  // namespace qvt
