#include "platform/production/ProductionPlatform.h"

#include "platform/Platform.h"

namespace qvt {

ProductionPlatform::ProductionPlatform(const QString& programName)
    : machine_(programName), registry_(SqliteRegistry::DefaultPath()) {
  machine_.Install();
  Platform& p = platform();
  p.media = &media_;
  p.http = &http_;
  p.registry = &registry_;
  p.desktop = &desktop_;
}

}  // namespace qvt
