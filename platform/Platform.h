#pragma once
// The table of the platform's services: every seam between the program's logic and the machine
// it runs on, in one place. Each program's main builds one from the services it owns
// (platform/production/ProductionPlatform.h, MachinePlatform.h) and hands it, as part of the
// program's own table, to what it makes, which reaches the machine through it (the accessors
// below). Nothing is installed process-wide in the programs. Tests, benchmarks and fuzz targets
// install a table of fakes (platform/fakes/FakePlatform.h, InstalledPlatform.h) and hand that; a
// test that swaps one service uses ScopedPlatform (platform/fakes/ScopedPlatform.h), which puts
// the previous table back on scope exit.

#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/System.h"
#include "platform/Volumes.h"

namespace qvt {

class IDesktop;
class IHttp;
class IMediaFactory;
class IRegistryStore;

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
  IHttp* http = nullptr;
  IRegistryStore* registry = nullptr;
  // The desktop that file-type associations reach (platform/Desktop.h); none:
  // associations stay in the registry store.
  IDesktop* desktop = nullptr;
  // The component switch. True where the platform's controls come as separate component files
  // that the player checks for at start-up and downloads into the system folder (a Windows
  // arrangement). Always false on Linux, where the controls are part of the program: every
  // component path returns at its entry, so that code is inert here. Tests set it to run the
  // paths' logic.
  bool hasComponentFiles = false;
  QString programName = QStringLiteral("Quavertone");
};

// Ends the program, naming the service that a table handed down does not hold.
[[noreturn]] void AbortMissingService(const char* name);
// The service in a table's slot; ends the program when the slot is empty.
template <typename T>
T& RequireService(T* service, const char* name) {
  if (service == nullptr)
    AbortMissingService(name);
  return *service;
}

// A table's services. Each aborts when its slot is empty (http() and registryStore() are
// declared in platform/Http.h and platform/Registry.h).
IDialogs& dialogs(const Platform& table);
IEventLoop& eventLoop(const Platform& table);
IAppControl& appControl(const Platform& table);
IScreen& screen(const Platform& table);
IOsInfo& osInfo(const Platform& table);
IProcess& process(const Platform& table);
IClock& systemClock(const Platform& table);
IFileSystem& files(const Platform& table);
IProgramFolder& programFolder(const Platform& table);
IVolumes& volumes(const Platform& table);

// The helpers over a table handed to the caller: a box titled with the table's program name by
// default, a pass of its event loop, and the full path of a name in its program or data folder
// (settings and status files) through its file system, resolved without regard to case (the
// existing entry of any case, or the name as given when none exists).
void MsgBox(const Platform& table, const QString& text);
MsgResult MsgBox(const Platform& table, const QString& text, MsgButtons buttons, MsgIcon icon,
                 const QString& title, int defaultButton = 1, bool systemModal = false);
std::optional<QString> InputBox(const Platform& table, const QString& prompt,
                                const QString& title = QString(),
                                const QString& defaultText = QString());
std::optional<QString> ChooseFolder(const Platform& table, const QString& title,
                                    const QString& startFolder);
void DoEvents(const Platform& table);
QString ProgramFile(const Platform& table, const QString& name);
QString DataFile(const Platform& table, const QString& name);
QString ResolveNoCase(IFileSystem& fs, const QString& folder, const QString& name);

// Points a table's machine services at the members of `set`, which names them as the table
// does (dialogs, eventLoop, app, ...). Production and FakePlatform fill tables with them.
template <typename ServiceSet>
void FillMachineServices(Platform& p, ServiceSet& set) {
  p.dialogs = &set.dialogs;
  p.eventLoop = &set.eventLoop;
  p.app = &set.app;
  p.screen = &set.screen;
  p.os = &set.os;
  p.process = &set.process;
  p.clock = &set.clock;
  p.files = &set.files;
  p.programFolder = &set.programFolder;
  p.volumes = &set.volumes;
}

}  // namespace qvt
