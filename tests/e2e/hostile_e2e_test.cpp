// The real player in a temporary program folder, driven from the keyboard: a play list whose
// song is named like markup, and bad songs whose retry chain must end.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>

#include "tests/support/AudioFixtures.h"
#include "tests/support/ProgramFolder.h"
#include "tests/support/VncKeyboard.h"

using qvt::test::ProgramFolder;
using qvt::test::VncKeyboard;
using qvt::test::WaitFor;

namespace {

const QString kPlaybackError = QStringLiteral(
    "Playback Error\tError playing file, file type may not be supported or your audio hardware "
    "may be locked.");

// Time for a window to open and take the keyboard, with room for a slow (sanitized) build.
constexpr int kWindowMs = 1500;

// Starts the player on the VNC platform and connects a keyboard to it.
QProcess* StartWithKeyboard(ProgramFolder& folder, VncKeyboard& keyboard) {
  const int port = VncKeyboard::FreePort();
  QProcess* p = folder.start("Quavertone", {}, {"QT_QPA_PLATFORM=" + VncKeyboard::Platform(port)});
  EXPECT_TRUE(keyboard.connect(port, 10000));
  // The player window has loaded once the status reads running; give it time to show.
  EXPECT_TRUE(WaitFor([&] { return folder.read("Status.tmp") == "#TRUE#\r\n"; }, 10000));
  QThread::msleep(kWindowMs);
  return p;
}

void End(QProcess* p) {
  p->terminate();
  EXPECT_TRUE(p->waitForFinished(10000));
}

// A .qvl can come from anyone. Loading one whose song is named as an image of /dev/zero and
// pressing Play shows the name as text (markup would read the device until memory runs out).
TEST(HostileInput, ASongNamedAsMarkupLoadsAndPlaysAsText) {
  ProgramFolder folder;
  QDir(folder.folder()).mkdir("music");
  folder.write("music/fake.mp3", "this is text, not sound");
  folder.write("music/list.qvl", "0\r\n\"" + folder.path("music/fake.mp3").toUtf8() +
                                     "\",\"x<img src=/dev/zero>\"\r\n");
  folder.write("SavedPath.qvs", "\"list.qvl\",\"" + folder.path("music").toUtf8() + "\",\"/\"\r\n");
  VncKeyboard keyboard;
  QProcess* p = StartWithKeyboard(folder, keyboard);
  keyboard.alt('c');  // Create Play List
  QThread::msleep(kWindowMs);
  keyboard.press(VncKeyboard::kTab);
  keyboard.press(VncKeyboard::kTab);  // the file box
  keyboard.press(VncKeyboard::kDown);
  keyboard.alt('l');  // Load
  ASSERT_TRUE(WaitFor([&] { return folder.boxes().size() >= 2; }, 10000));
  keyboard.alt('d');  // "A&dd All" and "&Done" share the key: the second press reaches Done
  keyboard.alt('d');
  keyboard.press(VncKeyboard::kSpace);
  QThread::msleep(kWindowMs);  // the editor closes and the player shows again
  keyboard.alt('p');           // Play
  ASSERT_TRUE(WaitFor([&] { return folder.boxes().size() >= 3; }, 10000))
      << folder.boxes().join("\n").toStdString();
  EXPECT_EQ(folder.boxes().mid(1),
            (QStringList{"Quavertone\t1 Songs loaded successfully", kPlaybackError}));
  ASSERT_EQ(p->state(), QProcess::Running) << "exit code " << p->exitCode();
  End(p);
  EXPECT_EQ(p->exitCode(), 0);
}

// An unplayable file beside a good song, with Loop checked, or one path listed twice: Play
// retries for a bounded number of attempts, says so once and the player goes idle.
TEST(HostileInput, TheRetryChainForBadSongsEnds) {
  struct Case {
    const char* what;
    const char* loop;
    const char* skipMode;
    bool twice;
  } cases[] = {{"loop, skip and remove", "#TRUE#", "2", false},
               {"loop, just skip", "#TRUE#", "3", false},
               {"one path twice", "#FALSE#", "3", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ProgramFolder folder;
    folder.write("fake.mp3", "this is text, not sound");
    const QByteArray bad = "\"" + folder.path("fake.mp3").toUtf8() + "\",\"fake.mp3\"\r\n";
    const QByteArray second =
        c.twice ? bad
                : "\"" + qvt::test::MakeWav(folder.folder(), "good.wav", 5.0).toUtf8() +
                      "\",\"good.wav\"\r\n";
    folder.write("ConfigurationAndLastPlayList.qvs",
                 QByteArray("1,33,1\r\n0\r\n#FALSE#,#TRUE#,") + c.loop + "\r\n" + c.skipMode +
                     "\r\n#FALSE#\r\n#FALSE#\r\n#FALSE#\r\n1\r\n" + bad + second);
    VncKeyboard keyboard;
    QProcess* p = StartWithKeyboard(folder, keyboard);
    keyboard.alt('p');
    ASSERT_TRUE(WaitFor([&] { return !folder.boxes().isEmpty(); }, 15000))
        << "the player keeps retrying";
    QThread::msleep(500);
    EXPECT_EQ(folder.boxes(), QStringList{kPlaybackError});
    ASSERT_EQ(p->state(), QProcess::Running);
    End(p);
  }
}

// Root (as these tests run) starts a player whose program folder was laid out read-only, as a
// package lays it out: root could write there, but the settings go to root's own data folder,
// which only its owner may read, and nothing is written into the program folder.
TEST(HostileInput, RootKeepsSettingsOutOfAReadOnlyProgramFolder) {
  ProgramFolder folder;
  QTemporaryDir home;
  const QString data = home.filePath("data/quavertone");
  const QStringList before = QDir(folder.folder()).entryList(QDir::Files);
  const QByteArray programDir = QFile::encodeName(folder.folder());
  ASSERT_EQ(::chmod(programDir.constData(), 0555), 0);
  QProcess* p = folder.start("Quavertone", {},
                             {"XDG_DATA_HOME=" + home.filePath("data"), "HOME=" + home.path(),
                              "QUAVERTONE_AUTO_ANSWER=" + home.filePath("boxes.log")});
  EXPECT_TRUE(WaitFor([&] { return QFile::exists(data + "/Status.tmp"); }, 10000));
  End(p);
  ASSERT_EQ(::chmod(programDir.constData(), 0755), 0);
  EXPECT_TRUE(QFile::exists(data + "/ConfigurationAndLastPlayList.qvs"));
  EXPECT_EQ(QDir(folder.folder()).entryList(QDir::Files), before);
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(data).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  for (const QString name : {"ConfigurationAndLastPlayList.qvs", "Status.tmp", "Quavertone.lock"}) {
    ASSERT_EQ(::stat(QFile::encodeName(data + "/" + name).constData(), &st), 0)
        << name.toStdString();
    EXPECT_EQ(st.st_mode & 0777, 0600u) << name.toStdString();
  }
}

// A second termination signal ends the player at once while the first one's close waits on a
// box (here: the settings could not be saved, and nobody answers).
TEST(HostileInput, ASecondSignalEndsAPlayerWhoseCloseWaitsOnABox) {
  ProgramFolder folder;
  folder.write("ConfigurationAndLastPlayList.qvs",
               "1,33,1\r\n0\r\n#FALSE#,#FALSE#,#FALSE#\r\n3\r\n#FALSE#\r\n#FALSE#\r\n"
               "#FALSE#\r\n-1\r\n");
  QProcess* p = folder.start("Quavertone", {}, {"QUAVERTONE_AUTO_ANSWER="});
  ASSERT_TRUE(WaitFor([&] { return folder.read("Status.tmp") == "#TRUE#\r\n"; }, 10000));
  // The save cannot put a file where a folder stands.
  ASSERT_TRUE(QFile::remove(folder.path("ConfigurationAndLastPlayList.qvs")));
  ASSERT_TRUE(QDir(folder.folder()).mkpath("ConfigurationAndLastPlayList.qvs/kept"));
  p->terminate();
  EXPECT_FALSE(p->waitForFinished(1500)) << "the close waits on the failed save's box";
  p->terminate();
  ASSERT_TRUE(p->waitForFinished(5000)) << "the second signal is not ignored";
  EXPECT_EQ(p->exitCode(), 128 + SIGTERM);
}

}  // namespace
