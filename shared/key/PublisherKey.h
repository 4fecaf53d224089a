#pragma once
// The publisher's public key compiled into the program: the base64 of the raw Ed25519 key, empty
// for a build that installs updates unchecked. Defined in shared/key/PublisherKey.cpp, which
// each program compiles with its own key.

#include <QByteArray>

namespace qvt::UpdateManifest {

QByteArray CompiledPublisherKey();

}  // namespace qvt::UpdateManifest
