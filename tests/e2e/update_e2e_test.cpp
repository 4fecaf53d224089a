// Updates from end to end: an update laid out by tools/layout-update.sh and served from
// 127.0.0.1, the real programs in a temporary program folder. The test process plays the old
// player with the real files, processes and HTTP, and only its message boxes and its end
// replaced: it drives the options window as a user would. The real Updater it starts puts the
// newer player ("QuavertoneNext", another version of the same program) in place and starts it.
#include <gtest/gtest.h>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QMutex>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <memory>
#include <optional>
#include <vector>

#include "platform/fakes/FakePlatform.h"
#include "platform/http/CurlHttp.h"
#include "platform/linux/LinuxSystem.h"
#include "player/options/frmOptions.h"
#include "player/startup/MusicVariables.h"
#include "player/update/ServerStatement.h"
#include "player/update/Tracker.h"
#include "player/update/Updator.h"
#include "player/update/UpdatorMethods.h"
#include "player/update/downloader.h"
#include "shared/UpdateManifest.h"
#include "shared/ui/Form.h"
#include "tests/net/TestServer.h"
#include "tests/support/InstalledProgress.h"
#include "tests/support/PlayListOfTheTest.h"
#include "tests/support/PlayerWindowsFixture.h"
#include "tests/support/Processes.h"
#include "tests/support/ProgramFolder.h"
#include "tests/support/ProgressRecorder.h"
#include "tests/support/UnsignedUpdates.h"
#include "tests/support/UpdaterRun.h"
#include "updater/UpdaterProgram.h"

using namespace qvt;
using test::ProgramFolder;
using test::WaitFor;

namespace {

#define QVT_STR2(x) #x
#define QVT_STR(x) QVT_STR2(x)
const QString kNextVersion = QStringLiteral(QVT_STR(QVT_NEXT_VERSION_MAJOR) "." QVT_STR(
    QVT_NEXT_VERSION_MINOR) "." QVT_STR(QVT_NEXT_VERSION_REVISION));
const QByteArray kNextConfigStart =
    QByteArray(QVT_STR(QVT_NEXT_VERSION_MAJOR) "," QVT_STR(QVT_NEXT_VERSION_MINOR) "," QVT_STR(
        QVT_NEXT_VERSION_REVISION)) +
    "\r\n";
const QString kDescription = QStringLiteral("Faster loading, fewer crashes");
const QString kCrLf2 = QStringLiteral("\r\n\r\n");
constexpr int kLimitMs = 20000;  // no wait of these tests lasts longer

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Whether the file holds exactly `bytes`; a difference is told by size and first offset, not by
// printing two programs.
testing::AssertionResult Holds(const QString& path, const QByteArray& bytes) {
  const QByteArray actual = ReadFile(path);
  if (actual == bytes)
    return testing::AssertionSuccess();
  qsizetype at = 0;
  while (at < actual.size() && at < bytes.size() && actual[at] == bytes[at])
    ++at;
  return testing::AssertionFailure()
         << path.toStdString() << " holds " << actual.size() << " bytes, expected " << bytes.size()
         << "; first difference at " << at;
}

// Starts programs for real and notes what it started.
class StartingProcess : public IProcess {
 public:
  QStringList started;
  bool startDetached(const QString& program, const QStringList& arguments) override {
    started << program;
    return real_.startDetached(program, arguments);
  }
  void sleepMs(int milliseconds) override { real_.sleepMs(milliseconds); }
  Result<QByteArray> runForOutput(const QString& program, const QStringList& arguments,
                                  int timeoutMs) override {
    return real_.runForOutput(program, arguments, timeoutMs);
  }

 private:
  LinuxProcess real_;
};

// Sets environment variables for the test's lifetime and puts the old values back.
class ScopedEnvironment {
 public:
  void set(const char* name, const QString& value) {
    remember(name);
    qputenv(name, value.toLocal8Bit());
  }
  void unset(const char* name) {
    remember(name);
    qunsetenv(name);
  }
  ~ScopedEnvironment() {
    for (const auto& [name, value] : saved_) {
      if (value)
        qputenv(name.constData(), *value);
      else
        qunsetenv(name.constData());
    }
  }

 private:
  void remember(const char* name) {
    saved_.emplace_back(name, qEnvironmentVariableIsSet(name)
                                  ? std::optional<QByteArray>(qgetenv(name))
                                  : std::nullopt);
  }
  std::vector<std::pair<QByteArray, std::optional<QByteArray>>> saved_;
};

class UpdateEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    test::PlayList().resetAll();
    SetProcessingSuppressed(false);
    fake.programFolder.path = folder.folder();
    platform().process = &starting;
    platform().http = &curl;
    platform().clock = &clock_;  // the statements the layout tool signs are dated now
    // What the programs this test starts inherit: headless, boxes answered and logged, and
    // settings kept out of the user's home.
    env_.set("QT_QPA_PLATFORM", QStringLiteral("offscreen"));
    env_.set("QUAVERTONE_AUDIO", QStringLiteral("null-fast"));
    env_.set("QUAVERTONE_AUTO_ANSWER", folder.path(QStringLiteral("boxes.log")));
    env_.set("XDG_CONFIG_HOME", home_.filePath(QStringLiteral("config")));
    env_.set("XDG_DATA_HOME", home_.filePath(QStringLiteral("data")));
    env_.set("XDG_RUNTIME_DIR", home_.path());
    env_.set("QUAVERTONE_REGISTRY", home_.filePath(QStringLiteral("registry.sqlite3")));
    env_.unset("QUAVERTONE_PROGRAM_DIR");

    oldPlayer = ReadFile(folder.path(QStringLiteral("Quavertone")));
    oldUpdater = ReadFile(folder.path(QStringLiteral("Updater")));
    nextPlayer = ReadFile(QStringLiteral(QVT_NEXT_PLAYER));
    ASSERT_FALSE(oldPlayer.isEmpty());
    ASSERT_FALSE(nextPlayer.isEmpty());
    ASSERT_TRUE(oldPlayer != nextPlayer) << "the two players differ";

    server.http.set_logger([this](const httplib::Request& request, const httplib::Response&) {
      QMutexLocker lock(&requestsLock_);
      requests_ << QString::fromStdString(request.path);
    });
    ASSERT_TRUE(server.http.set_mount_point("/", web_.path().toStdString()));
    // "/cut/<name>": a published file with its whole length announced and half of it sent,
    // then the connection breaks. "/held/<name>": the same half, then nothing until the server
    // stops.
    server.http.Get("/(cut|held)/(.+)",
                    [this](const httplib::Request& request, httplib::Response& response) {
                      const bool held = request.matches[1] == "held";
                      auto body = std::make_shared<QByteArray>(
                          ReadFile(Published(QString::fromStdString(request.matches[2].str()))));
                      response.set_content_provider(
                          static_cast<size_t>(body->size()), "application/octet-stream",
                          [this, body, held](size_t offset, size_t, httplib::DataSink& sink) {
                            if (offset == 0)
                              sink.write(body->constData(), static_cast<size_t>(body->size() / 2));
                            else
                              server.pause(600000);
                            return held && offset == 0;
                          });
                    });
    // "/endless": a body that never ends (bounded here, so that the server stops by itself).
    server.http.Get("/endless", [](const httplib::Request&, httplib::Response& response) {
      response.set_chunked_content_provider(
          "application/octet-stream", [](size_t offset, httplib::DataSink& sink) {
            static const std::string block(64 * 1024, 'x');
            return offset < (size_t{1} << 30) && sink.write(block.data(), block.size());
          });
    });
    // "/trickle": one byte every 200 ms, for at most a minute.
    server.http.Get("/trickle", [](const httplib::Request&, httplib::Response& response) {
      response.set_chunked_content_provider("application/octet-stream",
                                            [](size_t offset, httplib::DataSink& sink) {
                                              QThread::msleep(200);
                                              return offset < 300 && sink.write("x", 1);
                                            });
    });
    // "/planted/<name>": a published file, answered once a link to victim() has been put at the
    // new player's staging name, as another user of the folder could while the server answers.
    server.http.Get("/planted/(.+)", [this](const httplib::Request& request,
                                            httplib::Response& response) {
      (void)QFile::link(victim(),
                        Updator::StagingPath(folder.path(QStringLiteral("ProgramUpdate.tmp"))));
      const QByteArray body = ReadFile(Published(QString::fromStdString(request.matches[1].str())));
      response.set_content(body.constData(), static_cast<size_t>(body.size()),
                           "application/octet-stream");
    });
    server.start();
    LayOutUpdate();
    PointPathsAtServer();
    // The player's main window has loaded.
    Tracker::SetStatusRunning(qvt::platform());
    // The old player here is a build for a private test server: it installs unsigned updates.
    MakePlayer(test::UnsignedUpdates());
  }

  void TearDown() override {
    // Nothing this test started outlives it.
    test::EndProcessesOf(folder.path(QStringLiteral("Updater")), 5000);
    test::EndProcessesOf(folder.path(QStringLiteral("Quavertone")), 10000);
    test::Windows().updateHooks = {};
    test::UnloadAllWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    server.stop();
    test::PlayList().resetAll();
  }

  // The test process's player windows, which verify updates under `trust`; its updates halt and
  // close the player through the test's counts.
  void MakePlayer(UpdateManifest::Trust trust) {
    test::MakeWindows(std::move(trust)).updateHooks =
        UpdatorMethods::PlayerHooks({[this] { ++stops; }, [this] { ++closes; }});
  }

  // Publishes the update; signed with `key` (and with the Updater that trusts the tests' key)
  // when one is given.
  void LayOutUpdate(const QString& key = QString(), const QString& version = kNextVersion,
                    const QString& channel = QStringLiteral("FINAL")) {
    QStringList arguments{QStringLiteral("--channel"), channel};
    if (!key.isEmpty())
      arguments << QStringLiteral("--key") << key;
    arguments << QStringLiteral(QVT_NEXT_PLAYER)
              << (key.isEmpty() ? QStringLiteral(QVT_PROGRAM_DIR "/Updater")
                                : QStringLiteral(QVT_SIGNED_UPDATER))
              << version << kDescription << web_.path() << server.url(QString());
    RunTool(QStringLiteral("layout-update.sh"), arguments);
  }
  void RunTool(const QString& name, const QStringList& arguments) {
    QProcess tool;
    tool.start(QStringLiteral(QVT_SOURCE_DIR "/tools/") + name, arguments);
    ASSERT_TRUE(tool.waitForFinished(30000));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
  }
  // Every file of the program folder with its bytes.
  QMap<QString, QByteArray> Snapshot() const {
    QMap<QString, QByteArray> files;
    for (const QString& name : QDir(folder.folder()).entryList(QDir::Files | QDir::Hidden))
      files[name] = ReadFile(folder.path(name));
    return files;
  }

  // paths.qvc names the published update, or the lists at other addresses.
  void PointPathsAtServer(
      const QString& fileList = QStringLiteral("/files/QVT/FileList.txt"),
      const QString& versionFile = QStringLiteral("/files/QVT/QVTVersion.txt")) {
    folder.write(QStringLiteral("paths.qvc"), ("\"FINAL\"\r\n\"" + server.url(fileList) + "\",\"" +
                                               server.url(versionFile) + "\"\r\n\"\",\"\"\r\n")
                                                  .toUtf8());
  }
  // The bytes of every file of the program folder together.
  qint64 FolderBytes() const {
    qint64 total = 0;
    for (const QFileInfo& entry : QDir(folder.folder()).entryInfoList(QDir::Files | QDir::Hidden))
      total += entry.size();
    return total;
  }

  // A file outside the program folder that no update may write.
  QString victim() const { return home_.filePath(QStringLiteral("victim")); }

  // A file of the published update.
  QString Published(const QString& name) const {
    return web_.filePath(QStringLiteral("files/QVT/") + name);
  }

  // The paths requested after the version check, once `count` of them have been answered
  // (the server notes a request just after answering it).
  QStringList RequestsAfterCheck(qsizetype count) {
    WaitFor(
        [&] {
          QMutexLocker lock(&requestsLock_);
          return requests_.size() >= count + 1;
        },
        5000);
    QThread::msleep(100);  // and nothing more comes
    QMutexLocker lock(&requestsLock_);
    return requests_.mid(1);
  }

  // Replaces the published file list: the updater as laid out, the new player from `url`.
  void PublishFileList(const QString& playerUrl, const QByteArray& more = QByteArray()) {
    QFile file(Published(QStringLiteral("FileList.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(("\"Updater\",\"" + server.url(QStringLiteral("/files/QVT/Updater")) +
                "\"\r\n\"ProgramUpdate.tmp\",\"" + playerUrl + "\"\r\n")
                   .toUtf8() +
               more);
  }

  // The user opens the options window and checks for updates, which finds the new version.
  frmOptions& CheckFindsTheNewVersion() {
    frmOptions& options = test::Slot<frmOptions>().Get();
    options.show();
    QTest::mouseClick(options.cmdCheckUpdates, Qt::LeftButton);
    EXPECT_EQ(options.lblLatestVer->text(), QStringLiteral("Version ") + kNextVersion);
    EXPECT_EQ(options.lblStatus->text(), QStringLiteral("There is a newer version available"));
    EXPECT_TRUE(options.cmdInstall->isVisible());
    EXPECT_TRUE(options.cmdNewVerInfo->isVisible());
    EXPECT_TRUE(fake.dialogs.shown.empty()) << fake.dialogs.texts().join("\n").toStdString();
    return options;
  }

  // "Install &Updates", answering Yes to "Update Now?".
  void Install(frmOptions& options) {
    fake.dialogs.shown.clear();
    fake.dialogs.answers = {MsgResult::Yes};
    QTest::mouseClick(options.cmdInstall, Qt::LeftButton);
    ASSERT_FALSE(fake.dialogs.shown.empty());
    EXPECT_EQ(fake.dialogs.shown[0].title, QStringLiteral("Update Now?"));
    EXPECT_EQ(fake.dialogs.shown[0].text, UpdatorMethods::kConfirmText);
    EXPECT_EQ(stops, 1) << "playback is halted before the update";
  }

  // "Install &Updates" where a download fails after these requests: the update stops with the
  // download's failure and the reason.
  void InstallStopsAfterDownloads(frmOptions& options, const QString& reason,
                                  const QStringList& requests) {
    Install(options);
    ExpectUpdateStopped({downloader::kDownloadFailed, Updator::kUpdateStopped + kCrLf2 + reason});
    EXPECT_EQ(RequestsAfterCheck(requests.size()), requests);
  }

  // The update stopped with these messages after the confirmation; the player stays open and
  // its folder is as it was.
  void ExpectUpdateStopped(const QStringList& messages) {
    EXPECT_EQ(fake.dialogs.texts().mid(1), messages);
    EXPECT_EQ(closes, 0) << "the player stays open";
    EXPECT_FALSE(fake.app.endedWith.has_value());
    EXPECT_TRUE(starting.started.isEmpty()) << starting.started.join(" ").toStdString();
    EXPECT_TRUE(Holds(folder.path(QStringLiteral("Quavertone")), oldPlayer));
    EXPECT_TRUE(Holds(folder.path(QStringLiteral("Updater")), oldUpdater));
    EXPECT_EQ(folder.read(QStringLiteral("Status.tmp")), "#TRUE#\r\n");
    const QStringList left =
        QDir(folder.folder()).entryList({"*.tmp", ".*.qvtupdate"}, QDir::Files | QDir::Hidden);
    EXPECT_EQ(left, QStringList{"Status.tmp"}) << "no list, new player or part of a download";
  }

  ProgramFolder folder{{"Quavertone", "Updater"}};
  FakePlatform fake;
  StartingProcess starting;
  ProgressRecorder progress;
  CurlHttp curl;
  test::TestServer server;
  QByteArray oldPlayer, oldUpdater, nextPlayer;
  int stops = 0;
  int closes = 0;

 private:
  QTemporaryDir web_, home_;
  ScopedEnvironment env_;
  LinuxClock clock_;
  QMutex requestsLock_;
  QStringList requests_;
};

TEST_F(UpdateEndToEnd, CheckInstallAndTheNewPlayerRuns) {
  frmOptions& options = CheckFindsTheNewVersion();
  QTest::mouseClick(options.cmdNewVerInfo, Qt::LeftButton);
  EXPECT_EQ(fake.dialogs.texts(),
            QStringList{QStringLiteral("New for version ") + kNextVersion + kCrLf2 + kDescription});
  Install(options);
  EXPECT_EQ(fake.dialogs.shown.size(), 1u) << fake.dialogs.texts().join("\n").toStdString();
  EXPECT_EQ(closes, 1) << "the player closes once the updater runs";
  ASSERT_EQ(starting.started, QStringList{folder.path(QStringLiteral("Updater"))});
  EXPECT_FALSE(QFileInfo::exists(folder.path(QStringLiteral("TempUpdateList.tmp"))));
  EXPECT_TRUE(Holds(folder.path(QStringLiteral("ProgramUpdate.tmp")), nextPlayer));

  // The player's window is still open: the updater waits.
  const QString updater = folder.path(QStringLiteral("Updater"));
  ASSERT_TRUE(WaitFor([&] { return !test::ProcessesOf(updater).empty(); }, kLimitMs));
  QThread::msleep(1500);
  EXPECT_FALSE(test::ProcessesOf(updater).empty()) << "waits while the status says #TRUE#";
  EXPECT_TRUE(Holds(folder.path(QStringLiteral("Quavertone")), oldPlayer));
  EXPECT_TRUE(QFileInfo::exists(folder.path(QStringLiteral("ProgramUpdate.tmp"))));

  // The player's window closes.
  Tracker::SetStatusClosed(qvt::platform());
  ASSERT_TRUE(test::WaitUntilGone(updater, kLimitMs)) << "counts down about six seconds";
  const QString player = folder.path(QStringLiteral("Quavertone"));
  EXPECT_TRUE(Holds(player, nextPlayer)) << "the player is replaced byte for byte";
  EXPECT_TRUE(QFileInfo(player).isExecutable());
  EXPECT_FALSE(QFileInfo::exists(folder.path(QStringLiteral("ProgramUpdate.tmp"))));
  EXPECT_FALSE(QFileInfo::exists(folder.path(QStringLiteral("TempUpdateList.tmp"))));

  EXPECT_EQ(RequestsAfterCheck(3), (QStringList{"/files/QVT/FileList.txt", "/files/QVT/Quavertone",
                                                "/files/QVT/Updater"}));

  // The new player runs and says so; asked to end, it closes normally as the new version.
  ASSERT_TRUE(WaitFor([&] { return folder.read("Status.tmp") == "#TRUE#\r\n"; }, kLimitMs));
  EXPECT_EQ(test::ProcessesOf(player).size(), 1u);
  EXPECT_TRUE(test::EndProcessesOf(player, 10000));
  EXPECT_EQ(folder.read(QStringLiteral("Status.tmp")), "#FALSE#\r\n");
  EXPECT_TRUE(
      folder.read(QStringLiteral("ConfigurationAndLastPlayList.qvs")).startsWith(kNextConfigStart));
}

// A link put at the new player's staging name while the server answers is never followed: the
// file it points at keeps its bytes, and the new player arrives whole.
TEST_F(UpdateEndToEnd, LinkAtTheStagingNameIsNeverFollowed) {
  {
    QFile file(victim());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("victim");
  }
  frmOptions& options = CheckFindsTheNewVersion();
  PublishFileList(server.url(QStringLiteral("/planted/Quavertone")));
  Install(options);
  EXPECT_TRUE(Holds(victim(), "victim"));
  EXPECT_TRUE(Holds(folder.path(QStringLiteral("ProgramUpdate.tmp")), nextPlayer));
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(RequestsAfterCheck(3),
            (QStringList{"/files/QVT/FileList.txt", "/planted/Quavertone", "/files/QVT/Updater"}));
}

TEST_F(UpdateEndToEnd, ServerDownFailsTheCheckAndStopsTheUpdate) {
  frmOptions& options = CheckFindsTheNewVersion();
  server.stop();

  QTest::mouseClick(options.cmdCheckUpdates, Qt::LeftButton);
  ASSERT_EQ(fake.dialogs.shown.size(), 2u);
  EXPECT_EQ(fake.dialogs.shown[0].text, downloader::kDownloadFailed);
  EXPECT_TRUE(fake.dialogs.shown[1].text.startsWith(UpdatorMethods::kCheckFailed + kCrLf2));
  EXPECT_EQ(options.lblLatestVer->text(), QStringLiteral("Version ") + kNextVersion);
  EXPECT_EQ(options.lblStatus->text(), QStringLiteral("There is a newer version available"));

  Install(options);
  ExpectUpdateStopped({downloader::kDownloadFailed,
                       Updator::kUpdateStopped + kCrLf2 +
                           QStringLiteral("The list of files could not be downloaded.")});
}

TEST_F(UpdateEndToEnd, FileListNotFoundStopsTheUpdate) {
  frmOptions& options = CheckFindsTheNewVersion();
  ASSERT_TRUE(QFile::remove(Published(QStringLiteral("FileList.txt"))));
  InstallStopsAfterDownloads(options, QStringLiteral("The list of files could not be downloaded."),
                             {"/files/QVT/FileList.txt"});
}

TEST_F(UpdateEndToEnd, NewPlayerNotFoundStopsTheUpdate) {
  frmOptions& options = CheckFindsTheNewVersion();
  ASSERT_TRUE(QFile::remove(Published(QStringLiteral("Quavertone"))));
  InstallStopsAfterDownloads(options, QStringLiteral("ProgramUpdate.tmp could not be downloaded."),
                             {"/files/QVT/FileList.txt", "/files/QVT/Quavertone"});
}

TEST_F(UpdateEndToEnd, NewPlayerCutShortStopsTheUpdate) {
  frmOptions& options = CheckFindsTheNewVersion();
  PublishFileList(server.url(QStringLiteral("/cut/Quavertone")));
  InstallStopsAfterDownloads(options, QStringLiteral("ProgramUpdate.tmp could not be downloaded."),
                             {"/files/QVT/FileList.txt", "/cut/Quavertone"});
}

TEST_F(UpdateEndToEnd, FileListNameOutsideTheProgramFolderIsRefused) {
  frmOptions& options = CheckFindsTheNewVersion();
  PublishFileList(
      server.url(QStringLiteral("/files/QVT/Quavertone")),
      ("\"../x\",\"" + server.url(QStringLiteral("/files/QVT/Updater")) + "\"\r\n").toUtf8());
  const bool existedBefore = QFileInfo::exists(folder.path(QStringLiteral("../x")));

  Install(options);
  ExpectUpdateStopped({Updator::kUpdateStopped + kCrLf2 +
                       QStringLiteral("The list of files names a file outside the program "
                                      "folder: \"../x\"")});
  EXPECT_EQ(RequestsAfterCheck(1), QStringList{"/files/QVT/FileList.txt"}) << "nothing is fetched";
  EXPECT_EQ(QFileInfo::exists(folder.path(QStringLiteral("../x"))), existedBefore);
}

// The real old player is still open when the real Updater starts: it waits for its close.
TEST_F(UpdateEndToEnd, UpdaterWaitsWhileThePlayerRuns) {
  Tracker::SetStatusClosed(qvt::platform());  // the test's own player window closes first
  folder.write(QStringLiteral("Status.tmp"), "");
  QProcess* player = folder.start(QStringLiteral("Quavertone"));
  ASSERT_TRUE(WaitFor([&] { return folder.read("Status.tmp") == "#TRUE#\r\n"; }, kLimitMs));
  folder.write(QStringLiteral("ProgramUpdate.tmp"), nextPlayer);

  QProcess* updater = folder.start(QStringLiteral("Updater"));
  QThread::msleep(1500);
  EXPECT_EQ(updater->state(), QProcess::Running) << "waits while the player runs";
  EXPECT_TRUE(Holds(folder.path(QStringLiteral("Quavertone")), oldPlayer));

  player->terminate();  // closes normally, as a logout would
  ASSERT_TRUE(player->waitForFinished(kLimitMs));
  EXPECT_EQ(folder.read(QStringLiteral("Status.tmp")), "#FALSE#\r\n");
  ASSERT_TRUE(updater->waitForFinished(kLimitMs));
  EXPECT_EQ(updater->exitCode(), UpdaterProgram::kExitStarted);
  EXPECT_TRUE(Holds(folder.path(QStringLiteral("Quavertone")), nextPlayer));
  EXPECT_FALSE(QFileInfo::exists(folder.path(QStringLiteral("ProgramUpdate.tmp"))));
  // The new player starts and brings the old player's settings up to its version.
  EXPECT_TRUE(WaitFor([&] { return folder.boxes().size() >= 3; }, kLimitMs));
  EXPECT_EQ(folder.boxes().mid(1),
            (QStringList{"Quavertone\tPreparing to upgrade", "Quavertone\tUpgrade complete"}));
  EXPECT_EQ(folder.read(QStringLiteral("Status.tmp")), "#TRUE#\r\n");
  EXPECT_TRUE(
      folder.read(QStringLiteral("ConfigurationAndLastPlayList.qvs")).startsWith(kNextConfigStart));
  // It runs on after the upgrade, and closes normally when asked.
  QThread::msleep(500);
  const QString newPlayer = folder.path(QStringLiteral("Quavertone"));
  EXPECT_EQ(test::ProcessesOf(newPlayer).size(), 1u);
  EXPECT_TRUE(test::EndProcessesOf(newPlayer, 10000));
  EXPECT_EQ(folder.read(QStringLiteral("Status.tmp")), "#FALSE#\r\n");
}

// A killed player cannot say that it has closed, and here no status file says it runs: its
// lock tells the Updater, and goes with it.
TEST_F(UpdateEndToEnd, UpdaterWaitsForTheLockOfAPlayerThenItsKill) {
  Tracker::SetStatusClosed(qvt::platform());  // the test's own player window closes first
  QProcess* player = folder.start(QStringLiteral("Quavertone"));
  ASSERT_TRUE(WaitFor([&] { return folder.read("Status.tmp") == "#TRUE#\r\n"; }, kLimitMs));
  ASSERT_TRUE(QFile::remove(folder.path(QStringLiteral("Status.tmp"))));
  folder.write(QStringLiteral("ProgramUpdate.tmp"), nextPlayer);

  QProcess* updater = folder.start(QStringLiteral("Updater"));
  QThread::msleep(1500);
  EXPECT_EQ(updater->state(), QProcess::Running) << "waits while the player holds its lock";
  EXPECT_TRUE(Holds(folder.path(QStringLiteral("Quavertone")), oldPlayer));

  player->kill();  // SIGKILL: nothing of the player runs any more
  ASSERT_TRUE(player->waitForFinished(kLimitMs));
  ASSERT_TRUE(updater->waitForFinished(kLimitMs));
  EXPECT_EQ(updater->exitCode(), UpdaterProgram::kExitStarted);
  EXPECT_TRUE(Holds(folder.path(QStringLiteral("Quavertone")), nextPlayer));
}

// No new player to install: the Updater asks, and Cancel leaves the old player in place.
TEST_F(UpdateEndToEnd, MissingNewPlayerPromptsAndCancelKeepsTheOldPlayer) {
  Tracker::SetStatusClosed(qvt::platform());  // the test's own player window closes first
  folder.write(QStringLiteral("Status.tmp"), "#FALSE#\r\n");
  const QString prompt = UpdaterProgram::kProgramName + QLatin1Char('\t') +
                         UpdaterProgram::kFailurePrompt + QStringLiteral("|File not found: ") +
                         folder.path(QStringLiteral("ProgramUpdate.tmp"));

  // The real Updater asks after its countdown. Its boxes are answered with their default
  // button (OK, which only asks again), so the test ends it once it has asked.
  QProcess* updater = folder.start(QStringLiteral("Updater"));
  ASSERT_TRUE(WaitFor([&] { return !folder.boxes().isEmpty(); }, kLimitMs));
  updater->kill();
  ASSERT_TRUE(updater->waitForFinished(kLimitMs));
  EXPECT_EQ(folder.boxes().first(), prompt);
  EXPECT_TRUE(Holds(folder.path(QStringLiteral("Quavertone")), oldPlayer));

  // The same procedure answered with Cancel ends at once.
  fake.dialogs.answers = {MsgResult::Cancel};
  platform().process = &fake.process;  // nothing is started for real
  try {
    UpdaterProgram program(platform(), UpdateManifest::Trust::Compiled());
    test::RunUpdater(program);
    ADD_FAILURE() << "the Updater ends the program";
  } catch (const ProgramEnded& ended) {
    EXPECT_EQ(ended.exitCode, UpdaterProgram::kExitCancelled);
  }
  ASSERT_EQ(fake.dialogs.shown.size(), 1u);
  EXPECT_EQ(fake.dialogs.shown[0].buttons, MsgButtons::OkCancel);
  EXPECT_TRUE(fake.process.started.empty());
  const QString player = folder.path(QStringLiteral("Quavertone"));
  EXPECT_TRUE(Holds(player, oldPlayer));
  EXPECT_TRUE(QFileInfo(player).isExecutable());
  EXPECT_EQ(QDir(folder.folder()).entryList({".Quavertone*"}, QDir::Files | QDir::Hidden),
            QStringList());
  EXPECT_TRUE(test::ProcessesOf(player).empty());
}

// A build without the publisher's key checks for updates but fetches and runs nothing.
TEST_F(UpdateEndToEnd, KeylessBuildChecksButInstallsNothing) {
  MakePlayer(UpdateManifest::Trust{});
  frmOptions& options = CheckFindsTheNewVersion();
  const QMap<QString, QByteArray> before = Snapshot();
  QTest::mouseClick(options.cmdInstall, Qt::LeftButton);
  EXPECT_EQ(fake.dialogs.texts(), QStringList{UpdatorMethods::kCannotVerifyUpdates});
  EXPECT_EQ(RequestsAfterCheck(0), QStringList());
  EXPECT_TRUE(Snapshot() == before) << "the program folder is byte for byte as it was";
  EXPECT_EQ(stops + closes, 0);
  EXPECT_TRUE(starting.started.isEmpty());
}

// A version file or a file list that never ends is cut at its limit: the download fails and the
// folder grows by less than 1 MiB.
TEST_F(UpdateEndToEnd, EndlessVersionFileAndFileListEndAtTheirLimits) {
  const qint64 before = FolderBytes();
  PointPathsAtServer(QStringLiteral("/endless"), QStringLiteral("/endless"));
  frmOptions& options = test::Slot<frmOptions>().Get();
  options.show();
  QTest::mouseClick(options.cmdCheckUpdates, Qt::LeftButton);
  const QStringList texts = fake.dialogs.texts();
  ASSERT_EQ(texts.size(), 2) << texts.join("\n").toStdString();
  EXPECT_EQ(texts[0], downloader::kDownloadFailed);
  EXPECT_TRUE(texts[1].startsWith(UpdatorMethods::kCheckFailed));
  EXPECT_LT(FolderBytes() - before, 1 << 20);

  fake.dialogs.shown.clear();
  PointPathsAtServer();
  CheckFindsTheNewVersion();
  PointPathsAtServer(QStringLiteral("/endless"));
  Install(options);
  ExpectUpdateStopped({downloader::kDownloadFailed,
                       Updator::kUpdateStopped + kCrLf2 +
                           QStringLiteral("The list of files could not be downloaded.")});
  EXPECT_LT(FolderBytes() - before, 1 << 20);
}

// ---- signed updates: a player built with the publisher's key ------------------------------------

class SignedUpdateEndToEnd : public UpdateEndToEnd {
 protected:
  void SetUp() override {
    UpdateEndToEnd::SetUp();
    MakePlayer({QByteArrayLiteral(QVT_TEST_PUBLIC_KEY), false});
    LayOutUpdate(kKey);
  }
  const QString kKey = QStringLiteral(QVT_SOURCE_DIR "/tests/keys/test-publisher.pem");
};

// Each tampered update, and each server that answers without end, is refused before anything
// is put in place, and so is a download the user cancels: the folder stays byte for byte as it
// was and the player stays open.
TEST_F(SignedUpdateEndToEnd, TamperedUpdatesAreRefusedWithTheFolderUnchanged) {
  QTemporaryDir keys;
  const QString otherKey = keys.filePath(QStringLiteral("other"));
  RunTool(QStringLiteral("make-update-key.sh"), {otherKey});
  const QString player = Published(QStringLiteral("Quavertone"));
  const QString notSigned =
      QStringLiteral("ProgramUpdate.tmp is not the file the publisher signed.");
  const auto publishList = [&](const QByteArray& records) {
    QFile file(Published(QStringLiteral("FileList.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(records);
  };
  const QByteArray updaterRecord =
      "\"Updater\",\"" + server.url(QStringLiteral("/files/QVT/Updater")).toUtf8() + "\"\r\n";
  const QByteArray playerRecord = "\"ProgramUpdate.tmp\",\"" +
                                  server.url(QStringLiteral("/files/QVT/Quavertone")).toUtf8() +
                                  "\"\r\n";
  struct Row {
    const char* name;
    std::function<void()> tamper;
    QStringList messages;  // before the reason
    QString reason;        // none: the update ends without a message
  };
  const std::vector<Row> rows = {
      {"one byte changed",
       [&] {
         QByteArray bytes = ReadFile(player);
         bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 1);
         QFile file(player);
         ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
         file.write(bytes);
       },
       {},
       notSigned},
      {"truncated", [&] { QFile::resize(player, QFileInfo(player).size() - 1); }, {}, notSigned},
      {"signed with another key",
       [&] {
         QProcess sign;
         sign.setStandardOutputFile(Published(QStringLiteral("raw.sig")));
         sign.start(QStringLiteral("openssl"),
                    {"pkeyutl", "-sign", "-rawin", "-inkey", otherKey + QStringLiteral(".pem"),
                     "-in", Published(QStringLiteral("QVTManifest.txt"))});
         ASSERT_TRUE(sign.waitForFinished(30000));
         QFile signature(Published(QStringLiteral("QVTManifest.sig")));
         ASSERT_TRUE(signature.open(QIODevice::WriteOnly | QIODevice::Truncate));
         signature.write(ReadFile(Published(QStringLiteral("raw.sig"))).toBase64() + "\n");
       },
       {},
       QStringLiteral("The update is not signed by the publisher of QVT.")},
      {"no signature",
       [&] { QFile::remove(Published(QStringLiteral("QVTManifest.sig"))); },
       {downloader::kDownloadFailed},
       QStringLiteral("The update's signature could not be downloaded.")},
      {"another version",
       [&] { LayOutUpdate(kKey, QStringLiteral("1.35.0")); },
       {},
       QStringLiteral("The signed update is for version 1.35.0, not the version announced, ") +
           kNextVersion + QLatin1Char('.')},
      {"an older release",
       [&] { LayOutUpdate(kKey, QStringLiteral("1.32.5")); },
       {},
       QStringLiteral("The signed update is for version 1.32.5, which is not newer than this QVT, "
                      "Version 1.33.1.")},
      {"another channel",
       [&] { LayOutUpdate(kKey, kNextVersion, QStringLiteral("BETA")); },
       {},
       QStringLiteral("The signed update is for the BETA channel, not this QVT's FINAL channel.")},
      {"a file the manifest does not list",
       [&] {
         publishList(updaterRecord + playerRecord + "\"Extra.dat\",\"" +
                     server.url(QStringLiteral("/files/QVT/Updater")).toUtf8() + "\"\r\n");
       },
       {},
       QStringLiteral("Extra.dat is not part of the signed update.")},
      {"the roles swapped",
       [&] { publishList(playerRecord + updaterRecord); },
       {},
       QStringLiteral("The list of files does not name first the Updater the publisher signed, "
                      "and only it.")},
      {"the Updater listed twice",
       [&] { publishList(updaterRecord + playerRecord + updaterRecord); },
       {},
       QStringLiteral("The list of files names \"Updater\" twice.")},
      {"a server that trickles",
       [&] {
         curl.setStallSeconds(2);
         publishList(updaterRecord + "\"ProgramUpdate.tmp\",\"" +
                     server.url(QStringLiteral("/trickle")).toUtf8() + "\"\r\n");
       },
       {downloader::kDownloadFailed},
       QStringLiteral("ProgramUpdate.tmp could not be downloaded.")},
      {"cancelled by the user",
       [&] {
         // The player's transfer waits halfway; a cancel that comes after an earlier file
         // is in place changes nothing.
         publishList(updaterRecord + "\"ProgramUpdate.tmp\",\"" +
                     server.url(QStringLiteral("/held/Quavertone")).toUtf8() + "\"\r\n");
         progress.onText = [](const QString& text) {
           if (text.endsWith(QLatin1String(" Bytes Downloaded...")))
             CancelProcessing();
         };
       },
       {},
       QString()},
  };
  frmOptions& options = CheckFindsTheNewVersion();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    LayOutUpdate(kKey);
    row.tamper();
    const QMap<QString, QByteArray> before = Snapshot();
    stops = 0;
    Install(options);
    progress.onText = nullptr;
    curl.setStallSeconds(CurlHttp::kDefaultStallSeconds);
    ExpectUpdateStopped(row.reason.isEmpty() ? row.messages
                                             : row.messages + QStringList{Updator::kUpdateStopped +
                                                                          kCrLf2 + row.reason});
    EXPECT_TRUE(Snapshot() == before) << "the program folder is byte for byte as it was";
  }
}

// Closing the options window while the update downloads stops the download as Cancel does: the
// update ends without a message, and the window goes as soon as it has, without waiting for a
// server that holds the rest of the file.
TEST_F(SignedUpdateEndToEnd, ClosingTheOptionsWindowCancelsTheDownload) {
  frmOptions& options = CheckFindsTheNewVersion();
  QFile list(Published(QStringLiteral("FileList.txt")));
  ASSERT_TRUE(list.open(QIODevice::WriteOnly | QIODevice::Truncate));
  list.write("\"Updater\",\"" + server.url(QStringLiteral("/files/QVT/Updater")).toUtf8() +
             "\"\r\n\"ProgramUpdate.tmp\",\"" +
             server.url(QStringLiteral("/held/Quavertone")).toUtf8() + "\"\r\n");
  list.close();
  int textsAfterClose = -1;
  progress.onText = [&](const QString& text) {
    if (!text.endsWith(QLatin1String(" Bytes Downloaded...")))
      return;
    if (++textsAfterClose == 0)
      options.close();
  };
  Install(options);
  progress.onText = nullptr;
  EXPECT_EQ(textsAfterClose, 0) << "the transfer ends at the close";
  EXPECT_FALSE(test::Slot<frmOptions>().IsLoaded());
  ExpectUpdateStopped({});
}

// The layout tool publishes no program that does not carry the signing key: a player without it
// would install no later update.
TEST_F(SignedUpdateEndToEnd, LayoutRefusesAProgramWithoutTheKey) {
  QProcess tool;
  tool.start(QStringLiteral(QVT_SOURCE_DIR "/tools/layout-update.sh"),
             {QStringLiteral("--key"), kKey, QStringLiteral(QVT_PROGRAM_DIR "/Quavertone"),
              QStringLiteral(QVT_SIGNED_UPDATER), kNextVersion, kDescription,
              QDir::temp().filePath(QStringLiteral("qvt-refused-layout"))});
  ASSERT_TRUE(tool.waitForFinished(30000));
  EXPECT_EQ(tool.exitCode(), 1);
  EXPECT_TRUE(tool.readAllStandardError().contains("does not carry the public key"));
  EXPECT_FALSE(QFileInfo::exists(QDir::temp().filePath(QStringLiteral("qvt-refused-layout"))));
}

// A good signed update installs. A new player changed on disk after the player checked it is
// refused by the Updater, which starts the old player again.
TEST_F(SignedUpdateEndToEnd, UpdaterChecksTheNewPlayerAgainBeforeTheSwap) {
  frmOptions& options = CheckFindsTheNewVersion();
  const QString updater = folder.path(QStringLiteral("Updater"));
  const QString player = folder.path(QStringLiteral("Quavertone"));
  Install(options);
  ASSERT_EQ(starting.started, QStringList{updater});
  EXPECT_TRUE(Holds(updater, ReadFile(QStringLiteral(QVT_SIGNED_UPDATER))));
  QByteArray changed = nextPlayer;
  changed[100] = static_cast<char>(changed[100] ^ 1);
  folder.write(QStringLiteral("ProgramUpdate.tmp"), changed);
  Tracker::SetStatusClosed(qvt::platform());
  ASSERT_TRUE(test::WaitUntilGone(updater, kLimitMs));
  EXPECT_TRUE(Holds(player, oldPlayer));
  ASSERT_TRUE(WaitFor([&] { return !folder.boxes().isEmpty(); }, kLimitMs));
  EXPECT_EQ(folder.boxes().first(),
            UpdaterProgram::kProgramName + QLatin1Char('\t') + UpdaterProgram::kRefused + "||" +
                QStringLiteral("ProgramUpdate.tmp is not the file the publisher signed."));
  ASSERT_TRUE(WaitFor([&] { return test::ProcessesOf(player).size() == 1; }, kLimitMs))
      << "the old player runs again";
  ASSERT_TRUE(WaitFor([&] { return folder.read("Status.tmp") == "#TRUE#\r\n"; }, kLimitMs));
  // A running player writes its files through hidden temporaries: the folder is read once it
  // has closed.
  EXPECT_TRUE(test::EndProcessesOf(player, 10000));
  const QStringList left = QDir(folder.folder()).entryList({"*.tmp"}, QDir::Files | QDir::Hidden);
  EXPECT_EQ(left, QStringList{"Status.tmp"}) << "the update's files are gone";

  // The same update, untouched, installs, and keeps the user's play list. A link that someone
  // left at the Updater's staging name is not followed.
  const QByteArray song = "\"/home/user/Music/Night.flac\",\"Night\"\r\n";
  folder.write(
      QStringLiteral("ConfigurationAndLastPlayList.qvs"),
      "1,33,1\r\n12345\r\n#TRUE#,#TRUE#,#FALSE#\r\n3\r\n#FALSE#\r\n#FALSE#\r\n#TRUE#\r\n0\r\n" +
          song);
  QTemporaryDir elsewhere;
  const QString linkTarget = elsewhere.filePath(QStringLiteral("planted"));
  ASSERT_TRUE(QFile::link(linkTarget, folder.path(UpdaterProgram::kStagingName)));
  Tracker::SetStatusRunning(qvt::platform());
  stops = 0;
  Install(options);
  Tracker::SetStatusClosed(qvt::platform());
  ASSERT_TRUE(test::WaitUntilGone(updater, kLimitMs));
  EXPECT_TRUE(Holds(player, nextPlayer));
  EXPECT_FALSE(QFileInfo::exists(linkTarget)) << "the link was removed, not written through";
  ASSERT_TRUE(WaitFor([&] { return test::ProcessesOf(player).size() == 1; }, kLimitMs));
  ASSERT_TRUE(WaitFor([&] { return folder.read("Status.tmp") == "#TRUE#\r\n"; }, kLimitMs));
  EXPECT_TRUE(test::EndProcessesOf(player, 10000));
  EXPECT_EQ(QDir(folder.folder()).entryList({"*.tmp"}, QDir::Files | QDir::Hidden),
            QStringList{"Status.tmp"});
  const QByteArray settings = folder.read(QStringLiteral("ConfigurationAndLastPlayList.qvs"));
  EXPECT_TRUE(settings.startsWith(kNextConfigStart));
  EXPECT_TRUE(settings.endsWith(song)) << settings.toStdString();
}

// The check of a player with the key fetches the statement the layout tool signed beside the
// version file, takes it and remembers it. A layout without the key publishes none: the check
// then says that the server could not be verified, and keeps no answer.
TEST_F(SignedUpdateEndToEnd, CheckTakesTheStatementTheLayoutToolSigned) {
  frmOptions& options = CheckFindsTheNewVersion();
  const QByteArray seen = folder.read(QStringLiteral("UpdateStatements.qvs"));
  const QByteArray today = QDateTime::currentDateTimeUtc().date().toString(Qt::ISODate).toUtf8();
  EXPECT_TRUE(seen.startsWith("\"FINAL\",\"" + today + 'T') &&
              seen.endsWith("Z\",\"" + kNextVersion.toUtf8() + "\"\r\n"))
      << seen.toStdString();

  LayOutUpdate();
  QTest::mouseClick(options.cmdCheckUpdates, Qt::LeftButton);
  EXPECT_EQ(fake.dialogs.texts(),
            (QStringList{downloader::kDownloadFailed,
                         ServerStatement::kNotVerified + kCrLf2 +
                             QStringLiteral("The signed statement of the latest version could not "
                                            "be downloaded.")}));
  EXPECT_FALSE(QFileInfo::exists(folder.path(QStringLiteral("CurrentVersion.qvs"))));
}

// Updater started by itself over the files of an update that never finished, here a signed
// update of an older release: it refuses it. The old player stays and starts again, the
// update's files are removed, and the box says why.
TEST_F(SignedUpdateEndToEnd, UpdaterRefusesALeftOverOlderRelease) {
  LayOutUpdate(kKey, QStringLiteral("1.32.5"));
  const QString updater = folder.path(QStringLiteral("Updater"));
  const QString player = folder.path(QStringLiteral("Quavertone"));
  ASSERT_TRUE(QFile::remove(updater));
  ASSERT_TRUE(QFile::copy(QStringLiteral(QVT_SIGNED_UPDATER), updater));
  for (const auto& [published, left] :
       {std::pair{QStringLiteral("Quavertone"), UpdaterProgram::kNewPlayerName},
        std::pair{UpdateManifest::kManifestName, UpdateManifest::kKeptManifest},
        std::pair{UpdateManifest::kSignatureName, UpdateManifest::kKeptSignature}})
    ASSERT_TRUE(QFile::copy(Published(published), folder.path(left)));
  Tracker::SetStatusClosed(qvt::platform());  // the test's own player window closes first

  QProcess* running = folder.start(QStringLiteral("Updater"));
  ASSERT_TRUE(running->waitForFinished(kLimitMs));
  EXPECT_EQ(running->exitCode(), UpdaterProgram::kExitRefused);
  EXPECT_TRUE(Holds(player, oldPlayer));
  EXPECT_EQ(folder.boxes().value(0),
            UpdaterProgram::kProgramName + QLatin1Char('\t') + UpdaterProgram::kNotNewer + "||" +
                QStringLiteral("The signed update is for version 1.32.5, which is not newer than "
                               "this QVT, Version 1.33.1."));
  ASSERT_TRUE(WaitFor([&] { return folder.read("Status.tmp") == "#TRUE#\r\n"; }, kLimitMs))
      << "the old player runs again";
  EXPECT_TRUE(test::EndProcessesOf(player, 10000));
  EXPECT_EQ(QDir(folder.folder()).entryList({"*.tmp", ".Quavertone*"}, QDir::Files | QDir::Hidden),
            QStringList{"Status.tmp"})
      << "the update's files are gone";
}

}  // namespace
