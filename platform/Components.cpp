#include "platform/Components.h"

namespace qvt {

namespace {
bool g_hasComponentFiles = false;
}  // namespace

bool HasComponentFiles() {
  return g_hasComponentFiles;
}

void SetHasComponentFiles(bool bValue) {
  g_hasComponentFiles = bValue;
}

}  // namespace qvt
