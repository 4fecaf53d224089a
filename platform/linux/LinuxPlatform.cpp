#include "platform/linux/LinuxPlatform.h"

#include "platform/Platform.h"
#include "platform/linux/LinuxDialogs.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/linux/LinuxSystem.h"
#include "platform/linux/LinuxVolumes.h"

namespace qvt {

void InstallLinuxPlatform(const QString& programName) {
  // The services live as long as the process.
  static LinuxDialogs dialogs;
  static LinuxEventLoop eventLoop;
  static LinuxAppControl app;
  static LinuxScreen screen;
  static LinuxOsInfo os;
  static LinuxProcess process;
  static LinuxClock clock;
  static LinuxFileSystem files;
  static LinuxProgramFolder folder;
  static LinuxVolumes volumes;
  Platform& p = platform();
  p.dialogs = &dialogs;
  p.eventLoop = &eventLoop;
  p.app = &app;
  p.screen = &screen;
  p.os = &os;
  p.process = &process;
  p.clock = &clock;
  p.files = &files;
  p.programFolder = &folder;
  p.volumes = &volumes;
  p.programName = programName;
}

}  // namespace qvt
