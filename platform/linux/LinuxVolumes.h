#pragma once
// The volumes of the Linux desktop: the root file system, the user's home folder and every
// mounted device a user may read music from (pseudo and system file systems left out).

#include <QByteArray>
#include <QString>
#include <vector>

#include "platform/Volumes.h"

namespace qvt {

// One mount as the system reports it.
struct MountEntry {
  QString root;
  QString displayName;
  QByteArray fileSystemType;
  bool valid = true;
  bool ready = true;
};

// The volumes worth offering out of `mounts`: "/" (named "root") and `home` (named "home")
// always, then each valid, ready mount of a real device outside the system folders, named by
// its label or else the last part of its root. No two share a root; "/" first, home second,
// then by root.
std::vector<Volume> SelectUserVolumes(const QString& home, const std::vector<MountEntry>& mounts);

class LinuxVolumes : public IVolumes {
 public:
  std::vector<Volume> mounted() override;
};

}  // namespace qvt
