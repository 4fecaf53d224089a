// The publisher's public key, compiled into each program on its own (QVT_UPDATE_PUBLIC_KEY, the
// base64 of the raw Ed25519 key; empty for a build that installs updates unchecked).
#include "shared/key/PublisherKey.h"

#ifndef QVT_UPDATE_PUBLIC_KEY
#define QVT_UPDATE_PUBLIC_KEY ""
#endif

namespace qvt::UpdateManifest {

QByteArray CompiledPublisherKey() {
  return QByteArrayLiteral(QVT_UPDATE_PUBLIC_KEY);
}

}  // namespace qvt::UpdateManifest
