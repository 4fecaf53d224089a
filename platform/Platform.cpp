#include "platform/Platform.h"

#include "platform/Http.h"
#include "platform/Media.h"
#include "platform/Registry.h"

#include <QDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace qvt {

namespace {

// What ReadWholeFile asks for beyond the size a file had when it was opened.
constexpr qint64 kWholeFileChunk = qint64{64} * 1024;

}  // namespace

void AbortMissingService(const char* name) {
  std::fprintf(stderr, "platform service not installed: %s\n", name);
  std::abort();
}

// An accessor of a table's slot `member`.
#define QVT_SERVICE_ACCESSOR(Type, accessor, member) \
  Type& accessor(const Platform& table) {            \
    return RequireService(table.member, #member);    \
  }

QVT_SERVICE_ACCESSOR(IDialogs, dialogs, dialogs)
QVT_SERVICE_ACCESSOR(IEventLoop, eventLoop, eventLoop)
QVT_SERVICE_ACCESSOR(IAppControl, appControl, app)
QVT_SERVICE_ACCESSOR(IScreen, screen, screen)
QVT_SERVICE_ACCESSOR(IOsInfo, osInfo, os)
QVT_SERVICE_ACCESSOR(IProcess, process, process)
QVT_SERVICE_ACCESSOR(IClock, systemClock, clock)
QVT_SERVICE_ACCESSOR(IFileSystem, files, files)
QVT_SERVICE_ACCESSOR(IProgramFolder, programFolder, programFolder)
QVT_SERVICE_ACCESSOR(IVolumes, volumes, volumes)
QVT_SERVICE_ACCESSOR(IHttp, http, http)
QVT_SERVICE_ACCESSOR(IRegistryStore, registryStore, registry)

#undef QVT_SERVICE_ACCESSOR

std::unique_ptr<IMediaPlayer> CreateMediaPlayer(const Platform& table) {
  return RequireService(table.media, "media").create();
}

void DoEvents(const Platform& table) {
  eventLoop(table).doEvents();
}

void MsgBox(const Platform& table, const QString& text) {
  MsgBox(table, text, MsgButtons::OkOnly, MsgIcon::None, QString());
}

MsgResult MsgBox(const Platform& table, const QString& text, MsgButtons buttons, MsgIcon icon,
                 const QString& title, int defaultButton, bool systemModal) {
  MessageBoxSpec spec;
  spec.text = text;
  spec.title = title.isEmpty() ? table.programName : title;
  spec.buttons = buttons;
  spec.icon = icon;
  spec.defaultButton = defaultButton;
  spec.systemModal = systemModal;
  return dialogs(table).messageBox(spec);
}

std::optional<QString> ChooseFolder(const Platform& table, const QString& title,
                                    const QString& startFolder) {
  return dialogs(table).chooseFolder(title, startFolder);
}

std::optional<QString> InputBox(const Platform& table, const QString& prompt, const QString& title,
                                const QString& defaultText) {
  return dialogs(table).inputBox(prompt, title.isEmpty() ? table.programName : title, defaultText);
}

bool PlainFileExists(IFileSystem& fs, const QString& path) {
  if (path.isEmpty())
    return false;
  const std::optional<int32_t> attrs = fs.attributes(path);
  if (!attrs)
    return false;
  return (*attrs & (kAttrDirectory | kAttrHidden | kAttrSystem)) == 0;
}

Result<QByteArray> ReadWholeFile(IFileSystem& fs, const QString& path) {
  Result<std::unique_ptr<IReadableFile>> opened = fs.openToRead(path);
  if (!opened)
    return Unexpected{opened.error()};
  const std::unique_ptr<IReadableFile> file = std::move(opened).value();
  QByteArray bytes;
  for (;;) {
    // A file may grow after its size was taken: read on until a read finds nothing.
    const qint64 at = bytes.size();
    bytes.resize(at + std::max<qint64>(file->size() - at, 0) + kWholeFileChunk);
    const Result<qint64> got = file->read(bytes.data() + at, bytes.size() - at);
    if (!got)
      return Unexpected{got.error()};
    bytes.resize(at + *got);
    if (*got == 0)
      return bytes;
  }
}

QString ResolveNoCase(IFileSystem& fs, const QString& folder, const QString& name) {
  const QString exact = folder + QLatin1Char('/') + name;
  if (fs.attributes(exact))
    return exact;
  const QStringList entries = fs.listDirectory(folder);
  for (const QString& entry : entries) {
    if (entry.compare(name, Qt::CaseInsensitive) == 0)
      return folder + QLatin1Char('/') + entry;
  }
  return exact;
}

QString ProgramFile(const Platform& table, const QString& name) {
  return ResolveNoCase(files(table), programFolder(table).folder(), name);
}

QString DataFile(const Platform& table, const QString& name) {
  return ResolveNoCase(files(table), programFolder(table).dataFolder(), name);
}

}  // namespace qvt
