#include "platform/fakes/FakePlatform.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <utility>

#include "platform/linux/LinuxSystem.h"

namespace qvt {

namespace {

// The next scripted answer; a null QString, or none left, cancels.
std::optional<QString> NextAnswer(std::deque<QString>& answers) {
  if (answers.empty())
    return std::nullopt;
  const QString answer = answers.front();
  answers.pop_front();
  if (answer.isNull())
    return std::nullopt;
  return answer;
}

// A file whose bytes from `end` on cannot be read: a read there fails.
class FailingReadFile : public IReadableFile {
 public:
  FailingReadFile(std::unique_ptr<IReadableFile> file, qint64 end)
      : file_(std::move(file)), end_(end) {}
  qint64 size() override { return file_->size(); }
  Result<qint64> read(char* into, qint64 maxBytes) override {
    if (position_ >= end_)
      return Unexpected{QStringLiteral("Input/output error")};
    const Result<qint64> got = file_->read(into, std::min(maxBytes, end_ - position_));
    if (got)
      position_ += *got;
    return got;
  }
  Result<void> seek(qint64 offset) override {
    Result<void> moved = file_->seek(offset);
    if (moved)
      position_ = offset;
    return moved;
  }

 private:
  std::unique_ptr<IReadableFile> file_;
  qint64 end_;
  qint64 position_ = 0;
};

}  // namespace

MsgResult FakeDialogs::messageBox(const MessageBoxSpec& spec) {
  shown.push_back(spec);
  if (onShow)
    onShow(spec);
  if (!answers.empty()) {
    const MsgResult answer = answers.front();
    answers.pop_front();
    return answer;
  }
  switch (spec.buttons) {
    case MsgButtons::OkOnly:
    case MsgButtons::OkCancel:
      return MsgResult::Ok;
    case MsgButtons::AbortRetryIgnore:
      return MsgResult::Abort;
    case MsgButtons::YesNoCancel:
    case MsgButtons::YesNo:
      return MsgResult::Yes;
    case MsgButtons::RetryCancel:
      return MsgResult::Retry;
  }
  return MsgResult::Ok;
}

std::optional<QString> FakeDialogs::inputBox(const QString& prompt, const QString& title,
                                             const QString& defaultText) {
  inputs.push_back({prompt, title, defaultText});
  return NextAnswer(inputAnswers);
}

std::optional<QString> FakeDialogs::chooseFolder(const QString& title, const QString& startFolder) {
  folderChoices.push_back({QString(), title, startFolder});
  if (onChooseFolder)
    onChooseFolder();
  return NextAnswer(folderAnswers);
}

QStringList FakeDialogs::texts() const {
  QStringList out;
  for (const MessageBoxSpec& spec : shown)
    out << spec.text;
  return out;
}

void FakeEventLoop::doEvents() {
  ++passes;
  if (processQtEvents && QCoreApplication::instance() != nullptr) {
    QCoreApplication::processEvents();
  }
  if (onPass)
    onPass();
}

void FakeEventLoop::singleShot(int milliseconds, QObject* context, std::function<void()> slot) {
  QTimer::singleShot(0, context, [this, milliseconds, slot = std::move(slot)] {
    timers.push_back(milliseconds);
    if (onTimer)
      onTimer(milliseconds);
    slot();
  });
}

void FakeAppControl::endProgram(int exitCode) {
  endedWith = exitCode;
  throw ProgramEnded{exitCode};
}

QString FakeOsInfo::expandEnvironmentStrings(const QString& text) {
  return ExpandPercentReferences(
      text,
      [](const QString& name, void* self) -> QString {
        const auto* os = static_cast<FakeOsInfo*>(self);
        if (!os->env.contains(name))
          return QString();
        return os->env.value(name);
      },
      this);
}

bool FakeProcess::startDetached(const QString& program, const QStringList& arguments) {
  started.push_back({program, arguments});
  return startSucceeds;
}

void FakeProcess::sleepMs(int milliseconds) {
  sleeps.push_back(milliseconds);
  if (onSleep)
    onSleep(milliseconds);
}

Result<QByteArray> FakeProcess::runForOutput(const QString& program, const QStringList& arguments,
                                             int) {
  ran.push_back({program, arguments});
  return runAnswer;
}

std::optional<int32_t> FakeFileSystem::attributes(const QString& path) {
  if (attributeOverrides.contains(path))
    return attributeOverrides.value(path);
  return LinuxFileSystem::attributes(path);
}

Result<void> FakeFileSystem::fails(const QString& path, const QString& other) const {
  if (failingPaths.contains(path) || (!other.isEmpty() && failingPaths.contains(other)))
    return Unexpected{QStringLiteral("Permission denied")};
  return {};
}

Result<void> FakeFileSystem::copyFile(const QString& from, const QString& to) {
  if (Result<void> failure = fails(from, to); !failure)
    return failure;
  if (Result<void> fault = faults.count("copy", to); !fault)
    return fault;
  return LinuxFileSystem::copyFile(from, to);
}

Result<void> FakeFileSystem::copyToNewFile(const QString& from, const QString& to) {
  if (Result<void> failure = fails(from, to); !failure)
    return failure;
  return LinuxFileSystem::copyToNewFile(from, to);  // creates and writes through createNew
}

Result<std::unique_ptr<IWritableFile>> FakeFileSystem::createNew(const QString& path, int mode) {
  if (Result<void> fault = faults.count("create", path); !fault)
    return Unexpected{fault.error()};
  Result<std::unique_ptr<IWritableFile>> created = LinuxFileSystem::createNew(path, mode);
  if (!created)
    return created;
  return std::unique_ptr<IWritableFile>(
      std::make_unique<FaultingFile>(std::move(created).value(), faults, path));
}

Result<std::unique_ptr<IReadableFile>> FakeFileSystem::openToRead(const QString& path) {
  const auto failing = readFailsAfter.constFind(path);
  if (failing != readFailsAfter.cend() && *failing == 0)
    return Unexpected{QStringLiteral("Permission denied")};
  Result<std::unique_ptr<IReadableFile>> opened = LinuxFileSystem::openToRead(path);
  if (!opened || failing == readFailsAfter.cend())
    return opened;
  return std::unique_ptr<IReadableFile>(
      std::make_unique<FailingReadFile>(std::move(opened).value(), *failing));
}

Result<void> FakeFileSystem::removeFile(const QString& path) {
  if (Result<void> failure = fails(path); !failure)
    return failure;
  return LinuxFileSystem::removeFile(path);
}

Result<void> FakeFileSystem::renameFile(const QString& from, const QString& to) {
  if (Result<void> failure = fails(from, to); !failure)
    return failure;
  if (Result<void> fault = faults.count("rename", to); !fault)
    return fault;
  return LinuxFileSystem::renameFile(from, to);
}

bool FakeFileSystem::makeDirectory(const QString& path) {
  if (failingPaths.contains(path) || !faults.count("mkdir", path))
    return false;
  return LinuxFileSystem::makeDirectory(path);
}

bool FakeFileSystem::setExecutable(const QString& path) {
  if (failingPaths.contains(path) || !faults.count("executable", path))
    return false;
  return LinuxFileSystem::setExecutable(path);
}

bool FakeFileSystem::syncToDisk(const QString& path) {
  {
    const std::lock_guard lock(syncedMutex_);
    synced << path;
  }
  if (failingPaths.contains(path) || !faults.count("sync", path))
    return false;
  return LinuxFileSystem::syncToDisk(path);
}

Result<void> FakeFileSystem::setPermissions(const QString& path, uint32_t mode) {
  if (Result<void> failure = fails(path); !failure)
    return failure;
  return LinuxFileSystem::setPermissions(path, mode);
}

namespace {

QString WithoutTrailingSlash(QString path) {
  while (path.size() > 1 && path.endsWith(u'/'))
    path.chop(1);
  return path;
}

}  // namespace

bool FakeFileSystem::listEntries(const QString& folder, EntryKind kind,
                                 const std::atomic<bool>* cancelled,
                                 const std::function<void(QString)>& keep) {
  const auto listed = folders.constFind(WithoutTrailingSlash(folder));
  if (listed == folders.cend())
    return LinuxFileSystem::listEntries(folder, kind, cancelled, keep);
  for (const QString& entry : listed->entries) {
    if (cancelled != nullptr && *cancelled)
      return false;
    const bool isFolder = entry.endsWith(u'/');
    if (isFolder == (kind == EntryKind::Folder))
      keep(isFolder ? entry.chopped(1) : entry);
  }
  return listed->readable;
}

FolderFiles FakeFileSystem::filesBelow(const QString& folder,
                                       const std::function<bool()>& cancelled) {
  const QString top = WithoutTrailingSlash(folder);
  if (!folders.contains(top))
    return LinuxFileSystem::filesBelow(folder, cancelled);
  FolderFiles found;
  std::vector<QString> below{top};  // the folders still to read, the next one last
  while (!below.empty() && !cancelled()) {
    const QString path = below.back();
    below.pop_back();
    const auto listed = folders.constFind(path);
    if (listed == folders.cend() || !listed->readable)
      ++found.unreadable;
    if (listed == folders.cend())
      continue;
    std::vector<QString> subfolders;
    for (const QString& entry : listed->entries) {
      if (cancelled())
        return found;
      const QString entryPath = path + u'/' + entry;
      if (entry.endsWith(u'/'))
        subfolders.push_back(entryPath.chopped(1));
      else
        found.files.push_back(entryPath);
    }
    below.insert(below.end(), subfolders.rbegin(), subfolders.rend());
  }
  return found;
}

FakePlatform::FakePlatform() {
  programFolder.path = dir_.path();
  volumes.list = {{QStringLiteral("/"), QStringLiteral("root"), true},
                  {programFolder.path, QStringLiteral("home"), true}};
  InstallMachineServices(*this);
  platform().hasComponentFiles = false;
  platform().programName = QStringLiteral("Quavertone");
}

}  // namespace qvt
