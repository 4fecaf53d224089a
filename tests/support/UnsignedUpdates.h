#pragma once
// For its lifetime, the player installs unsigned updates, as a build for a private test server
// (QVT_ALLOW_UNSIGNED_UPDATES) does; a release build without a key installs none.

#include "shared/UpdateManifest.h"

namespace qvt::test {

struct ScopedUnsignedUpdates {
  ScopedUnsignedUpdates() { UpdateManifest::SetAllowUnsignedUpdates(true); }
  ~ScopedUnsignedUpdates() { UpdateManifest::SetAllowUnsignedUpdates(false); }
  ScopedUnsignedUpdates(const ScopedUnsignedUpdates&) = delete;
  ScopedUnsignedUpdates& operator=(const ScopedUnsignedUpdates&) = delete;
};

}  // namespace qvt::test
