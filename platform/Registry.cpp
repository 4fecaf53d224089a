#include "platform/Registry.h"

namespace qvt {

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
