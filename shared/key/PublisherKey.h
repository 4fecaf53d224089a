#pragma once
// What each program is built with for updates: the publisher's public key (the base64 of the raw
// Ed25519 key; empty for a build without one) and whether a build without a key may install
// unsigned updates (only for private test servers). Defined in shared/key/PublisherKey.cpp,
// which each program compiles with its own choice.

#include <QByteArray>

namespace qvt::UpdateManifest {

QByteArray CompiledPublisherKey();
bool CompiledAllowsUnsignedUpdates();

}  // namespace qvt::UpdateManifest
