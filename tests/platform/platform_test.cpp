// The Linux platform seams: attribute rules, case-insensitive names, %NAME% expansion, and the
// fakes' recording.
#include <gtest/gtest.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/fakes/FakePlatform.h"
#include "platform/fakes/InstalledPlatform.h"
#include "platform/linux/LinuxDialogs.h"
#include "platform/linux/LinuxFileSystem.h"
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
