#pragma once
// The process-wide table of platform services. Production code installs the Linux
// implementations at start-up; tests install fakes (see platform/fakes/FakePlatform.h).

#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/System.h"
#include "platform/Volumes.h"

namespace qvt {

class IMediaFactory;

struct Platform {
  IDialogs* dialogs = nullptr;
  IEventLoop* eventLoop = nullptr;
  IAppControl* app = nullptr;
  IScreen* screen = nullptr;
  IOsInfo* os = nullptr;
  IProcess* process = nullptr;
  IClock* clock = nullptr;
  IFileSystem* files = nullptr;
  IProgramFolder* programFolder = nullptr;
  IMediaFactory* media = nullptr;
  IVolumes* volumes = nullptr;
  QString programName = QStringLiteral("Quavertone");
};

// The installed services. Asserts that a service is installed before it is used.
Platform& platform();
IDialogs& dialogs();
IEventLoop& eventLoop();
IAppControl& appControl();
IScreen& screen();
IOsInfo& osInfo();
IProcess& process();
IClock& systemClock();
IFileSystem& files();
IProgramFolder& programFolder();
IVolumes& volumes();

// One pass of the event loop.
void DoEvents();

}  // namespace qvt
