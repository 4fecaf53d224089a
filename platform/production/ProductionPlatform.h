#pragma once
// The player's real services: the Linux machine services (MachinePlatform), libmpv media,
// libcurl HTTP, the SQLite registry store and the Linux desktop, installed into the service
// table (platform/Platform.h) for as long as the object lives; no component files. The
// player's composition root (player/main.cpp) owns it, after the QApplication exists.

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

 private:
  MachinePlatform machine_;
  MpvMediaFactory media_;
  CurlHttp http_;
  SqliteRegistry registry_;
  LinuxDesktop desktop_;
};

}  // namespace qvt
