#include "platform/production/ProductionPlatform.h"

#include "platform/Platform.h"
#include "platform/http/CurlHttp.h"
#include "platform/linux/LinuxDialogs.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/linux/LinuxSystem.h"
#include "platform/linux/LinuxVolumes.h"
#include "platform/media/MpvMediaFactory.h"
#include "platform/registry/SqliteRegistry.h"
#include "player/options/LinuxDesktop.h"
#include "shared/ui/ProgressWindows.h"

namespace qvt {

namespace {

// The machine services, named as the table names them.
struct LinuxMachine {
  LinuxDialogs dialogs;
  LinuxEventLoop eventLoop;
  LinuxAppControl app;
  LinuxScreen screen;
  LinuxOsInfo os;
  LinuxProcess process;
  LinuxClock clock;
  LinuxFileSystem files;
  LinuxProgramFolder programFolder;
  LinuxVolumes volumes;
};

}  // namespace

void InstallProductionPlatform(const QString& programName) {
  static LinuxMachine machine;
  static MpvMediaFactory media;
  static CurlHttp http;
  static SqliteRegistry registry(SqliteRegistry::DefaultPath());
  static LinuxDesktop desktop;
  InstallMachineServices(machine);
  Platform& p = platform();
  p.media = &media;
  p.http = &http;
  p.registry = &registry;
  p.desktop = &desktop;
  p.progressWindows = &ScreenProgressWindows();
  p.hasComponentFiles = false;
  p.programName = programName;
}

}  // namespace qvt
