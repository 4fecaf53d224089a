#pragma once
// The player's real services: the Linux machine services (MachinePlatform), libmpv media,
// libcurl HTTP, the SQLite registry store and the Linux desktop; no component files. The
// player's composition root (player/main.cpp) owns it, after the QApplication exists, and hands
// a table of them (Table) to what it builds.

#include <QString>

#include "platform/http/CurlHttp.h"
#include "platform/linux/LinuxDesktop.h"
#include "platform/media/MpvMediaFactory.h"
#include "platform/production/MachinePlatform.h"
#include "platform/registry/SqliteRegistry.h"

namespace qvt {

class ProductionPlatform {
 public:
  explicit ProductionPlatform(const QString& programName);
  ProductionPlatform(const ProductionPlatform&) = delete;
  ProductionPlatform& operator=(const ProductionPlatform&) = delete;

  // A table of these services under the program's name.
  Platform Table();

 private:
  MachinePlatform machine_;
  MpvMediaFactory media_;
  CurlHttp http_;
  SqliteRegistry registry_;
  LinuxDesktop desktop_;
};

}  // namespace qvt
