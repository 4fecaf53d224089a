// An update laid out by tools/layout-update.sh and served by a static server on 127.0.0.1:
// the file list reads back as the update client expects, the version check sees the new
// version, and installing fetches both programs and starts the updater.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "platform/fakes/FakePlatform.h"
#include "platform/http/CurlHttp.h"
#include "player/update/Updator.h"
#include "player/update/UpdatorMethods.h"
#include "player/update/downloader.h"
#include "tests/net/TestServer.h"
#include "tests/support/InstalledProgress.h"
#include "tests/support/ProgressRecorder.h"
#include "tests/support/TestFiles.h"
#include "tests/support/UnsignedUpdates.h"

using namespace qvt;

namespace {

const QByteArray kPlayer = QByteArray(
    "\x7f"
    "ELF new player\0\x01\x02",
    19);
const QByteArray kUpdater = "#!/bin/sh\n# new updater\n";

struct View : UpdatorMethods::IUpdateView {
  QString latest, status;
  void SetLatestVersionCaption(const QString& s) override { latest = s; }
  void SetStatusCaption(const QString& s) override { status = s; }
  void ShowUpdateButtons() override {}
};

class UpdateServer : public ::testing::Test {
 protected:
  void SetUp() override {
    SetProcessingSuppressed(false);
    platform().http = &curl;
    ASSERT_TRUE(test::WriteAll(build_.filePath("Quavertone"), kPlayer));
    ASSERT_TRUE(test::WriteAll(build_.filePath("Updater"), kUpdater));
    ASSERT_TRUE(server.http.set_mount_point("/", web_.path().toStdString()));
    server.start();
    QProcess tool;
    tool.start(QStringLiteral(QVT_SOURCE_DIR "/tools/layout-update.sh"),
               {build_.filePath("Quavertone"), build_.filePath("Updater"), "1.34.0",
                "Faster loading, fewer crashes", web_.path(), server.url("")});
    ASSERT_TRUE(tool.waitForFinished(30000));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
  }
  void TearDown() override { server.stop(); }

  FakePlatform fake;
  ProgressRecorder progress;
  CurlHttp curl;
  test::TestServer server;

 private:
  QTemporaryDir build_, web_;
};

TEST_F(UpdateServer, FileListReadsBackUpdaterFirst) {
  const QString list = fake.path("TempUpdateList.tmp");
  ASSERT_TRUE(
      downloader::DownloadFile(qvt::platform(), server.url("/files/QVT/FileList.txt"), list));
  const auto files = Updator::ReadFileList(qvt::files(), list);
  ASSERT_TRUE(files) << files.error().toStdString();
  EXPECT_EQ(files->updater.sName, "Updater");
  EXPECT_EQ(files->updater.sURL, server.url("/files/QVT/Updater"));
  ASSERT_EQ(files->files.size(), 1u);
  EXPECT_EQ(files->files[0].sName, "ProgramUpdate.tmp");
  EXPECT_EQ(files->files[0].sURL, server.url("/files/QVT/Quavertone"));
}

TEST_F(UpdateServer, CheckThenInstall) {
  const QString base = server.url("/files/QVT/");
  ASSERT_TRUE(test::WriteAll(
      fake.path("paths.qvc"),
      ("\"FINAL\"\r\n\"" + base + "FileList.txt\",\"" + base + "QVTVersion.txt\"\r\n\"\",\"\"\r\n")
          .toUtf8()));
  View view;
  UpdatorMethods::CheckForUpdates(qvt::platform(), UpdateManifest::Trust(), view);
  EXPECT_EQ(view.latest, "Version 1.34.0");
  EXPECT_EQ(view.status, "There is a newer version available");
  QString version;
  EXPECT_EQ(UpdatorMethods::GetNewVersionInfo(qvt::platform(), version),
            "Faster loading, fewer crashes");

  int closes = 0;
  UpdatorMethods::StartUpdate(qvt::platform(), test::UnsignedUpdates(), {{}, [&] { ++closes; }});
  EXPECT_TRUE(fake.dialogs.shown.empty()) << fake.dialogs.texts().join("|").toStdString();
  EXPECT_EQ(test::ReadAll(fake.path("ProgramUpdate.tmp")), kPlayer);
  EXPECT_EQ(test::ReadAll(fake.path("Updater")), kUpdater);
  EXPECT_TRUE(QFileInfo(fake.path("Updater")).isExecutable());
  EXPECT_TRUE(QFileInfo(fake.path("ProgramUpdate.tmp")).isExecutable());
  EXPECT_FALSE(QFileInfo::exists(fake.path("TempUpdateList.tmp")));
  ASSERT_EQ(fake.process.started.size(), 1u);
  EXPECT_EQ(fake.process.started[0].program, fake.path("Updater"));
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(curl.openHandles(), 0);
}

}  // namespace
