// The publisher's public key (QVT_UPDATE_PUBLIC_KEY, the base64 of the raw Ed25519 key; empty for
// a build that cannot verify updates), and the test servers' switch for unsigned updates
// (QVT_ALLOW_UNSIGNED_UPDATES), compiled into each program on its own.
#include "shared/key/PublisherKey.h"

#ifndef QVT_UPDATE_PUBLIC_KEY
#define QVT_UPDATE_PUBLIC_KEY ""
#endif
#ifndef QVT_ALLOW_UNSIGNED_UPDATES
#define QVT_ALLOW_UNSIGNED_UPDATES 0
#endif

namespace qvt::UpdateManifest {

QByteArray CompiledPublisherKey() {
  return QByteArrayLiteral(QVT_UPDATE_PUBLIC_KEY);
}

bool CompiledAllowsUnsignedUpdates() {
  return QVT_ALLOW_UNSIGNED_UPDATES != 0;
}

}  // namespace qvt::UpdateManifest
