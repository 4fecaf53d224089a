#include "platform/production/MachinePlatform.h"

#include "platform/Platform.h"

namespace qvt {

MachinePlatform::MachinePlatform(const QString& programName) {
  InstallMachineServices(*this);
  Platform& p = platform();
  p.hasComponentFiles = false;
  p.programName = programName;
}

}  // namespace qvt
