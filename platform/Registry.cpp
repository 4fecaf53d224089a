#include "platform/Registry.h"

#include <cstdio>
#include <cstdlib>

namespace qvt {

namespace {
IRegistryStore* g_store = nullptr;
}  // namespace

IRegistryStore& registryStore() {
  if (g_store == nullptr) {
    std::fprintf(stderr, "platform service not installed: registry\n");
    std::abort();
  }
  return *g_store;
}

void SetRegistryStore(IRegistryStore* store) {
  g_store = store;
}

IRegistryStore* InstalledRegistryStore() {
  return g_store;
}

bool IsRegistryRoot(int32_t root) {
  return root >= kHkeyClassesRoot && root <= kHkeyDynData;
}

QStringList RegistryPathParts(const QString& path) {
  return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

QString RegistryFoldedPath(const QString& path) {
  return RegistryPathParts(path).join(QLatin1Char('\\')).toCaseFolded();
}

}  // namespace qvt
