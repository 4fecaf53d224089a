#pragma once
// Failures injected into the calls that write files, one call at a time, the way I/O faults are
// injected into a database's tests: a run of an operation counts its calls, then each further
// run makes one of them fail and checks what the operation left behind.
//
// The fake file system counts each call that creates, writes, syncs, closes, renames, copies
// or changes a file (removals are not counted: they clean up). Counted from any thread: a
// download writes on a worker.

#include <QString>
#include <QStringList>
#include <memory>
#include <mutex>

#include "platform/FileSystem.h"

namespace qvt {

class FileFaults {
 public:
  // Starts counting anew; call `n` (1 for the first) then fails with `description`. 0: none.
  void failCall(int n, const QString& description = QString());
  // Counts a call of `what` on `path`: the failure when it is the one to fail.
  Result<void> count(const char* what, const QString& path);
  // The calls counted since failCall, as "what path", in order.
  QStringList calls() const;
  // Whether the call to fail was made (and failed).
  bool failed() const;

 private:
  mutable std::mutex mutex_;
  QStringList calls_;
  int failAt_ = 0;
  QString description_;
};

// A file created through the fake file system: each call is counted by `faults` first. A write,
// sync or mode change that fails does nothing; a close that fails still closes the file, as
// close(2) does.
class FaultingFile : public IWritableFile {
 public:
  FaultingFile(std::unique_ptr<IWritableFile> file, FileFaults& faults, QString path)
      : file_(std::move(file)), faults_(faults), path_(std::move(path)) {}

  Result<void> write(QByteArrayView bytes) override;
  void startWriteback() override { file_->startWriteback(); }
  Result<void> setMode(int mode) override;
  Result<void> sync() override;
  Result<void> close() override;

 private:
  std::unique_ptr<IWritableFile> file_;
  FileFaults& faults_;
  const QString path_;
};

}  // namespace qvt
