#include "shared/AtomicFile.h"

#include <fcntl.h>
#include <unistd.h>
#include <QFileInfo>
#include <QRandomGenerator>

#include "platform/FileSystem.h"

namespace qvt {

AtomicFile::AtomicFile(IFileSystem& fs, const QString& path) : fs_(fs), target_(path) {
  const QFileInfo info(path);
  if (info.isSymLink())
    target_ = info.symLinkTarget();
}

AtomicFile::~AtomicFile() {
  discard();
}

Result<void> AtomicFile::open() {
  discard();
  const QFileInfo targetInfo(target_);
  const QString stem = targetInfo.absolutePath() + QStringLiteral("/.") + targetInfo.fileName();
  // A name another writer took meanwhile is passed over; any other failure ends the attempt.
  for (int attempt = 0; attempt < 100; ++attempt) {
    const QString candidate =
        stem + QStringLiteral(".%1.tmp").arg(QRandomGenerator::global()->generate(), 8, 16,
                                             QLatin1Char('0'));
    file_.setFileName(candidate);
    if (file_.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
      tempPath_ = candidate;
      if (targetInfo.exists())
        file_.setPermissions(targetInfo.permissions());
      return {};
    }
    if (!QFileInfo::exists(candidate))
      return fail(QStringLiteral("Cannot create"), file_.errorString());
  }
  return fail(QStringLiteral("Cannot create"), QStringLiteral("no free temporary name"));
}

Result<void> AtomicFile::write(QByteArrayView bytes) {
  if (!isOpen())
    return fail(QStringLiteral("Cannot write"), QStringLiteral("the file is not open"));
  if (file_.write(bytes.data(), bytes.size()) != bytes.size())
    return fail(QStringLiteral("Cannot write"), file_.errorString());
  return {};
}

void AtomicFile::startWriteback() {
  // Only a hint: a failure here is met again by commit()'s sync.
  if (isOpen())
    (void)::sync_file_range(file_.handle(), 0, 0, SYNC_FILE_RANGE_WRITE);
}

Result<void> AtomicFile::commit() {
  if (!isOpen())
    return fail(QStringLiteral("Cannot write"), QStringLiteral("the file is not open"));
  if (!file_.flush() || ::fsync(file_.handle()) != 0)
    return fail(QStringLiteral("Cannot write"), file_.errorString());
  file_.close();
  if (file_.error() != QFileDevice::NoError)
    return fail(QStringLiteral("Cannot write"), file_.errorString());
  if (const Result<void> renamed = fs_.renameFile(tempPath_, target_); !renamed)
    return fail(QStringLiteral("Cannot replace"), renamed.error());
  tempPath_.clear();
  // Makes the rename itself durable; the file is in place whatever this answers.
  (void)fs_.syncToDisk(QFileInfo(target_).absolutePath());
  return {};
}

void AtomicFile::discard() {
  if (file_.isOpen())
    file_.close();
  if (!tempPath_.isEmpty())
    QFile::remove(tempPath_);
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
