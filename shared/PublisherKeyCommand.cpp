#include "shared/PublisherKeyCommand.h"

#include <cstdio>

#include "shared/UpdateManifest.h"

namespace qvt {

int PrintPublisherKey() {
  const QString fingerprint = UpdateManifest::Trust::Compiled().PublisherKeyFingerprint();
  std::printf("%s\n", fingerprint.isEmpty() ? "none" : fingerprint.toLatin1().constData());
  return 0;
}

}  // namespace qvt
