// The Linux platform seams: attribute rules, case-insensitive names, %NAME% expansion, and the
// fakes' recording.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <csignal>

#include "platform/fakes/FakePlatform.h"
#include "platform/fakes/InstalledPlatform.h"
#include "platform/linux/LinuxDialogs.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/linux/LinuxSignals.h"
#include "platform/linux/LinuxSystem.h"

using namespace qvt;

namespace {

void writeFile(const QString& path, const QByteArray& bytes = "x") {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

}  // namespace

TEST(LinuxFileSystem, AttributeRules) {
  QTemporaryDir dir;
  LinuxFileSystem fs;
  const QString plain = dir.filePath("plain.mp3");
  const QString hidden = dir.filePath(".hidden.mp3");
  const QString readOnly = dir.filePath("ro.mp3");
  const QString link = dir.filePath("link.mp3");
  writeFile(plain);
  writeFile(hidden);
  writeFile(readOnly);
  QFile::setPermissions(readOnly, QFileDevice::ReadOwner);
  ASSERT_EQ(::symlink(QFile::encodeName(plain).constData(), QFile::encodeName(link).constData()),
            0);

  EXPECT_EQ(fs.attributes(plain), 0);
  EXPECT_EQ(fs.attributes(hidden), kAttrHidden);
  EXPECT_EQ(fs.attributes(dir.path()).value_or(-1) & kAttrDirectory, kAttrDirectory);
  EXPECT_EQ(fs.attributes(link), 0) << "a link counts as its target";
  EXPECT_EQ(fs.attributes("/dev/null").value_or(0) & kAttrSystem, kAttrSystem);
  EXPECT_FALSE(fs.attributes(dir.filePath("missing")).has_value());
  EXPECT_EQ(fs.attributes(readOnly), kAttrReadOnly) << "also for root: no write bit is set";
}

// A lock is held while its owner holds it, however it ends: released, or the owner destroyed.
TEST(LinuxFileSystem, LocksEndWithReleaseOrWithTheirOwner) {
  QTemporaryDir dir;
  const QString lock = dir.filePath("Quavertone.lock");
  LinuxFileSystem observer;
  {
    LinuxFileSystem owner;
    ASSERT_TRUE(owner.holdLock(lock));
    EXPECT_TRUE(observer.isLocked(lock));
    owner.releaseLock(lock);
    EXPECT_FALSE(observer.isLocked(lock));
    ASSERT_TRUE(owner.holdLock(lock));
  }
  EXPECT_FALSE(observer.isLocked(lock));
}

TEST(Platform, PlainFileExistsAndNoCaseLookup) {
  FakePlatform fake;
  writeFile(fake.path("Status.tmp"));
  writeFile(fake.path(".secret"));
  QDir(fake.folder()).mkdir("sub");
  EXPECT_TRUE(PlainFileExists(fake.path("Status.tmp")));
  EXPECT_FALSE(PlainFileExists(fake.path(".secret")));
  EXPECT_FALSE(PlainFileExists(fake.path("sub")));
  EXPECT_FALSE(PlainFileExists(fake.path("nothing")));
  EXPECT_FALSE(PlainFileExists(QString()));
  EXPECT_EQ(ProgramFile("status.tmp"), fake.path("Status.tmp"));
  EXPECT_EQ(ProgramFile("New.qvs"), fake.path("New.qvs"));
}

TEST(Platform, ExpandsPercentReferences) {
  FakePlatform fake;
  fake.os.env["windir"] = "/win";
  fake.os.env["EMPTY"] = "";
  EXPECT_EQ(osInfo().expandEnvironmentStrings("%windir%/system32"), "/win/system32");
  EXPECT_EQ(osInfo().expandEnvironmentStrings("a%NOPE%b"), "a%NOPE%b");
  EXPECT_EQ(osInfo().expandEnvironmentStrings("%EMPTY%x"), "x");
  EXPECT_EQ(osInfo().expandEnvironmentStrings("100%"), "100%");
  LinuxOsInfo os;
  EXPECT_GT(os.majorVersion(), 0);
}

TEST(Platform, MessageBoxesCarryTheProgramNameWhenUntitled) {
  FakePlatform fake;
  fake.dialogs.answers = {MsgResult::Ok, MsgResult::No};
  MsgBox("Hello");
  EXPECT_EQ(MsgBox("Sure?", MsgButtons::YesNo, MsgIcon::Exclamation, "Ask", 2), MsgResult::No);
  ASSERT_EQ(fake.dialogs.shown.size(), 2u);
  EXPECT_EQ(fake.dialogs.shown[0].title, "Quavertone");
  EXPECT_EQ(fake.dialogs.shown[0].buttons, MsgButtons::OkOnly);
  EXPECT_EQ(fake.dialogs.shown[1].title, "Ask");
  EXPECT_EQ(fake.dialogs.shown[1].defaultButton, 2);
}

// With QUAVERTONE_AUTO_ANSWER set, the real boxes answer themselves and log what they showed,
// so the real programs can run without a user; input boxes and folder choosers cancel.
TEST(LinuxDialogsAutoAnswer, BoxesTakeTheirDefaultAndInputBoxesCancel) {
  QTemporaryDir dir;
  const QString log = dir.filePath(QStringLiteral("boxes.log"));
  qputenv("QUAVERTONE_AUTO_ANSWER", log.toLocal8Bit());
  LinuxDialogs dialogs;
  MessageBoxSpec spec;
  spec.text = QStringLiteral("Continue?\r\nReally");
  spec.title = QStringLiteral("Ask");
  spec.buttons = MsgButtons::YesNo;
  spec.defaultButton = 2;
  EXPECT_EQ(dialogs.messageBox(spec), MsgResult::No);
  EXPECT_EQ(
      dialogs.inputBox(QStringLiteral("Enter file name"), QStringLiteral("Quavertone"), QString()),
      std::nullopt);
  EXPECT_EQ(dialogs.chooseFolder(QStringLiteral("Find Moved Songs"), QStringLiteral("/music")),
            std::nullopt);
  qunsetenv("QUAVERTONE_AUTO_ANSWER");
  QFile file(log);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString::fromUtf8(file.readAll()),
            QStringLiteral("Ask\tContinue?|Really\nQuavertone\tinput: Enter file name\n"
                           "Find Moved Songs\tfolder: /music\n"));
}

// The termination signals, in a child process of their own: the descriptors the handler uses are
// not inherited by programs the player starts, the handler leaves errno as the interrupted code
// had it (here its send fails, the reading side being shut), and a second signal ends the
// process at once, as when the first one's close waits on a box.
TEST(LinuxSignals, DescriptorsCloseOnExecErrnoKeptSecondSignalEnds) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const int socket = InstallTerminationSignals();
    if (socket < 0 || (::fcntl(socket, F_GETFD) & FD_CLOEXEC) == 0)
      ::_exit(10);
    ::shutdown(socket, SHUT_RD);
    errno = EDOM;
    ::raise(SIGTERM);
    if (errno != EDOM)
      ::_exit(11);
    ::raise(SIGTERM);
    ::_exit(12);  // the second signal did not end the process
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 128 + SIGTERM);
}

// Where settings go. A folder installed for everyone (the package's marker, another owner, or
// no write bit for its owner) is a system-wide install whoever runs it, root included; a folder
// its user owns and may write is the program's own, the data folder with it. The data folder of
// a system-wide install is made readable by its owner only, and an earlier open one is closed.
TEST(LinuxProgramFolder, SystemWideInstallKnownFromHowItWasInstalled) {
  QTemporaryDir dir;
  const QString own = dir.filePath("own");
  ASSERT_TRUE(QDir().mkdir(own));
  EXPECT_FALSE(IsSystemWideInstall(own));
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(QFile::encodeName(own).constData(), 65534, 65534), 0);
    EXPECT_TRUE(IsSystemWideInstall(own)) << "another user's folder";
  }
  const QString readOnly = dir.filePath("read-only");
  ASSERT_TRUE(QDir().mkdir(readOnly));
  ASSERT_EQ(::chmod(QFile::encodeName(readOnly).constData(), 0555), 0);
  EXPECT_TRUE(IsSystemWideInstall(readOnly));
  const QString marked = dir.filePath("marked");
  ASSERT_TRUE(QDir().mkdir(marked));
  writeFile(marked + "/" + kSystemInstallMarker);
  EXPECT_TRUE(IsSystemWideInstall(marked));

  const QString data = dir.filePath("data");
  const QByteArray earlier = QFile::encodeName(data + "/quavertone");
  ASSERT_TRUE(QDir().mkpath(data + "/quavertone"));
  ASSERT_EQ(::chmod(earlier.constData(), 0755), 0);
  qputenv("QUAVERTONE_PROGRAM_DIR", QFile::encodeName(readOnly));
  qputenv("XDG_DATA_HOME", QFile::encodeName(data));
  LinuxProgramFolder folder;
  EXPECT_EQ(folder.dataFolder(), data + "/quavertone");
  qunsetenv("QUAVERTONE_PROGRAM_DIR");
  qunsetenv("XDG_DATA_HOME");
  struct stat st {};
  ASSERT_EQ(::stat(earlier.constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  ASSERT_EQ(::chmod(QFile::encodeName(readOnly).constData(), 0755), 0);
}
