#pragma once
// The trust of a player built for a private test server (QVT_ALLOW_UNSIGNED_UPDATES): no
// publisher's key, and unsigned updates installed; a release build without a key installs none.

#include "shared/UpdateManifest.h"

namespace qvt::test {

inline UpdateManifest::Trust UnsignedUpdates() {
  return {QByteArray(), true};
}

}  // namespace qvt::test
