#pragma once
// The Linux machine services both programs use (dialogs, event loop, application control,
// screen, operating system, processes, clock, files, program folder, volumes). A program's
// composition root (its main) owns it and hands a table of them (Table) to what it builds.

#include <QString>

#include "platform/Platform.h"
#include "platform/linux/LinuxDialogs.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/linux/LinuxSystem.h"
#include "platform/linux/LinuxVolumes.h"

namespace qvt {

class MachinePlatform {
 public:
  explicit MachinePlatform(const QString& programName);

  // A table of these services under the program's name; its other slots are empty.
  Platform Table();
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

 private:
  QString programName_;
};

}  // namespace qvt
