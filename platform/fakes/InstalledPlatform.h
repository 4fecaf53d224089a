#pragma once
// The service table installed process-wide for tests, benchmarks and fuzz targets, and the forms
// of the helpers that use it. The programs hand their tables down and install nothing; a test
// installs its fakes here (FakePlatform, ScopedPlatform) and calls the code under test with
// platform(), or calls these forms in its own steps. Like all test code, the fakes see the
// shared layer: the installed table is a whole program's table (shared/Services.h).

#include <memory>
#include <optional>

#include "shared/Services.h"

namespace qvt {

class IHttp;
class IMediaPlayer;
class IRegistryStore;

// The installed table. Every accessor aborts when its service is not installed.
Services& platform();
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
IHttp& http();
IRegistryStore& registryStore();

// The helpers of Platform.h, Dialogs.h, FileSystem.h and Media.h over the installed table.
void MsgBox(const QString& text);
MsgResult MsgBox(const QString& text, MsgButtons buttons, MsgIcon icon, const QString& title,
                 int defaultButton = 1, bool systemModal = false);
std::optional<QString> InputBox(const QString& prompt, const QString& title = QString(),
                                const QString& defaultText = QString());
std::optional<QString> ChooseFolder(const QString& title, const QString& startFolder);
void DoEvents();
bool PlainFileExists(const QString& path);
QString ProgramFile(const QString& name);
QString DataFile(const QString& name);
QString ResolveNoCase(const QString& folder, const QString& name);
bool HasComponentFiles();
std::unique_ptr<IMediaPlayer> CreateMediaPlayer();

// Points the installed table's machine services at the members of `set`.
template <typename ServiceSet>
void InstallMachineServices(ServiceSet& set) {
  FillMachineServices(platform(), set);
}

}  // namespace qvt
