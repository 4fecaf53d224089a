#include "platform/production/MachinePlatform.h"

namespace qvt {

MachinePlatform::MachinePlatform(const QString& programName) : programName_(programName) {}

Platform MachinePlatform::Table() {
  Platform table;
  FillMachineServices(table, *this);
  table.hasComponentFiles = false;
  table.programName = programName_;
  return table;
}

}  // namespace qvt
