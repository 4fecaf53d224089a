// The real Updater in a temporary program folder: it waits while the status file says the
// player is open, counts down, installs the new player and starts it.
#include <gtest/gtest.h>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <cstdio>

#include "tests/support/ProgramFolder.h"

using qvt::test::ProgramFolder;
using qvt::test::WaitFor;

namespace {

// The "new player": a script that notes that it was started, and with how many arguments.
const QByteArray kNewPlayer =
    "#!/bin/sh\n"
    "echo \"started with $# arguments\" > \"$(dirname \"$0\")/started.marker\"\n";
const QByteArray kOldPlayer = "#!/bin/sh\necho old > \"$(dirname \"$0\")/old.marker\"\n";

TEST(UpdaterProgram, WaitsForThePlayerThenInstallsAndStartsTheNewOne) {
  ProgramFolder folder({"Updater"});
  folder.write("Quavertone", kOldPlayer);
  folder.write("ProgramUpdate.tmp", kNewPlayer);
  folder.write("Status.tmp", "#TRUE#\r\n");

  QProcess* updater = folder.start("Updater");
  ASSERT_EQ(updater->state(), QProcess::Running);
  QThread::msleep(1000);
  EXPECT_EQ(updater->state(), QProcess::Running) << "waits while the player is open";
  EXPECT_EQ(folder.read("Quavertone"), kOldPlayer);
  EXPECT_TRUE(QFile::exists(folder.path("ProgramUpdate.tmp")));

  // The player closes: it rewrites the status file in one piece.
  folder.write("Status.tmp.new", "#FALSE#\r\n");
  ASSERT_EQ(std::rename(QFile::encodeName(folder.path("Status.tmp.new")).constData(),
                        QFile::encodeName(folder.path("Status.tmp")).constData()),
            0);

  ASSERT_TRUE(updater->waitForFinished(12000)) << "the countdown takes about six seconds";
  EXPECT_EQ(updater->exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(updater->exitCode(), 0);
  EXPECT_EQ(folder.read("Quavertone"), kNewPlayer);
  EXPECT_TRUE(QFileInfo(folder.path("Quavertone")).isExecutable());
  EXPECT_FALSE(QFile::exists(folder.path("ProgramUpdate.tmp")));
  EXPECT_EQ(folder.read("Status.tmp"), "#FALSE#\r\n") << "the status file is only read";
  // The script creates the marker before it writes the line: wait for the whole line.
  const QByteArray started = "started with 0 arguments\n";
  EXPECT_TRUE(WaitFor([&] { return folder.read("started.marker") == started; }, 5000))
      << folder.read("started.marker").toStdString();
  EXPECT_FALSE(QFile::exists(folder.path("old.marker")));
  EXPECT_TRUE(folder.boxes().isEmpty()) << folder.boxes().join("\n").toStdString();
}

}  // namespace
