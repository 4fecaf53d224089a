#pragma once
// The Linux machine services both programs use (dialogs, event loop, application control,
// screen, operating system, processes, clock, files, program folder, volumes), installed into
// the service table (platform/Platform.h) for as long as the object lives. A program's
// composition root (its main) owns it.

#include <QString>

#include "platform/linux/LinuxDialogs.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/linux/LinuxSystem.h"
#include "platform/linux/LinuxVolumes.h"

namespace qvt {

class MachinePlatform {
 public:
  explicit MachinePlatform(const QString& programName);
  MachinePlatform(const MachinePlatform&) = delete;
  MachinePlatform& operator=(const MachinePlatform&) = delete;

  // The services, named as the table names them.
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

}  // namespace qvt
