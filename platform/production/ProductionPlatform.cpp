#include "platform/production/ProductionPlatform.h"

#include "platform/Platform.h"

namespace qvt {

ProductionPlatform::ProductionPlatform(const QString& programName)
    : machine_(programName), registry_(SqliteRegistry::DefaultPath()) {}

Platform ProductionPlatform::Table() {
  Platform table = machine_.Table();
  table.media = &media_;
  table.http = &http_;
  table.registry = &registry_;
  table.desktop = &desktop_;
  return table;
}

}  // namespace qvt
