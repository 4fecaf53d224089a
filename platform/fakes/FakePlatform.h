#pragma once
// Fakes of every platform service, installed together for one test.
//
//   qvt::FakePlatform fake;                 // installs itself, restores the previous table
//   fake.dialogs.answers.push_back(qvt::MsgResult::Yes);
//   ... code under test ...
//   EXPECT_EQ(fake.dialogs.shown.at(0).text, "...");
//
// Files: the real Linux file system underneath, so tests work in temporary folders, with
// attributes that a test may override per path and operations it may make fail.

#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/Platform.h"
#include "platform/fakes/FileFaults.h"
#include "platform/fakes/InstalledPlatform.h"
#include "platform/fakes/ScopedPlatform.h"
#include "platform/linux/LinuxFileSystem.h"

namespace qvt {

class FakeDialogs : public IDialogs {
 public:
  struct InputRecord {
    QString prompt;
    QString title;
    QString defaultText;
  };
  std::vector<MessageBoxSpec> shown;
  std::vector<InputRecord> inputs;
  // Scripted answers, taken in order; when empty the first button's answer is given.
  std::deque<MsgResult> answers;
  // Scripted input box answers; a null QString (or none left) cancels the box.
  std::deque<QString> inputAnswers;
  // Folder choosers shown (title, start folder) and their scripted answers, as input boxes.
  std::vector<InputRecord> folderChoices;
  std::deque<QString> folderAnswers;
  // Called for every folder chooser after it is recorded (it runs the event loop, as a box).
  std::function<void()> onChooseFolder;
  // Called for every box after it is recorded (e.g. to act like a user meanwhile).
  std::function<void(const MessageBoxSpec&)> onShow;

  MsgResult messageBox(const MessageBoxSpec& spec) override;
  std::optional<QString> inputBox(const QString& prompt, const QString& title,
                                  const QString& defaultText) override;
  std::optional<QString> chooseFolder(const QString& title, const QString& startFolder) override;
  // Texts of the boxes shown, in order.
  QStringList texts() const;
};

class FakeEventLoop : public IEventLoop {
 public:
  int passes = 0;
  bool processQtEvents = true;  // also run the real Qt event loop once
  std::function<void()> onPass;
  // The intervals of the timers that fired, in order. A timer does not wait its time: it fires
  // when the Qt event loop is next free, as a zero-interval timer, after onTimer(milliseconds)
  // was called (e.g. to change what its slot finds, as if the time had passed).
  std::vector<int> timers;
  std::function<void(int)> onTimer;
  void doEvents() override;
  void singleShot(int milliseconds, QObject* context, std::function<void()> slot) override;
};

class FakeAppControl : public IAppControl {
 public:
  std::optional<int> endedWith;
  void endProgram(int exitCode) override;  // records, then throws ProgramEnded
};

class FakeScreen : public IScreen {
 public:
  int width = 1024;  // logical pixels
  int height = 768;
  int widthPixels() override { return width; }
  int heightPixels() override { return height; }
};

class FakeOsInfo : public IOsInfo {
 public:
  int32_t major = 6;
  QMap<QString, QString> env;
  int32_t majorVersion() override { return major; }
  QString environment(const QString& name) override { return env.value(name); }
  QString expandEnvironmentStrings(const QString& text) override;
};

class FakeProcess : public IProcess {
 public:
  struct Start {
    QString program;
    QStringList arguments;
  };
  std::vector<Start> started;
  std::vector<int> sleeps;
  bool startSucceeds = true;
  std::function<void(int)> onSleep;
  // The programs run for their output, and the answer each run gets.
  std::vector<Start> ran;
  Result<QByteArray> runAnswer = Unexpected{QStringLiteral("The program could not be started")};
  bool startDetached(const QString& program, const QStringList& arguments) override;
  void sleepMs(int milliseconds) override;
  Result<QByteArray> runForOutput(const QString& program, const QStringList& arguments,
                                  int timeoutMs) override;
};

class FakeClock : public IClock {
 public:
  double seconds = 12345.678;
  qint64 epochSeconds = 1796256000;  // 2026-12-03 00:00:00 UTC
  double secondsSinceMidnight() override { return seconds; }
  qint64 secondsSinceEpoch() override { return epochSeconds; }
};

// A folder as a test has the fake file system list it.
struct FakeFolder {
  QStringList entries;   // in the order listed; a name ending in "/" is a subfolder's
  bool readable = true;  // false: the entries are listed, then reading the folder fails
};

// The real Linux file system (locks included), with attributes, failures and folders a test
// sets.
class FakeFileSystem : public LinuxFileSystem {
 public:
  QMap<QString, int32_t> attributeOverrides;  // path -> attributes
  QStringList failingPaths;                   // copy/remove/rename touching these fail
  // Counts the calls that write files and fails the one a test names.
  FileFaults faults;
  std::optional<int32_t> attributes(const QString& path) override;
  Result<void> copyFile(const QString& from, const QString& to) override;
  Result<void> copyToNewFile(const QString& from, const QString& to) override;
  // The file's calls are counted by `faults` too.
  Result<std::unique_ptr<IWritableFile>> createNew(const QString& path, int mode) override;
  // Files that cannot be read: path -> the offset from which a read fails (0: the file does not
  // open). Set by a test before reading starts (a worker may read).
  QMap<QString, qint64> readFailsAfter;
  Result<std::unique_ptr<IReadableFile>> openToRead(const QString& path) override;
  Result<void> removeFile(const QString& path) override;
  Result<void> renameFile(const QString& from, const QString& to) override;
  bool makeDirectory(const QString& path) override;
  bool setExecutable(const QString& path) override;
  // Synced paths are noted in `synced`, in order; the rest goes to the real file system. A
  // download's thread syncs too, so the noting takes a lock.
  QStringList synced;
  bool syncToDisk(const QString& path) override;
  Result<void> setPermissions(const QString& path, uint32_t mode) override;
  // Folders listed from memory instead of the disk, by path (without a trailing "/"). Below one
  // of them, a subfolder that is not listed here cannot be read. `cancelled` is looked at
  // before every entry.
  QMap<QString, FakeFolder> folders;
  bool listEntries(const QString& folder, EntryKind kind, const std::atomic<bool>* cancelled,
                   const std::function<void(QString)>& keep) override;
  FolderFiles filesBelow(const QString& folder, const std::function<bool()>& cancelled) override;

 private:
  std::mutex syncedMutex_;
  // A failure when either path is one of failingPaths.
  Result<void> fails(const QString& path, const QString& other = QString()) const;
};

class FakeProgramFolder : public IProgramFolder {
 public:
  QString path;
  QString data;  // empty: same as path
  QString folder() override { return path; }
  QString dataFolder() override { return data.isEmpty() ? path : data; }
};

// The mounted volumes, as a test sets them.
class FakeVolumes : public IVolumes {
 public:
  std::vector<Volume> list;
  int reads = 0;  // how often the list was read
  std::vector<Volume> mounted() override {
    ++reads;
    return list;
  }
};

class FakePlatform {
 public:
  // Installs the fakes with a fresh temporary program folder, no component files and the
  // name "Quavertone"; the other slots (media, http, registry, desktop, progress windows) stay
  // as they are. The destructor puts the previous table back.
  FakePlatform();

  FakeDialogs dialogs;
  FakeEventLoop eventLoop;
  FakeAppControl app;
  FakeScreen screen;
  FakeOsInfo os;
  FakeProcess process;
  FakeClock clock;
  FakeFileSystem files;
  FakeProgramFolder programFolder;
  // Initially "/" named "root" and the temporary program folder named "home".
  FakeVolumes volumes;

  // The temporary program folder, and a path inside it.
  QString folder() const { return programFolder.path; }
  QString path(const QString& name) const { return programFolder.path + u'/' + name; }

 private:
  ScopedPlatform scope_;
  QTemporaryDir dir_;
};

}  // namespace qvt
