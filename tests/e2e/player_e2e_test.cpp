// The real player program in a temporary program folder: quick play to the end, the first
// run and its close, a large configuration across a restart, the upgrade, and a kill in the
// middle of a save.
#include <gtest/gtest.h>
#include <QFile>
#include <QRandomGenerator>
#include <QThread>
#include <csignal>

#include "platform/linux/LinuxFileSystem.h"
#include "shared/RecordNotation.h"
#include "tests/support/AudioFixtures.h"
#include "tests/support/ProgramFolder.h"

using qvt::test::ProgramFolder;
using qvt::test::WaitFor;

namespace {

bool Finished(QProcess* p, int timeoutMs) {
  return p->state() == QProcess::NotRunning || p->waitForFinished(timeoutMs);
}

// A configuration of `songs` songs written by this version, line ends as given.
QByteArray Configuration(int songs, const QByteArray& eol = "\r\n") {
  QByteArray out = "1,33,1" + eol + "12345" + eol + "#TRUE#,#TRUE#,#FALSE#" + eol + "3" + eol +
                   "#FALSE#" + eol + "#FALSE#" + eol + "#TRUE#" + eol +
                   QByteArray::number(songs - 1) + eol;
  out.reserve(out.size() + songs * 100);
  for (int i = 0; i < songs; ++i) {
    const QByteArray name = "Track " + QByteArray::number(i) + " - Ünïcödé, title.mp3";
    out += "\"/home/user/Music/Artist " + QByteArray::number(i % 997) + "/" + name + "\",\"" +
           name + "\"" + eol;
  }
  return out;
}

// Reads a whole configuration; false when it does not load.
bool Loads(const QString& path) {
  try {
    qvt::LinuxFileSystem fs;
    qvt::RecordReader r(fs, path);
    for (int i = 0; i < 3; ++i)
      r.readInt16();
    r.readDouble();
    for (int i = 0; i < 3; ++i)
      r.readBool();
    r.readInt16();
    for (int i = 0; i < 3; ++i)
      r.readBool();
    const double last = r.readDouble();
    for (double i = 0; i <= last; ++i) {
      r.readText();
      r.readText();
    }
    return r.atEnd();
  } catch (const qvt::RecordError&) {
    return false;
  }
}

TEST(PlayerProgram, QuickPlayPlaysToTheEndAndClosesWithCloseAfterSong) {
  ProgramFolder folder;
  const QString song = qvt::test::MakeWav(folder.folder(), "my song, ünï.wav", 1.0);
  folder.write("QPConfig.qvc", "1500,3000\r\n#TRUE#\r\n5\r\n");
  QProcess* p = folder.start("Quavertone", {song}, {"QUAVERTONE_AUDIO=null"});
  ASSERT_TRUE(Finished(p, 20000)) << "the program closes by itself after the song";
  EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(p->exitCode(), 0);
  EXPECT_EQ(folder.read("QPConfig.qvc"), "1500,3000\r\n#TRUE#\r\n5\r\n");
  EXPECT_TRUE(folder.boxes().isEmpty()) << folder.boxes().join("\n").toStdString();
}

// Paths quick play cannot play: the error once, and the window stays responsive (it closes
// normally when asked and saves its settings).
TEST(PlayerProgram, QuickPlayOfWhatCannotPlaySaysSoOnceAndStaysResponsive) {
  ProgramFolder folder;
  folder.write("notes é.mp3", "this is text, not sound");
  const QStringList paths = {folder.path("missing song.mp3"), folder.folder(),
                             folder.path("notes é.mp3")};
  for (const QString& path : paths) {
    SCOPED_TRACE(path.toStdString());
    QFile::remove(folder.path("boxes.log"));
    QFile::remove(folder.path("QPConfig.qvc"));
    QProcess* p = folder.start("Quavertone", {path});
    ASSERT_TRUE(WaitFor([&] { return !folder.boxes().isEmpty(); }, 10000));
    QThread::msleep(500);
    EXPECT_EQ(folder.boxes(),
              QStringList{"Playback Error\tError playing file, file type may not be supported or "
                          "your audio hardware may be locked."});
    EXPECT_EQ(p->state(), QProcess::Running);
    p->terminate();
    ASSERT_TRUE(Finished(p, 10000));
    EXPECT_EQ(p->exitCode(), 0);
    EXPECT_TRUE(QFile::exists(folder.path("QPConfig.qvc")));
  }
}

TEST(PlayerProgram, FirstRunWelcomesAndCloseMarksTheStatus) {
  ProgramFolder folder;
  QProcess* p = folder.start("Quavertone");
  ASSERT_TRUE(WaitFor([&] { return folder.read("Status.tmp") == "#TRUE#\r\n"; }, 10000));
  ASSERT_TRUE(WaitFor([&] { return !folder.boxes().isEmpty(); }, 10000));
  EXPECT_TRUE(
      folder.boxes()[0].startsWith("Quavertone\tWelcome and thank you for using Quavertone."));
  p->terminate();
  ASSERT_TRUE(Finished(p, 10000));
  EXPECT_EQ(p->exitCode(), 0);
  EXPECT_EQ(folder.read("Status.tmp"), "#FALSE#\r\n");
  EXPECT_TRUE(folder.read("ConfigurationAndLastPlayList.qvs").startsWith("1,33,1\r\n"));
}

TEST(PlayerProgram, AHundredThousandSongsSurviveARestart) {
  ProgramFolder folder;
  const QByteArray config = Configuration(100000);
  folder.write("ConfigurationAndLastPlayList.qvs", config);
  QProcess* p = folder.start("Quavertone");
  ASSERT_TRUE(WaitFor([&] { return folder.read("Status.tmp") == "#TRUE#\r\n"; }, 10000));
  p->terminate();
  ASSERT_TRUE(Finished(p, 20000));
  EXPECT_TRUE(folder.boxes().isEmpty()) << folder.boxes().join("\n").toStdString();
  const QByteArray saved = folder.read("ConfigurationAndLastPlayList.qvs");
  qsizetype at = 0;
  while (at < saved.size() && at < config.size() && saved[at] == config[at])
    ++at;
  EXPECT_TRUE(saved == config) << "position, check boxes, options and songs load back identical;"
                               << " first difference at byte " << at << ": "
                               << saved.mid(at > 40 ? at - 40 : 0, 80).toStdString();
}

// An update brings a configuration of another version: the two messages, the options back to
// their defaults, the play list and the position kept.
TEST(PlayerProgram, AConfigurationOfAnOlderVersionIsUpgradedKeepingItsList) {
  ProgramFolder folder;
  QByteArray old = Configuration(3);
  old.replace(0, 15, "1,33,0\r\n1\r\n");
  ASSERT_TRUE(old.startsWith("1,33,0\r\n1\r\n#TRUE#"));
  folder.write("ConfigurationAndLastPlayList.qvs", old);
  QProcess* p = folder.start("Quavertone");
  ASSERT_TRUE(WaitFor([&] { return folder.boxes().size() >= 2; }, 10000));
  EXPECT_EQ(folder.boxes(),
            (QStringList{"Quavertone\tPreparing to upgrade", "Quavertone\tUpgrade complete"}));
  const QByteArray songs = old.mid(old.indexOf("\r\n2\r\n") + 2);
  EXPECT_EQ(
      folder.read("ConfigurationAndLastPlayList.qvs"),
      "1,33,1\r\n1\r\n#FALSE#,#TRUE#,#FALSE#\r\n0\r\n#FALSE#\r\n#FALSE#\r\n#FALSE#\r\n" + songs);
  p->terminate();
  ASSERT_TRUE(Finished(p, 10000));
}

TEST(PlayerProgram, AKillDuringASaveLeavesTheOldOrTheNewFile) {
  ProgramFolder folder;
  // The old file with lone LF line ends: the program's own save writes CR LF.
  const QByteArray oldFile = Configuration(100000, "\n");
  const QByteArray newFile = Configuration(100000, "\r\n");
  const QString path = folder.path("ConfigurationAndLastPlayList.qvs");
  int sawOld = 0;
  int sawNew = 0;
  for (int round = 0; round < 8; ++round) {
    folder.write("ConfigurationAndLastPlayList.qvs", oldFile);
    folder.write("Status.tmp", "");
    QProcess* p = folder.start("Quavertone");
    ASSERT_TRUE(WaitFor([&] { return folder.read("Status.tmp") == "#TRUE#\r\n"; }, 10000));
    QThread::msleep(300);  // the list is loaded
    p->terminate();
    QThread::msleep(QRandomGenerator::global()->bounded(0, 250));
    ::kill(static_cast<pid_t>(p->processId()), SIGKILL);
    ASSERT_TRUE(Finished(p, 10000));
    const QByteArray now = folder.read("ConfigurationAndLastPlayList.qvs");
    ASSERT_TRUE(now == oldFile || now == newFile) << "round " << round;
    ASSERT_TRUE(Loads(path)) << "round " << round;
    (now == oldFile ? sawOld : sawNew)++;
  }
  RecordProperty("old", sawOld);
  RecordProperty("new", sawNew);
}

}  // namespace
