#include "shared/AtomicFile.h"

#include <QFileInfo>
#include <QRandomGenerator>

#include "platform/FileSystem.h"
#include "platform/base/Check.h"

namespace qvt {

namespace {

constexpr QFileDevice::Permissions kGroupOrOther =
    QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
    QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;

// The 0777 bits of a mode from Qt's permissions (whose owner bits are 0x7000).
int ModeBits(QFileDevice::Permissions permissions) {
  const auto bits = static_cast<int>(permissions.toInt());
  return ((bits >> 12) & 07) << 6 | ((bits >> 4) & 07) << 3 | (bits & 07);
}

// The permissions of a new file in `folder`: the owner's alone where the folder lets no one
// else in, else everyone's less the umask.
int NewFileMode(const QString& folder) {
  return QFileInfo(folder).permissions().testAnyFlags(kGroupOrOther) ? 0666 : 0600;
}

bool NameTaken(const QString& path) {
  const QFileInfo info(path);
  return info.exists() || info.isSymLink();
}

}  // namespace

AtomicFile::AtomicFile(IFileSystem& fs, const QString& path, Mode mode)
    : fs_(fs), mode_(mode), target_(path) {
  const QFileInfo info(path);
  if (mode_ == kReplace && info.isSymLink())
    target_ = info.symLinkTarget();
}

AtomicFile::~AtomicFile() {
  discard();
}

Result<void> AtomicFile::open() {
  discard();
  const QFileInfo targetInfo(target_);
  const int permissions = NewFileMode(targetInfo.absolutePath());
  if (Result<void> created = create(permissions); !created)
    return created;
  if (mode_ == kReplace && targetInfo.exists()) {
    if (Result<void> kept = file_->setMode(ModeBits(targetInfo.permissions())); !kept)
      return fail(QStringLiteral("Cannot create"), kept.error());
  }
  return {};
}

Result<void> AtomicFile::create(int permissions) {
  if (mode_ == kCreateNew) {
    Result<std::unique_ptr<IWritableFile>> created = fs_.createNew(target_, permissions);
    if (!created)
      return fail(QStringLiteral("Cannot create"), created.error());
    file_ = std::move(created).value();
    tempPath_ = target_;
    return {};
  }
  const QFileInfo targetInfo(target_);
  const QString stem = targetInfo.absolutePath() + QStringLiteral("/.") + targetInfo.fileName();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const QString candidate =
        stem + QStringLiteral(".%1.tmp").arg(QRandomGenerator::global()->generate(), 8, 16,
                                             QLatin1Char('0'));
    Result<std::unique_ptr<IWritableFile>> created = fs_.createNew(candidate, permissions);
    if (created) {
      file_ = std::move(created).value();
      tempPath_ = candidate;
      return {};
    }
    if (!NameTaken(candidate))
      return fail(QStringLiteral("Cannot create"), created.error());
  }
  return fail(QStringLiteral("Cannot create"), QStringLiteral("no free temporary name"));
}

Result<void> AtomicFile::write(QByteArrayView bytes) {
  if (!isOpen())
    return fail(QStringLiteral("Cannot write"), QStringLiteral("the file is not open"));
  if (Result<void> written = file_->write(bytes); !written)
    return fail(QStringLiteral("Cannot write"), written.error());
  return {};
}

void AtomicFile::startWriteback() {
  if (isOpen())
    file_->startWriteback();
}

Result<void> AtomicFile::commit() {
  if (!isOpen())
    return fail(QStringLiteral("Cannot write"), QStringLiteral("the file is not open"));
  if (Result<void> synced = file_->sync(); !synced)
    return fail(QStringLiteral("Cannot write"), synced.error());
  const Result<void> closed = file_->close();
  file_.reset();
  if (!closed)
    return fail(QStringLiteral("Cannot write"), closed.error());
  if (mode_ == kReplace) {
    if (const Result<void> renamed = fs_.renameFile(tempPath_, target_); !renamed)
      return fail(QStringLiteral("Cannot replace"), renamed.error());
  }
  tempPath_.clear();
  // Makes the new name durable. The file is in place whatever this answers: a failure is only
  // logged.
  const QString folder = QFileInfo(target_).absolutePath();
  QVT_CHECK(lcFiles(), fs_.syncToDisk(folder), folder);
  return {};
}

void AtomicFile::discard() {
  file_.reset();  // closes, ignoring failures: nothing of it is kept
  if (!tempPath_.isEmpty())
    (void)fs_.removeFile(tempPath_);  // created by this file, so it is there to remove
  tempPath_.clear();
}

Unexpected AtomicFile::fail(const QString& what, const QString& reason) {
  discard();
  return Unexpected{QStringLiteral("%1 %2: %3").arg(what, target_, reason)};
}

Result<void> WriteFileAtomically(IFileSystem& fs, const QString& path, QByteArrayView data) {
  AtomicFile file(fs, path);
  if (Result<void> opened = file.open(); !opened)
    return opened;
  if (Result<void> written = file.write(data); !written)
    return written;
  return file.commit();
}

}  // namespace qvt
