#include "platform/fakes/InstalledPlatform.h"

#include "platform/Http.h"
#include "platform/Media.h"
#include "platform/Registry.h"

namespace qvt {

namespace {

Services g_installed;

}  // namespace

Services& platform() {
  return g_installed;
}

// The installed form of a table's accessor.
#define QVT_INSTALLED_ACCESSOR(Type, accessor) \
  Type& accessor() {                           \
    return accessor(g_installed);              \
  }

QVT_INSTALLED_ACCESSOR(IDialogs, dialogs)
QVT_INSTALLED_ACCESSOR(IEventLoop, eventLoop)
QVT_INSTALLED_ACCESSOR(IAppControl, appControl)
QVT_INSTALLED_ACCESSOR(IScreen, screen)
QVT_INSTALLED_ACCESSOR(IOsInfo, osInfo)
QVT_INSTALLED_ACCESSOR(IProcess, process)
QVT_INSTALLED_ACCESSOR(IClock, systemClock)
QVT_INSTALLED_ACCESSOR(IFileSystem, files)
QVT_INSTALLED_ACCESSOR(IProgramFolder, programFolder)
QVT_INSTALLED_ACCESSOR(IVolumes, volumes)
QVT_INSTALLED_ACCESSOR(IHttp, http)
QVT_INSTALLED_ACCESSOR(IRegistryStore, registryStore)

#undef QVT_INSTALLED_ACCESSOR

void MsgBox(const QString& text) {
  MsgBox(g_installed, text);
}

MsgResult MsgBox(const QString& text, MsgButtons buttons, MsgIcon icon, const QString& title,
                 int defaultButton, bool systemModal) {
  return MsgBox(g_installed, text, buttons, icon, title, defaultButton, systemModal);
}

std::optional<QString> InputBox(const QString& prompt, const QString& title,
                                const QString& defaultText) {
  return InputBox(g_installed, prompt, title, defaultText);
}

std::optional<QString> ChooseFolder(const QString& title, const QString& startFolder) {
  return ChooseFolder(g_installed, title, startFolder);
}

void DoEvents() {
  DoEvents(g_installed);
}

bool PlainFileExists(const QString& path) {
  return PlainFileExists(files(), path);
}

QString ProgramFile(const QString& name) {
  return ProgramFile(g_installed, name);
}

QString DataFile(const QString& name) {
  return DataFile(g_installed, name);
}

QString ResolveNoCase(const QString& folder, const QString& name) {
  return ResolveNoCase(files(), folder, name);
}

bool HasComponentFiles() {
  return g_installed.hasComponentFiles;
}

std::unique_ptr<IMediaPlayer> CreateMediaPlayer() {
  return CreateMediaPlayer(g_installed);
}

}  // namespace qvt
