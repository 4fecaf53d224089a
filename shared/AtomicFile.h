#pragma once
// A file written whole or not at all: the one way the programs replace their settings, lists
// and downloads.
//
// open() creates a hidden temporary file beside the target; write() appends to it; commit()
// syncs it to the disk, closes it, renames it over the target and syncs the folder, so that a
// crash or a failed write never leaves a half-written target. Every step goes through the
// platform's file system. A file destroyed, discarded or failed before commit() removes its
// temporary file and leaves the target as it was. A symbolic link is written through (its target
// is replaced, the link stays), and an existing target keeps its permissions; a new one gets
// the owner's read and write permissions only in a folder that grants its group and others
// nothing (a private settings folder), else those of the umask. Every failure answers its
// description, which names the target; the file is then discarded.
//
// A file made with kCreateNew is written in place instead: open() creates the target itself
// and fails when anything has its name, a symbolic link included (which is never followed);
// commit() syncs and closes it, and a file discarded is removed. Downloads staged under a name
// of their own use it, so that a link planted at that name never leads the bytes elsewhere.

#include <QByteArrayView>
#include <QString>
#include <memory>

#include "platform/base/Result.h"

namespace qvt {

class IFileSystem;
class IWritableFile;

class AtomicFile {
 public:
  enum Mode { kReplace, kCreateNew };

  // Writes through `fs`.
  AtomicFile(IFileSystem& fs, const QString& path, Mode mode = kReplace);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  Result<void> open();
  Result<void> write(QByteArrayView bytes);
  // Starts writing what was written so far out to the disk and returns at once, so that a long
  // file's commit() waits only for the rest.
  void startWriteback();
  // Puts the file in place. The file is closed afterwards, whatever the answer.
  Result<void> commit();
  // Removes the temporary file (kCreateNew: the file); the target stays as it was.
  void discard();

  bool isOpen() const { return file_ != nullptr; }
  // The path written to (a symbolic link's target when the path names a link).
  const QString& target() const { return target_; }
  // The temporary file (kCreateNew: the target), empty when none is open.
  const QString& temporaryPath() const { return tempPath_; }

 private:
  // Creates the file written to; a temporary name another writer took meanwhile is passed over.
  Result<void> create(int permissions);
  Unexpected fail(const QString& what, const QString& reason);

  IFileSystem& fs_;
  const Mode mode_;
  QString target_;
  QString tempPath_;
  std::unique_ptr<IWritableFile> file_;
};

// Writes `data` as the whole new content of `path`, the same way.
Result<void> WriteFileAtomically(IFileSystem& fs, const QString& path, QByteArrayView data);

}  // namespace qvt
