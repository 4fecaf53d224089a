// The real Updater in a temporary program folder: it waits while the status file says the
// player is open, counts down, installs the new player and starts it.
#include <gtest/gtest.h>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

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

// The permission bits of a file in octal, "755".
QString Mode(const QString& path) {
  const auto bits = std::filesystem::status(QFile::encodeName(path).toStdString()).permissions();
  return QString::number(static_cast<unsigned>(bits) & 0777U, 8);
}

// The new player keeps the permissions of the one it replaces (755 when there was none): whoever
// could read and run the old player can run the new one, and no one else. The Updaters of the
// rows run side by side, in folders of their own.
TEST(UpdaterProgram, NewPlayerKeepsTheOldPlayersPermissions) {
  struct Row {
    const char* name;
    std::optional<QFile::Permissions> old;  // none: no old player
    QString expected;
  };
  const QFile::Permissions rwx_r_x =
      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup;
  const std::vector<Row> rows = {
      {"755", rwx_r_x | QFile::ReadOther | QFile::ExeOther, "755"},
      {"750", rwx_r_x, "750"},
      {"no old player", std::nullopt, "755"},
  };
  std::vector<std::unique_ptr<ProgramFolder>> folders;
  std::vector<QProcess*> updaters;
  for (const Row& row : rows) {
    auto& folder = *folders.emplace_back(std::make_unique<ProgramFolder>(QStringList{"Updater"}));
    if (row.old) {
      folder.write("Quavertone", kOldPlayer);
      ASSERT_TRUE(QFile::setPermissions(folder.path("Quavertone"), *row.old));
    }
    folder.write("ProgramUpdate.tmp", kNewPlayer);
    updaters.push_back(folder.start("Updater"));
  }
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i].name);
    ASSERT_TRUE(updaters[i]->waitForFinished(12000)) << "the countdown takes about six seconds";
    EXPECT_EQ(updaters[i]->exitCode(), 0);
    EXPECT_EQ(folders[i]->read("Quavertone"), kNewPlayer);
    EXPECT_EQ(Mode(folders[i]->path("Quavertone")), rows[i].expected);
  }
}

}  // namespace
