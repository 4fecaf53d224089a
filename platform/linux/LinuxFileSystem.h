#pragma once
#include <QMap>

#include "platform/FileSystem.h"

namespace qvt {

class LinuxFileSystem : public IFileSystem {
 public:
  LinuxFileSystem() = default;
  // Drops every lock still held: each is an open descriptor of this object's.
  ~LinuxFileSystem() override;
  LinuxFileSystem(const LinuxFileSystem&) = delete;
  LinuxFileSystem& operator=(const LinuxFileSystem&) = delete;

  std::optional<int32_t> attributes(const QString& path) override;
  Result<void> copyFile(const QString& from, const QString& to) override;
  Result<void> copyToNewFile(const QString& from, const QString& to) override;
  Result<std::unique_ptr<IWritableFile>> createNew(const QString& path, int mode) override;
  Result<void> removeFile(const QString& path) override;
  Result<void> renameFile(const QString& from, const QString& to) override;
  bool makeDirectory(const QString& path) override;
  QStringList listDirectory(const QString& path) override;
  bool setExecutable(const QString& path) override;
  bool syncToDisk(const QString& path) override;
  bool holdLock(const QString& path) override;
  void releaseLock(const QString& path) override;
  bool isLocked(const QString& path) override;

 private:
  QMap<QString, int> locks_;  // path -> the descriptor holding its lock
};

// The folder of /proc/self/exe; in a test build, the folder given by QUAVERTONE_PROGRAM_DIR when
// set.
class LinuxProgramFolder : public IProgramFolder {
 public:
  QString folder() override;
  QString dataFolder() override;

 private:
  QString folder_;
  QString dataFolder_;
};

}  // namespace qvt
