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
  Result<std::unique_ptr<IReadableFile>> openToRead(const QString& path) override;
  Result<void> removeFile(const QString& path) override;
  Result<void> renameFile(const QString& from, const QString& to) override;
  bool makeDirectory(const QString& path) override;
  QStringList listDirectory(const QString& path) override;
  // In LinuxFolderWalk.cpp.
  bool listEntries(const QString& folder, EntryKind kind, const std::atomic<bool>* cancelled,
                   const std::function<void(QString)>& keep) override;
  FolderFiles filesBelow(const QString& folder, const std::function<bool()>& cancelled) override;
  bool setExecutable(const QString& path) override;
  bool syncToDisk(const QString& path) override;
  bool holdLock(const QString& path) override;
  void releaseLock(const QString& path) override;
  bool isLocked(const QString& path) override;
  Result<void> setPermissions(const QString& path, uint32_t mode) override;

 private:
  QMap<QString, int> locks_;  // path -> the descriptor holding its lock
};

// The file a system-wide install (the Debian package) puts into its program folder.
extern const QString kSystemInstallMarker;  // "SystemInstall.qvc"

// Whether the program folder belongs to a system-wide install, where every user, root
// included, keeps settings in $XDG_DATA_HOME/quavertone and the program never updates itself:
// the folder holds the package's marker, belongs to another user, or its owner may not write it.
bool IsSystemWideInstall(const QString& programFolder);

// The folder of /proc/self/exe; in a test build, the folder given by QUAVERTONE_PROGRAM_DIR when
// set. Its data folder is the program folder itself, or for a system-wide install
// $XDG_DATA_HOME/quavertone (default ~/.local/share/quavertone), made readable by its owner only.
class LinuxProgramFolder : public IProgramFolder {
 public:
  QString folder() override;
  QString dataFolder() override;

 private:
  QString folder_;
  QString dataFolder_;
};

}  // namespace qvt
