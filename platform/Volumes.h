#pragma once
// The mounted file systems a user may read music from, as the drive box lists them.

#include <QString>
#include <vector>

namespace qvt {

struct Volume {
  QString root;  // absolute path of the mount point ("/" for the root file system)
  QString name;  // what the user calls it ("root", "home", a volume label)
  bool ready = true;
};

class IVolumes {
 public:
  virtual ~IVolumes() = default;
  // The volumes mounted now: no two with the same root, "/" first, the home folder second,
  // then the rest by root.
  virtual std::vector<Volume> mounted() = 0;
};

}  // namespace qvt
