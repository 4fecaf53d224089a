#pragma once
// File queries and file operations, with the attribute rules of the Linux build:
// read-only (1) = the user may not write the file, hidden (2) = the name begins with ".",
// system (4) = neither a regular file nor a folder, folder (16); the archive bit (32) is never
// set. A symbolic link counts as what it points to.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/base/Result.h"

namespace qvt {

enum FileAttribute : int32_t {
  kAttrReadOnly = 1,
  kAttrHidden = 2,
  kAttrSystem = 4,
  kAttrDirectory = 16,
  kAttrArchive = 32,
};

// A file that IFileSystem::createNew made and opened for writing. Each call fails with a
// description of what went wrong. The destructor closes a file still open, ignoring failures.
class IWritableFile {
 public:
  virtual ~IWritableFile() = default;
  // Appends all of the bytes.
  virtual Result<void> write(QByteArrayView bytes) = 0;
  // Starts writing what was written so far out to the disk and returns at once. Only a hint:
  // a failure is met again by sync().
  virtual void startWriteback() = 0;
  // Sets the file's permission bits (the 0777 part of a mode).
  virtual Result<void> setMode(int mode) = 0;
  // Writes the file's data through to the disk.
  virtual Result<void> sync() = 0;
  // Closes the file; a failure may mean that data written before did not reach the disk.
  virtual Result<void> close() = 0;
};

// A file that IFileSystem::openToRead opened. Each call fails with a description of what went
// wrong. The destructor closes the file.
class IReadableFile {
 public:
  virtual ~IReadableFile() = default;
  // Its size in bytes when it was opened.
  virtual qint64 size() = 0;
  // Reads up to `maxBytes` from the current position into `into`: how many it read, 0 at the end.
  virtual Result<qint64> read(char* into, qint64 maxBytes) = 0;
  // Moves the current position to `offset` bytes from the start.
  virtual Result<void> seek(qint64 offset) = 0;
};

// The kinds of entry IFileSystem::listEntries lists.
enum class EntryKind { File, Folder };

// What IFileSystem::filesBelow found: the files, and how many folders (the top one too) could
// not be read, or not to their end.
struct FolderFiles {
  std::vector<QString> files;
  std::size_t unreadable = 0;
};

class IFileSystem {
 public:
  virtual ~IFileSystem() = default;
  // Attribute bits of an existing entry, or nothing when there is none (or it cannot be read).
  // The one call that may run on a worker thread, concurrently with the window thread: the
  // implementations keep no state of their own for it.
  virtual std::optional<int32_t> attributes(const QString& path) = 0;
  // Each of these fails with a description of what went wrong.
  virtual Result<void> copyFile(const QString& from, const QString& to) = 0;
  // Copies to a file that this call creates: it fails when anything has the name `to` already,
  // a symbolic link included (which is never followed), so the copy is the caller's own. The
  // new file has the owner's read and write permissions only; a copy that fails is removed.
  virtual Result<void> copyToNewFile(const QString& from, const QString& to) = 0;
  // Creates a file where nothing has the name `path`, a symbolic link included (which is never
  // followed), with the permission bits `mode` less the process's umask, and opens it for
  // writing.
  virtual Result<std::unique_ptr<IWritableFile>> createNew(const QString& path, int mode) = 0;
  // Opens an existing file for reading at its first byte; a folder fails. May run on a worker
  // thread, as attributes() may.
  virtual Result<std::unique_ptr<IReadableFile>> openToRead(const QString& path) = 0;
  virtual Result<void> removeFile(const QString& path) = 0;
  virtual Result<void> renameFile(const QString& from, const QString& to) = 0;
  virtual bool makeDirectory(const QString& path) = 0;
  // Names of the entries of a folder (no "." or ".."), sorted; empty when it cannot be read.
  virtual QStringList listDirectory(const QString& path) = 0;
  // Calls keep(name) for every entry of `folder` of `kind` (File: a regular file; a link counts
  // as what it leads to) whose name is not hidden, in the order the folder gives them. False
  // when the folder cannot be read to its end, or when `cancelled` is set while it is read (it
  // is looked at every few thousand entries). May run on a worker thread, as attributes() may.
  virtual bool listEntries(const QString& folder, EntryKind kind,
                           const std::atomic<bool>* cancelled,
                           const std::function<void(QString)>& keep) = 0;
  // Every file below `folder`, in its subfolders too, read in one pass: regular files and links
  // to them, hidden names and links to folders left out, in the order the folders give them.
  // Folders that cannot be read are passed over and counted. Asks `cancelled` before every
  // entry and, once it answers true, returns what it found so far. However deep the tree, it holds
  // no more than a few folders open at a time. May run on a worker thread, as attributes() may.
  virtual FolderFiles filesBelow(const QString& folder, const std::function<bool()>& cancelled) = 0;
  virtual bool setExecutable(const QString& path) = 0;
  // Writes a file's data, or a folder's entries, through to the disk. False on failure.
  virtual bool syncToDisk(const QString& path) = 0;
  // Advisory locks on a file, held by an open file of this process until releaseLock or the
  // process ends, however it ends (the kernel drops the lock with it). holdLock creates the file
  // when missing; false when the file cannot be opened or another holder has the lock.
  virtual bool holdLock(const QString& path) = 0;
  virtual void releaseLock(const QString& path) = 0;
  // True while any open file, this process's own included, holds the lock. A missing file is
  // not locked.
  virtual bool isLocked(const QString& path) = 0;
  // Sets a file's permission bits to `mode` (as chmod takes them, e.g. 0755), never through a
  // link: a link at the path fails, as does a file its owner may not read. Fails with a
  // description.
  virtual Result<void> setPermissions(const QString& path, uint32_t mode) = 0;
};

// True when a plain listing of the path finds an entry: ordinary files (read-only included)
// count, folders, hidden and system entries do not. Any failure gives false.
bool PlainFileExists(IFileSystem& fs, const QString& path);

// The whole contents of a file, read through `fs`; fails with the description of the open or
// the read that failed.
Result<QByteArray> ReadWholeFile(IFileSystem& fs, const QString& path);

class IProgramFolder {
 public:
  virtual ~IProgramFolder() = default;
  // The folder of the running executable (no trailing separator).
  virtual QString folder() = 0;
  // Where settings and status files go: the program folder, or $XDG_DATA_HOME/quavertone for a
  // system-wide install (known from how it was installed, never from whether a write would
  // succeed), where updates come from the package manager.
  virtual QString dataFolder() = 0;
};

}  // namespace qvt
