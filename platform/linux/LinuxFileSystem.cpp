#include "platform/linux/LinuxFileSystem.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

namespace qvt {

namespace {

Unexpected errnoFailure() {
  return Unexpected{QString::fromLocal8Bit(std::strerror(errno))};
}

// Copies what is left of `source` through `write`; fails naming `to` when it cannot be read,
// or with the write's failure.
Result<void> CopyContents(QFile& source, const std::function<Result<void>(QByteArrayView)>& write,
                          const QString& to) {
  std::vector<char> buffer(65536);
  for (;;) {
    const qint64 n = source.read(buffer.data(), static_cast<qint64>(buffer.size()));
    if (n < 0)
      return Unexpected{QStringLiteral("Path/File access error: ") + to};
    if (n == 0)
      return {};
    if (Result<void> written = write(QByteArrayView(buffer.data(), n)); !written)
      return written;
  }
}

// Makes `path` (and the folders above it) when missing, and leaves it readable by its owner
// only: the settings and lists in it are nobody else's business. A folder an earlier version
// made for everyone is closed too.
void MakePrivateFolder(const QString& path) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  const QByteArray native = QFile::encodeName(path);
  if (::mkdir(native.constData(), 0700) != 0) {
    struct stat st {};
    if (::lstat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
        (st.st_mode & 077) != 0)
      (void)::chmod(native.constData(), st.st_mode & 0700);
  }
}

// An open descriptor of a file created by createNew.
class LinuxWritableFile : public IWritableFile {
 public:
  explicit LinuxWritableFile(int fd) : fd_(fd) {}
  ~LinuxWritableFile() override {
    if (fd_ >= 0)
      ::close(fd_);
  }
  LinuxWritableFile(const LinuxWritableFile&) = delete;
  LinuxWritableFile& operator=(const LinuxWritableFile&) = delete;

  Result<void> write(QByteArrayView bytes) override {
    const char* data = bytes.data();
    auto left = static_cast<size_t>(bytes.size());
    while (left > 0) {
      const ssize_t n = ::write(fd_, data, left);
      if (n < 0 && errno == EINTR)
        continue;
      if (n < 0)
        return errnoFailure();
      data += n;
      left -= static_cast<size_t>(n);
    }
    return {};
  }
  void startWriteback() override { (void)::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE); }
  Result<void> setMode(int mode) override {
    if (::fchmod(fd_, static_cast<mode_t>(mode)) != 0)
      return errnoFailure();
    return {};
  }
  Result<void> sync() override {
    if (::fsync(fd_) != 0)
      return errnoFailure();
    return {};
  }
  Result<void> close() override {
    // The descriptor is gone whatever close answers; EINTR does not mean the data is lost.
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0 && errno != EINTR)
      return errnoFailure();
    return {};
  }

 private:
  int fd_;
};

// A file opened for reading, through QFile: its failures are described in QFile's words.
class LinuxReadableFile : public IReadableFile {
 public:
  explicit LinuxReadableFile(const QString& path) : file_(path) {}
  bool open() { return file_.open(QIODevice::ReadOnly); }
  QString errorString() const { return file_.errorString(); }

  qint64 size() override { return file_.size(); }
  Result<qint64> read(char* into, qint64 maxBytes) override {
    const qint64 got = file_.read(into, maxBytes);
    if (got < 0)
      return Unexpected{file_.errorString()};
    return got;
  }
  Result<void> seek(qint64 offset) override {
    if (!file_.seek(offset))
      return Unexpected{file_.errorString()};
    return {};
  }

 private:
  QFile file_;
};

}  // namespace

const QString kSystemInstallMarker = QStringLiteral("SystemInstall.qvc");

std::optional<int32_t> LinuxFileSystem::attributes(const QString& path) {
  if (path.isEmpty())
    return std::nullopt;
  const QByteArray native = QFile::encodeName(path);
  struct stat st {};
  if (::stat(native.constData(), &st) != 0)
    return std::nullopt;  // follows symbolic links
  int32_t attrs = 0;
  if (S_ISDIR(st.st_mode)) {
    attrs |= kAttrDirectory;
  } else if (!S_ISREG(st.st_mode)) {
    attrs |= kAttrSystem;
  }
  // Root may write anything; for it a file is read-only when no write bit is set at all.
  const bool writable = ::geteuid() == 0 ? (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0
                                         : ::access(native.constData(), W_OK) == 0;
  if (!writable)
    attrs |= kAttrReadOnly;
  // The name after the last "/", taken from the text alone (this runs for every song of a
  // list: no QFileInfo per call).
  const QStringView name = QStringView(path).mid(path.lastIndexOf(QLatin1Char('/')) + 1);
  if (name.startsWith(QLatin1Char('.')) && name != QLatin1String(".") &&
      name != QLatin1String("..")) {
    attrs |= kAttrHidden;
  }
  return attrs;
}

Result<void> LinuxFileSystem::copyFile(const QString& from, const QString& to) {
  QFile source(from);
  if (!source.open(QIODevice::ReadOnly))
    return Unexpected{QStringLiteral("File not found: ") + from};
  QFile target(to);
  if (!target.open(QIODevice::WriteOnly | QIODevice::Truncate))
    return Unexpected{QStringLiteral("Permission denied: ") + to};
  const auto write = [&](QByteArrayView bytes) -> Result<void> {
    if (target.write(bytes.data(), bytes.size()) != bytes.size())
      return Unexpected{QStringLiteral("Path/File access error: ") + to};
    return {};
  };
  if (Result<void> copied = CopyContents(source, write, to); !copied)
    return copied;
  if (!target.flush())
    return Unexpected{QStringLiteral("Path/File access error: ") + to};
  target.setPermissions(source.permissions());
  return {};
}

Result<void> LinuxFileSystem::copyToNewFile(const QString& from, const QString& to) {
  QFile source(from);
  if (!source.open(QIODevice::ReadOnly))
    return Unexpected{QStringLiteral("File not found: ") + from};
  Result<std::unique_ptr<IWritableFile>> created = createNew(to, 0600);
  if (!created)
    return Unexpected{created.error()};
  const std::unique_ptr<IWritableFile> target = std::move(created).value();
  Result<void> copied = CopyContents(
      source, [&](QByteArrayView bytes) { return target->write(bytes); }, to);
  if (copied)
    copied = target->close();
  if (!copied)
    (void)removeFile(to);  // the copy is this call's own: a partial one goes
  return copied;
}

Result<std::unique_ptr<IWritableFile>> LinuxFileSystem::createNew(const QString& path, int mode) {
  const int fd =
      ::open(QFile::encodeName(path).constData(),
             O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, static_cast<mode_t>(mode));
  if (fd < 0)
    return errnoFailure();
  return std::unique_ptr<IWritableFile>(std::make_unique<LinuxWritableFile>(fd));
}

Result<std::unique_ptr<IReadableFile>> LinuxFileSystem::openToRead(const QString& path) {
  auto file = std::make_unique<LinuxReadableFile>(path);
  if (!file->open())
    return Unexpected{file->errorString()};
  return std::unique_ptr<IReadableFile>(std::move(file));
}

Result<void> LinuxFileSystem::removeFile(const QString& path) {
  if (::unlink(QFile::encodeName(path).constData()) != 0)
    return errnoFailure();
  return {};
}

Result<void> LinuxFileSystem::renameFile(const QString& from, const QString& to) {
  if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
    return errnoFailure();
  return {};
}

bool LinuxFileSystem::makeDirectory(const QString& path) {
  return ::mkdir(QFile::encodeName(path).constData(), 0777) == 0;
}

QStringList LinuxFileSystem::listDirectory(const QString& path) {
  QDir dir(path);
  if (!dir.exists())
    return {};
  return dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                       QDir::Name);
}

bool LinuxFileSystem::setExecutable(const QString& path) {
  QFile file(path);
  return file.setPermissions(file.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser |
                             QFileDevice::ExeGroup | QFileDevice::ExeOther);
}

Result<void> LinuxFileSystem::setPermissions(const QString& path, uint32_t mode) {
  // Opened without following a link, so the mode changes on the file at this name only.
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0)
    return errnoFailure();
  if (::fchmod(fd, static_cast<mode_t>(mode)) != 0) {
    Unexpected failure = errnoFailure();
    ::close(fd);
    return failure;
  }
  ::close(fd);
  return {};
}

bool LinuxFileSystem::syncToDisk(const QString& path) {
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

LinuxFileSystem::~LinuxFileSystem() {
  for (const int fd : std::as_const(locks_))
    ::close(fd);
}

bool LinuxFileSystem::holdLock(const QString& path) {
  if (locks_.contains(path))
    return true;
  // Its owner's only, like every file of the data folder.
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0)
    return false;
  // Another process may hold the lock for a moment to see whether it is held: try a while.
  for (int attempt = 0; ::flock(fd, LOCK_EX | LOCK_NB) != 0; ++attempt) {
    if (errno != EWOULDBLOCK || attempt == 20) {
      ::close(fd);
      return false;
    }
    ::usleep(5000);
  }
  locks_.insert(path, fd);
  return true;
}

void LinuxFileSystem::releaseLock(const QString& path) {
  if (locks_.contains(path))
    ::close(locks_.take(path));  // closing the only descriptor of the open file drops its lock
}

bool LinuxFileSystem::isLocked(const QString& path) {
  // A lock of this process's own shows as held too: a second open file conflicts with it.
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return false;
  const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);
  return held;
}

QString LinuxProgramFolder::folder() {
  if (folder_.isEmpty()) {
#ifdef QVT_TEST_BUILD
    // Test builds only: a program folder elsewhere than the executable's. A release build
    // never lets its environment move the folder it installs updates into.
    const QByteArray overridden = qgetenv("QUAVERTONE_PROGRAM_DIR");
    if (!overridden.isEmpty())
      folder_ = QDir::cleanPath(QString::fromLocal8Bit(overridden));
#endif
    if (folder_.isEmpty())
      folder_ = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
  }
  return folder_;
}

bool IsSystemWideInstall(const QString& programFolder) {
  const QByteArray native = QFile::encodeName(programFolder);
  if (::access(
          QFile::encodeName(programFolder + QLatin1Char('/') + kSystemInstallMarker).constData(),
          F_OK) == 0)
    return true;
  struct stat st {};
  if (::stat(native.constData(), &st) != 0)
    return false;
  // Installed for another user, or laid out read-only for its owner: the folder's mode and
  // owner say how it was installed, whoever runs the program (root may write anything, so
  // whether a write would succeed says nothing).
  return st.st_uid != ::geteuid() || (st.st_mode & S_IWUSR) == 0;
}

QString LinuxProgramFolder::dataFolder() {
  if (dataFolder_.isEmpty()) {
    const QString program = folder();
    if (!IsSystemWideInstall(program)) {
      dataFolder_ = program;
    } else {
      QString base = QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME"));
      if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
      dataFolder_ = base + QStringLiteral("/quavertone");
      MakePrivateFolder(dataFolder_);
    }
  }
  return dataFolder_;
}

}  // namespace qvt
