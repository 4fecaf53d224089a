// The update client without the network: server paths from paths.qvc, the version comparison
// and check, preparing and handing off an update, and the component checks, all over FakeHttp.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include "platform/fakes/FakeHttp.h"
#include "platform/fakes/FakePlatform.h"
#include "player/quickplay/MediaControLCheck.h"
#include "player/startup/MusicVariables.h"
#include "player/update/ComponentCheck.h"
#include "player/update/Paths.h"
#include "player/update/ServerStatement.h"
#include "player/update/SignedUpdate.h"
#include "player/update/Tracker.h"
#include "player/update/Updator.h"
#include "player/update/UpdatorMethods.h"
#include "player/update/downloader.h"
#include "shared/UpdateManifest.h"
#include "tests/support/BoxAssertions.h"
#include "tests/support/InstalledProgress.h"
#include "tests/support/PlayListOfTheTest.h"
#include "tests/support/ProgressRecorder.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestSigning.h"
#include "tests/support/UnsignedUpdates.h"

using namespace qvt;
using namespace qvt::UpdatorMethods;

namespace {

const QString kRunModeMessage =
    QStringLiteral("Incorrect run mode found, run mode ~TEST~is not known");

class UpdateClient : public ::testing::Test {
 protected:
  void SetUp() override {
    SetProcessingSuppressed(false);
    test::PlayList().resetAll();
  }
  void Write(const QString& name, const QByteArray& bytes) {
    ASSERT_TRUE(test::WriteAll(fake.path(name), bytes));
  }
  QByteArray Read(const QString& name) const { return test::ReadAll(fake.path(name)); }
  QStringList Entries() const {
    return QDir(fake.folder())
        .entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot);
  }

  FakePlatform fake;
  FakeHttp net;
  ProgressRecorder progress;
  int stops = 0;
  int closes = 0;
  const PlayerHooks hooks{[this] { ++stops; }, [this] { ++closes; }};
};

// ---- server paths ----------------------------------------------------------------------------

TEST_F(UpdateClient, PathsFromPathsFile) {
  struct Row {
    const char* file;  // nullptr: no paths.qvc
    QString fileList, version, media;
    int messages;
  };
  const QString list = Paths::DefaultFileListURL(), ver = Paths::DefaultVersionFileURL(),
                media = Paths::DefaultMediaControlURL();
  const std::vector<Row> rows = {
      {nullptr, list, ver, media, 0},
      {"\"beta\"\r\n\"a\",\"b\"\r\n\"c\",\"d\"\r\n", "c", "d", media, 0},
      {"\"FINAL\"\r\n\"a\",\"b\"\r\n\"c\",\"d\"\r\n\"m\"\r\n", "a", "b", "m", 0},
      {"\"TEST\"\r\n\"a\",\"b\"\r\n\"c\",\"d\"\r\n\"m\"\r\n", "a", "b", "m", 2},
      {"\"\"\r\n\"  \",\"\"\r\n\"c\",\"d\"\r\n\"\"\r\n", list, ver, "", 0},
      {"\"Final\"\r\n\"\",\"b\"\r\n\"c\",\"d\"\r\n", "", "b", media, 0},
      {"final,\"http://h/a,b\",v,c,d,m", "http://h/a,b", "v", "m", 0},
      {"\"FINAL\",\"a\",\"b\",\"c\"", list, ver, media, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.file ? row.file : "no file");
    QFile::remove(fake.path("paths.qvc"));
    if (row.file)
      Write("paths.qvc", row.file);
    fake.dialogs.shown.clear();
    EXPECT_EQ(Paths::GetFileListURL(qvt::platform()), row.fileList);
    EXPECT_EQ(Paths::GetVersionFileURL(qvt::platform()), row.version);
    EXPECT_EQ(Paths::GetMediaControlURL(qvt::platform()), row.media);
    EXPECT_EQ(fake.dialogs.texts(), QStringList(row.messages, kRunModeMessage));
  }
  EXPECT_TRUE(list.startsWith(QStringLiteral(QVT_UPDATE_BASE_URL)));
  EXPECT_TRUE(list.endsWith("/files/QVT/FileList.txt"));
}

// The contents of a paths.qvc in memory give the addresses, and the messages, the file gives.
TEST_F(UpdateClient, PathsFromContentsInMemory) {
  const QByteArray files[] = {"\"beta\"\r\n\"a\",\"b\"\r\n\"c\",\"d\"\r\n",
                              "\"TEST\",\"a\",\"b\",\"c\",\"d\",\"m\"", "\"FINAL\",\"a\"", ""};
  for (const QByteArray& file : files) {
    Write("paths.qvc", file);
    fake.dialogs.shown.clear();
    const QStringList fromFile = {Paths::GetFileListURL(qvt::platform()),
                                  Paths::GetVersionFileURL(qvt::platform()),
                                  Paths::GetMediaControlURL(qvt::platform())};
    const QStringList messages = fake.dialogs.texts();
    fake.dialogs.shown.clear();
    EXPECT_EQ((QStringList{Paths::GetFileListURL(qvt::platform(), file),
                           Paths::GetVersionFileURL(qvt::platform(), file),
                           Paths::GetMediaControlURL(file)}),
              fromFile)
        << file.constData();
    EXPECT_EQ(fake.dialogs.texts(), messages);
  }
}

// ---- version check ---------------------------------------------------------------------------

TEST_F(UpdateClient, VersionComparisonAgainstTheRunningVersion) {
  EXPECT_EQ(VersionText(RunningVersion()), "Version 1.33.1");
  const std::vector<std::pair<VersionNumbers, VersionOutcome>> rows = {
      {{2, 0, 0}, VersionOutcome::MajorRelease},  {{1, 34, 0}, VersionOutcome::NewerVersion},
      {{1, 33, 2}, VersionOutcome::NewerVersion}, {{1, 32, 5}, VersionOutcome::UpToDate},
      {{0, 40, 0}, VersionOutcome::UpToDate},     {{1, 33, 1}, VersionOutcome::UpToDate},
      {{1, 33, 0}, VersionOutcome::UpToDate},     {{0, 0, 0}, VersionOutcome::UpToDate},
  };
  for (const auto& [version, outcome] : rows)
    EXPECT_EQ(CompareVersion(version), outcome) << VersionText(version).toStdString();
}

struct FakeView : IUpdateView {
  QString latest = "Unknown", status = "Unknown";
  bool buttons = false;
  void SetLatestVersionCaption(const QString& s) override { latest = s; }
  void SetStatusCaption(const QString& s) override { status = s; }
  void ShowUpdateButtons() override { buttons = true; }
};

TEST_F(UpdateClient, CheckForUpdatesShowsTheOutcome) {
  const QString url = Paths::DefaultVersionFileURL();
  const QString failed = kCheckFailed + "\r\n\r\n~~~~~\r\n";
  struct Row {
    std::optional<FakeHttp::Response> answer;  // none: unreachable
    QString latest, status;
    bool buttons;
    QStringList messages;
  };
  const std::vector<Row> rows = {
      {FakeHttp::Response{200, "1,34,0\r\nNew\r\n"},
       "Version 1.34.0",
       "There is a newer version available",
       true,
       {}},
      {FakeHttp::Response{200, "1,33,1\r\n"}, "Version 1.33.1", "You are up-to-date", false, {}},
      {FakeHttp::Response{200, "2,0,0\r\nBig\r\n"},
       "Unknown",
       "You should redownload the installer",
       false,
       {kMajorReleaseMessage + "\r\n" + kMakerSite}},
      {FakeHttp::Response{200, "1,33\r\n"},
       "Unknown",
       "Unknown",
       false,
       {failed + "Input past end of file"}},
      {FakeHttp::Response{200, "1,40000,0\r\n"},
       "Unknown",
       "Unknown",
       false,
       {failed + "Overflow"}},
      {FakeHttp::Response{404, "1,34,0\r\n"},
       "Unknown",
       "Unknown",
       false,
       {downloader::kDownloadFailed, failed + "The version file could not be downloaded"}},
      {std::nullopt,
       "Unknown",
       "Unknown",
       false,
       {downloader::kDownloadFailed, failed + "The version file could not be downloaded"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.status.toStdString());
    net.responses.clear();
    if (row.answer)
      net.responses[url] = *row.answer;
    Write("CurrentVersion.qvs", "1,99,0\r\nAn older check\r\n");
    fake.dialogs.shown.clear();
    progress.clear();
    FakeView view;
    CheckForUpdates(qvt::platform(), UpdateManifest::Trust(), view);
    EXPECT_EQ(view.latest, row.latest);
    EXPECT_EQ(view.status, row.status);
    EXPECT_EQ(view.buttons, row.buttons);
    EXPECT_EQ(fake.dialogs.texts(), row.messages);
    EXPECT_EQ(progress.texts(ProgressWindow::Message).value(0), "Establishing Connection....");
    EXPECT_EQ(progress.log().back(), "close message");
    EXPECT_EQ(net.requested.filter("QVTTimestamp"), QStringList()) << "a keyless build asks none";
    if (!row.answer || row.answer->status != 200) {
      EXPECT_FALSE(QFileInfo::exists(fake.path("CurrentVersion.qvs"))) << "no stale check";
    }
  }
}

// A build with the publisher's key believes the version file only when the publisher's dated,
// signed statement vouches for it now; with any other statement the check says that the server
// could not be verified and why, keeps no answer, and the labels stay as they were. The newest
// statement verified is remembered, so an older one is not taken again.
TEST_F(UpdateClient, SignedStatementVouchesForTheVersionFile) {
  const QString url = Paths::DefaultVersionFileURL();
  const QString folder = url.left(url.lastIndexOf('/') + 1);
  const auto statement = [](const char* version, const char* channel, const char* issued,
                            const char* expires) {
    return QByteArray("QVTTimestamp 1\r\nversion ") + version + "\r\nchannel " + channel +
           "\r\nissued " + issued + "\r\nexpires " + expires + "\r\n";
  };
  const auto seen = [](const char* issued, const char* version) {
    return QByteArray("\"FINAL\",\"") + issued + "\",\"" + version + "\"\r\n";
  };
  fake.clock.epochSeconds = 1796256000;  // 2026-12-03T00:00:00Z
  const QByteArray good =
      statement("1.34.0", "FINAL", "2026-12-01T00:00:00Z", "2026-12-31T00:00:00Z");
  const QByteArray goodSeen = seen("2026-12-01T00:00:00Z", "1.34.0");
  const QString older =
      "The signed statement of the latest version is older than one QVT has "
      "already seen (issued ";
  struct Row {
    const char* name;
    QByteArray text;        // none: not published
    QByteArray signature;   // none: the text signed with the publisher's key
    QByteArray seenBefore;  // the remembered statements; none: no file
    QString reason;         // none: verified
    QStringList before;     // boxes before the one that says the server is not verified
  };
  const std::vector<Row> rows = {
      {"valid", good, "", "", "", {}},
      {"valid, the same seen before", good, "", goodSeen, "", {}},
      {"missing",
       "",
       "",
       "",
       "The signed statement of the latest version could not be downloaded.",
       {downloader::kDownloadFailed}},
      {"bad signature",
       good,
       test::SignWithTestKey(good + "x"),
       "",
       "The statement of the latest version is not signed by the publisher of QVT.",
       {}},
      {"damaged",
       "QVTTimestamp 1\r\nversion 1.34.0\r\n",
       "",
       "",
       "The signed statement of the latest version is damaged.",
       {}},
      {"expired",
       statement("1.34.0", "FINAL", "2026-11-01T00:00:00Z", "2026-12-03T00:00:00Z"),
       "",
       "",
       "The signed statement of the latest version expired on 2026-12-03T00:00:00Z.",
       {}},
      {"other channel",
       statement("1.34.0", "BETA", "2026-12-01T00:00:00Z", "2026-12-31T00:00:00Z"),
       "",
       "",
       "The signed statement of the latest version is for the BETA channel, not this QVT's FINAL "
       "channel.",
       {}},
      {"version mismatch",
       statement("1.35.0", "FINAL", "2026-12-01T00:00:00Z", "2026-12-31T00:00:00Z"),
       "",
       "",
       "The signed statement names version 1.35.0 as the latest, but the version file names "
       "1.34.0.",
       {}},
      {"issued before one seen",
       good,
       "",
       seen("2026-12-02T00:00:00Z", "1.34.0"),
       older + "2026-12-02T00:00:00Z, version 1.34.0).",
       {}},
      {"a lower version than one seen",
       good,
       "",
       seen("2026-11-15T00:00:00Z", "1.35.0"),
       older + "2026-11-15T00:00:00Z, version 1.35.0).",
       {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    net.responses.clear();
    net.responses[url] = {200, "1,34,0\r\nNew\r\n"};
    if (!row.text.isEmpty()) {
      net.responses[folder + "QVTTimestamp.txt"] = {200, row.text};
      net.responses[folder + "QVTTimestamp.sig"] = {
          200, row.signature.isEmpty() ? test::SignWithTestKey(row.text) : row.signature};
    }
    QFile::remove(fake.path(ServerStatement::kSeenName));
    if (!row.seenBefore.isEmpty())
      Write(ServerStatement::kSeenName, row.seenBefore);
    fake.dialogs.shown.clear();
    FakeView view;
    CheckForUpdates(qvt::platform(), test::TestKeyTrust(), view);
    if (row.reason.isEmpty()) {
      EXPECT_TRUE(fake.dialogs.shown.empty()) << fake.dialogs.texts().join("\n").toStdString();
      EXPECT_EQ(view.status, "There is a newer version available");
      EXPECT_EQ(Read(ServerStatement::kSeenName), goodSeen);
      EXPECT_TRUE(QFileInfo::exists(CurrentVersionPath(qvt::platform())));
    } else {
      EXPECT_EQ(fake.dialogs.texts(),
                row.before + QStringList{ServerStatement::kNotVerified + "\r\n\r\n" + row.reason});
      EXPECT_EQ(view.status, "Unknown");
      EXPECT_FALSE(view.buttons);
      EXPECT_EQ(Read(ServerStatement::kSeenName), row.seenBefore) << "nothing more is remembered";
      EXPECT_FALSE(QFileInfo::exists(CurrentVersionPath(qvt::platform()))) << "no answer is kept";
    }
    EXPECT_EQ(Entries().filter("QVTTimestamp"), QStringList()) << "the downloads are not kept";
  }
}

TEST_F(UpdateClient, NewVersionInfoAndStoredResult) {
  QString version = "keep";
  EXPECT_EQ(GetNewVersionInfo(qvt::platform(), version), kNoDescription);
  EXPECT_EQ(version, "keep");
  Write("CurrentVersion.qvs", "1,34,0");
  EXPECT_EQ(GetNewVersionInfo(qvt::platform(), version), kNoDescription);
  EXPECT_EQ(version, "1,34,0");
  Write("CurrentVersion.qvs", "1,34,0\r\nFaster, smaller\r\nignored\r\n");
  EXPECT_EQ(GetNewVersionInfo(qvt::platform(), version), "Faster, smaller");
  EXPECT_EQ(version, "1.34.0");

  FakeView view;
  ShowStoredCheckResult(qvt::platform(), view);
  EXPECT_TRUE(view.buttons);
  EXPECT_EQ(view.status, "There is a newer version available");
  Write("CurrentVersion.qvs", "1,33,1\r\n");
  FakeView same;
  ShowStoredCheckResult(qvt::platform(), same);
  EXPECT_EQ(same.status, "Unknown") << "up to date changes nothing when the window opens";
  EXPECT_TRUE(fake.dialogs.shown.empty());
}

// The status file is replaced whole, never rewritten in place, and the lock follows the window.
TEST_F(UpdateClient, StatusIsReplacedWholeAndTheLockIsHeldWhileOpen) {
  Tracker::SetStatusRunning(qvt::platform());
  EXPECT_TRUE(files().isLocked(Tracker::LockFilePath(qvt::platform())));
  QFile before(fake.path("Status.tmp"));
  ASSERT_TRUE(before.open(QIODevice::ReadOnly));
  Tracker::SetStatusClosed(qvt::platform());
  EXPECT_EQ(before.readAll(), "#TRUE#\r\n") << "a reader of the old file never finds it cut";
  EXPECT_EQ(Read("Status.tmp"), "#FALSE#\r\n");
  EXPECT_FALSE(files().isLocked(Tracker::LockFilePath(qvt::platform())));
  EXPECT_EQ(Entries(), QStringList({"Quavertone.lock", "Status.tmp"}));
}

// ---- the signed manifest ----------------------------------------------------------------------

TEST_F(UpdateClient, ManifestGivesEachRoleOnceAndTheListMustMatchIt) {
  const QByteArray head = "QVTManifest 2\r\nversion 1.34.0\r\nchannel FINAL\r\n";
  const QByteArray updater =
      "updater 5 aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa Updater\r\n";
  const QByteArray player =
      "player 9 aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa "
      "ProgramUpdate.tmp\r\n";
  const QByteArray data =
      "file 3 aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa data/x\r\n";
  const std::vector<std::pair<QByteArray, bool>> texts = {
      {head + updater + player + data, true},
      {"QVTManifest 1\r\nversion 1.34.0\r\nchannel FINAL\r\n" + updater + player, false},
      {"QVTManifest 2\r\nversion 1.34.0\r\nchannel NIGHTLY\r\n" + updater + player, false},
      {head + updater + data, false},
      {head + updater + updater + player, false},
      {head + player + QByteArray(player).replace("player", "updater"), false},
      {head + updater + QByteArray(player).replace("ProgramUpdate.tmp", "Quavertone"), false},
      {head + updater + player + data + data, false},
      {head + updater + player.chopped(2) + "\n", false},
  };
  for (const auto& [text, ok] : texts)
    EXPECT_EQ(UpdateManifest::Parse(text).has_value(), ok) << text.toStdString();

  const UpdateManifest::Manifest manifest = *UpdateManifest::Parse(head + updater + player + data);
  const QString roles =
      "The list of files does not name first the Updater the publisher signed, and only it.";
  const std::vector<std::tuple<QString, QStringList, QString>> lists = {
      {"Updater", {"ProgramUpdate.tmp", "DATA\\x"}, ""},
      {"ProgramUpdate.tmp", {"Updater", "data/x"}, roles},
      {"Updater", {"Updater", "ProgramUpdate.tmp", "data/x"}, roles},
      {"Updater", {"ProgramUpdate.tmp"}, "The list of files lacks files of the signed update."},
      {"Updater",
       {"ProgramUpdate.tmp", "data/x", "Extra"},
       "Extra is not part of the signed update."},
  };
  for (const auto& [first, others, reason] : lists) {
    const Result<void> matched = SignedUpdate::CheckRoles(manifest, first, others);
    EXPECT_EQ(matched ? QString() : matched.error(), reason) << others.join(' ').toStdString();
  }
}

// Only a version newer than the running one installs, whatever the version file announced, and
// only the one it announced.
TEST_F(UpdateClient, SignedVersionMustBeNewerAndTheOneAnnounced) {
  const QString older = ", which is not newer than this QVT, Version 1.33.1.";
  const std::vector<std::tuple<QString, QByteArray, QString>> rows = {
      {"1.34.0", "1,34,0\r\n", ""},
      {"1.32.5", "1,32,5\r\n", "The signed update is for version 1.32.5" + older},
      {"0.40.0", "1,34,0\r\n", "The signed update is for version 0.40.0" + older},
      {"1.33.1", "1,34,0\r\n", "The signed update is for version 1.33.1" + older},
      {"1.34", "1,34,0\r\n", "The signed update is for version 1.34" + older},
      {"1.34.0", "1,35,0\r\n",
       "The signed update is for version 1.34.0, not the version announced, 1.35.0."},
  };
  for (const auto& [version, announced, reason] : rows) {
    Write("CurrentVersion.qvs", announced);
    UpdateManifest::Manifest manifest;
    manifest.sVersion = version;
    const Result<void> checked = SignedUpdate::CheckVersion(qvt::platform(), manifest);
    EXPECT_EQ(checked ? QString() : checked.error(), reason) << version.toStdString();
  }
}

// ---- update preparation and hand-off -----------------------------------------------------------

class Update : public UpdateClient {
 protected:
  // These updates are unsigned, as a build for a private test server installs them.
  const UpdateManifest::Trust trust = test::UnsignedUpdates();
  const QString listURL = Paths::DefaultFileListURL();
  void List(const QByteArray& records) { net.responses[listURL] = {200, records}; }
  void Serve(const QString& url, const QByteArray& body, long status = 200) {
    net.responses[url] = {status, body};
  }
  bool Executable(const QString& name) const {
    return QFileInfo(fake.path(name)).permission(QFile::ExeOwner);
  }
  // Nothing started, the player still open, no list or staging file left behind.
  void ExpectStopped(const QString& reason) {
    EXPECT_TRUE(fake.process.started.empty());
    EXPECT_EQ(closes, 0);
    EXPECT_EQ(fake.dialogs.texts().back(), Updator::kUpdateStopped + "\r\n\r\n" + reason);
    for (const QString& entry : Entries())
      EXPECT_FALSE(entry.startsWith('.') || entry == Updator::kListName) << entry.toStdString();
  }
};

TEST_F(Update, FetchesEveryFileThenTheUpdaterAndHandsOff) {
  ASSERT_TRUE(QDir(fake.folder()).mkdir("data"));
  List(
      "\"Updater\",\"http://u/up\"\r\n\"ProgramUpdate.tmp\",\"http://u/player\"\r\n"
      "\"data\\x.txt\",\"http://u/x\"\r\n\r\n");
  Serve("http://u/up", "#!updater");
  Serve("http://u/player", "new player");
  Serve("http://u/x", "data");
  Write("Updater", "old updater");
  StartUpdate(qvt::platform(), trust, hooks);
  EXPECT_EQ(net.requested, QStringList({listURL, "http://u/player", "http://u/x", "http://u/up"}));
  EXPECT_EQ(Read("Updater"), "#!updater");
  EXPECT_EQ(Read("ProgramUpdate.tmp"), "new player");
  EXPECT_EQ(Read("data/x.txt"), "data");
  EXPECT_TRUE(Executable("Updater"));
  EXPECT_TRUE(Executable("ProgramUpdate.tmp"));
  EXPECT_EQ(Entries(), QStringList({"data", "ProgramUpdate.tmp", "Updater"}));
  ASSERT_EQ(fake.process.started.size(), 1u);
  EXPECT_EQ(fake.process.started[0].program, fake.path("Updater"));
  EXPECT_TRUE(fake.process.started[0].arguments.isEmpty());
  EXPECT_EQ(closes, 1);
  EXPECT_TRUE(fake.dialogs.shown.empty());
  EXPECT_EQ(net.openHandles(), 0);
  const QStringList bar = progress.texts(ProgressWindow::Bar);
  EXPECT_EQ(bar.value(0), "Beginning Download of file list");
  EXPECT_EQ(bar.filter("Establishing Connection...").size(), 3);
  EXPECT_EQ(bar.filter("Completed").size(), 3);
  EXPECT_EQ(progress.log().back(), "close bar");
}

TEST_F(Update, ListWithOnlyTheUpdaterStartsIt) {
  List("\"Updater\",\"http://u/up\"");
  Serve("http://u/up", "#!updater");
  StartUpdate(qvt::platform(), trust, hooks);
  EXPECT_EQ(net.requested, QStringList({listURL, "http://u/up"}));
  ASSERT_EQ(fake.process.started.size(), 1u);
  EXPECT_EQ(closes, 1);
}

TEST_F(Update, BadListStopsBeforeAnythingIsFetched) {
  const QString outside = "The list of files names a file outside the program folder: \"";
  const QString empty = "The list of files holds an empty file name.";
  const QString damaged = "The list of files is damaged: a record lacks its address.";
  const std::vector<std::pair<QByteArray, QString>> rows = {
      {"\"/etc/cron.d/x\",\"http://u/a\"", outside + "/etc/cron.d/x\""},
      {"\"Updater\",\"http://u/a\"\r\n\"../x\",\"http://u/b\"", outside + "../x\""},
      {"\"Updater\",\"http://u/a\"\r\n\"data/../../x\",\"http://u/b\"", outside + "data/../../x\""},
      {"\"Updater\",\"http://u/a\"\r\n\"..\\x\",\"http://u/b\"", outside + "../x\""},
      {"\"Updater\",\"http://u/a\"\r\n\"./\",\"http://u/b\"", outside + "./\""},
      {"\"\",\"http://u/a\"", empty},
      {"\"Updater\",\"http://u/a\"\r\n\"  \",\"http://u/b\"", empty},
      {"\"Updater\"", damaged},
      {"\"Updater\",\"http://u/a\"\r\n\"ProgramUpdate.tmp\"\r\n", damaged},
      {"", damaged},
      {"\"Updater\",\"http://u/a\"\r\n\"updater\",\"http://u/b\"",
       "The list of files names \"updater\" twice."},
      {"\"Updater\",\"http://u/a\"\r\n\"d/x\",\"http://u/b\"\r\n\"D\\x\",\"http://u/c\"",
       "The list of files names \"D/x\" twice."},
      {QByteArray(Updator::kMostFileListBytes + 1, ' '),
       "The list of files could not be downloaded."},
  };
  // The folder above the program folder is shared with other programs: compare with what was
  // there before.
  const QString outsideFile = fake.folder() + "/../x";
  const bool outsideBefore = QFileInfo::exists(outsideFile);
  for (const auto& [records, reason] : rows) {
    SCOPED_TRACE(records.toStdString());
    List(records);
    net.requested.clear();
    fake.dialogs.shown.clear();
    StartUpdate(qvt::platform(), trust, hooks);
    EXPECT_EQ(net.requested, QStringList{listURL});
    ExpectStopped(reason);
  }
  EXPECT_EQ(QFileInfo::exists(outsideFile), outsideBefore);
}

TEST_F(Update, MissingListStopsAndAnOldListIsNotUsed) {
  Write(Updator::kListName, "\"Updater\",\"http://u/up\"\r\n");
  Serve("http://u/up", "#!updater");
  StartUpdate(qvt::platform(), trust, hooks);  // the list address cannot be reached
  EXPECT_EQ(net.requested, QStringList{listURL});
  EXPECT_EQ(fake.dialogs.texts().front(), downloader::kDownloadFailed);
  ExpectStopped("The list of files could not be downloaded.");
}

// A list that arrived but cannot be read, from its start or partway, stops the update before
// anything is fetched, and is not left behind.
TEST_F(Update, ListThatCannotBeReadStops) {
  List("\"Updater\",\"http://u/up\"\r\n\"ProgramUpdate.tmp\",\"http://u/player\"\r\n");
  for (const qint64 readable : {0, 10}) {
    SCOPED_TRACE(readable);
    fake.files.readFailsAfter[fake.path(Updator::kListName)] = readable;
    net.requested.clear();
    StartUpdate(qvt::platform(), trust, hooks);
    EXPECT_EQ(net.requested, QStringList{listURL});
    ExpectStopped("The list of files could not be read.");
  }
}

// The new player or the updater does not arrive, or a file cannot be put in place (all or
// nothing: the files put in place before it are taken back).
TEST_F(Update, NewPlayerOrUpdaterMissingStopsWithNothingChanged) {
  struct Row {
    const char* what;
    QString failing;  // a download that fails, or a file that cannot be put in place
    QString reason;
    QStringList requested;
  };
  const std::vector<Row> rows = {
      {"new player",
       "http://u/player",
       "ProgramUpdate.tmp could not be downloaded.",
       {"http://u/data", "http://u/player"}},
      {"updater",
       "http://u/up",
       "Updater could not be downloaded.",
       {"http://u/data", "http://u/player", "http://u/up"}},
      {"a file not put in place",
       fake.path("Settings.dat"),
       "Settings.dat could not be put in place.",
       {"http://u/data", "http://u/player", "http://u/up"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    List(
        "\"Updater\",\"http://u/up\"\r\n\"Settings.dat\",\"http://u/data\"\r\n"
        "\"ProgramUpdate.tmp\",\"http://u/player\"\r\n");
    Serve("http://u/up", "#!updater");
    Serve("http://u/player", "new player");
    Serve("http://u/data", "new data");
    const bool bDownloadFails = row.failing.startsWith("http:");
    if (bDownloadFails)
      Serve(row.failing, "missing", 404);
    else
      fake.files.failingPaths = {row.failing};
    Write("Updater", "old updater");
    Write("Settings.dat", "old data");
    net.requested.clear();
    fake.dialogs.shown.clear();
    StartUpdate(qvt::platform(), trust, hooks);
    EXPECT_EQ(net.requested, QStringList{listURL} + row.requested);
    EXPECT_EQ(fake.dialogs.texts().mid(0, 1),
              bDownloadFails ? QStringList{downloader::kDownloadFailed}
                             : QStringList{Updator::kUpdateStopped + "\r\n\r\n" + row.reason});
    ExpectStopped(row.reason);
    EXPECT_EQ(Read("Updater"), "old updater");
    EXPECT_EQ(Read("Settings.dat"), "old data");
    EXPECT_FALSE(QFileInfo::exists(fake.path("ProgramUpdate.tmp")));
  }
}

TEST_F(Update, OtherFileFailureGoesOn) {
  List(
      "\"Updater\",\"http://u/up\"\r\n\"Settings.dat\",\"http://u/data\"\r\n"
      "\"nosuch/x.txt\",\"http://u/x\"\r\n\"ProgramUpdate.tmp\",\"http://u/player\"\r\n");
  Serve("http://u/up", "#!updater");
  Serve("http://u/player", "new player");
  Serve("http://u/data", "gone", 500);
  Serve("http://u/x", "x");
  Write("Settings.dat", "old data");
  StartUpdate(qvt::platform(), trust, hooks);
  EXPECT_EQ(fake.dialogs.texts(),
            QStringList({downloader::kDownloadFailed, downloader::kDownloadFailed}));
  EXPECT_EQ(Read("Settings.dat"), "old data");
  EXPECT_EQ(Read("ProgramUpdate.tmp"), "new player");
  EXPECT_EQ(fake.process.started.size(), 1u);
  EXPECT_EQ(closes, 1);
}

TEST_F(Update, UpdaterThatCannotStartKeepsThePlayerOpen) {
  List("\"Updater\",\"http://u/up\"");
  Serve("http://u/up", "#!updater");
  fake.process.startSucceeds = false;
  StartUpdate(qvt::platform(), trust, hooks);
  EXPECT_EQ(closes, 0);
  EXPECT_EQ(fake.dialogs.texts().back(),
            Updator::kUpdateStopped + "\r\n\r\n" +
                "The updater could not be started: " + fake.path("Updater"));
}

// A system-wide install, and a build without the publisher's key that cannot verify updates,
// check for updates but neither fetch nor run anything.
TEST_F(Update, NoInstallWhereTheFolderIsNotOursOrNothingCanBeVerified) {
  QTemporaryDir data;
  const QString programData = fake.programFolder.data;
  const UpdateManifest::Trust keyless;  // no key, nothing unsigned
  struct Row {
    const char* what;
    bool bSystemWide;
    QString message;
  };
  for (const Row& row :
       {Row{"system-wide", true, kCannotInstallHere}, Row{"no key", false, kCannotVerifyUpdates}}) {
    SCOPED_TRACE(row.what);
    fake.programFolder.data = row.bSystemWide ? data.path() : programData;
    const UpdateManifest::Trust rowTrust = row.bSystemWide ? trust : keyless;
    fake.dialogs.shown.clear();
    net.requested.clear();
    StartUpdate(qvt::platform(), rowTrust, hooks);
    InstallUpdates(qvt::platform(), rowTrust, test::PlayList(), hooks);
    EXPECT_TRUE(net.requested.isEmpty());
    EXPECT_EQ(fake.dialogs.texts(), QStringList({row.message, row.message}));
    EXPECT_EQ(stops + closes, 0);

    net.responses[Paths::DefaultVersionFileURL()] = {200, "1,34,0\r\nNew\r\n"};
    FakeView view;
    CheckForUpdates(qvt::platform(), UpdateManifest::Trust(), view);
    EXPECT_EQ(view.status, "There is a newer version available");
  }
  EXPECT_TRUE(QFileInfo::exists(data.path() + "/CurrentVersion.qvs"));
  // Nor does the update itself fetch anything unsigned in a build without the key.
  List("\"Updater\",\"http://u/up\"");
  net.requested.clear();
  fake.dialogs.shown.clear();
  EXPECT_FALSE(Updator::BeginUpdate(qvt::platform(), keyless, listURL));
  EXPECT_TRUE(net.requested.isEmpty());
  ExpectStopped(kCannotVerifyUpdates);
}

// The user stops a download: the update ends without a message and nothing has changed.
TEST_F(Update, CancelledDownloadStopsWithNothingChanged) {
  List("\"Updater\",\"http://u/up\"\r\n\"ProgramUpdate.tmp\",\"http://u/player\"\r\n");
  Serve("http://u/up", "#!updater");
  // The player's transfer waits after two blocks until it is cancelled.
  net.responses["http://u/player"] = {200, QByteArray(3 * IHttp::kBlockSize, 'p'), -1,
                                      2 * IHttp::kBlockSize};
  Write("Updater", "old updater");
  progress.onText = [&](const QString& text) {
    if (text == QString::number(2 * IHttp::kBlockSize) + " Bytes Downloaded...") {
      EXPECT_TRUE(IsProcessingCancellable());
      CancelProcessing();
    }
  };
  StartUpdate(qvt::platform(), trust, hooks);
  progress.onText = nullptr;
  EXPECT_EQ(net.requested, QStringList({listURL, "http://u/player"}));
  EXPECT_TRUE(fake.dialogs.shown.empty()) << fake.dialogs.texts().join("\n").toStdString();
  EXPECT_TRUE(fake.process.started.empty());
  EXPECT_EQ(closes, 0);
  EXPECT_EQ(Entries(), QStringList{"Updater"});
  EXPECT_EQ(Read("Updater"), "old updater");
  EXPECT_FALSE(IsProcessingCancellable()) << "nothing is left to cancel";
  EXPECT_EQ(progress.log().back(), "close bar");
  EXPECT_EQ(net.openHandles(), 0);
}

// A link planted at a name the update downloads to, before the update or while the server
// answers, is never followed: the file it points at keeps its bytes, and the update goes on.
TEST_F(Update, LinksAtTheDownloadNamesAreNeverFollowed) {
  QTemporaryDir elsewhere;
  const QString victim = elsewhere.filePath("victim");
  const std::vector<std::pair<QString, QString>> downloads = {
      {listURL, fake.path(Updator::kListName)},
      {"http://u/player", Updator::StagingPath(fake.path("ProgramUpdate.tmp"))},
      {"http://u/up", Updator::StagingPath(fake.path("Updater"))}};
  List("\"Updater\",\"http://u/up\"\r\n\"ProgramUpdate.tmp\",\"http://u/player\"\r\n");
  Serve("http://u/up", "#!updater");
  Serve("http://u/player", "new player");
  for (const auto& [url, name] : downloads) {
    for (const bool bWhileAnswering : {false, true}) {
      SCOPED_TRACE(url.toStdString() + (bWhileAnswering ? " while answering" : " before"));
      ASSERT_TRUE(test::WriteAll(victim, "victim"));
      QFile::remove(fake.path("ProgramUpdate.tmp"));
      fake.process.started.clear();
      const auto plant = [&victim, &name = name] { (void)QFile::link(victim, name); };
      if (bWhileAnswering) {
        net.onOpen = [&plant, &url = url](const QString& opened) {
          if (opened == url)
            plant();
        };
      } else {
        plant();
      }
      StartUpdate(qvt::platform(), trust, hooks);
      net.onOpen = nullptr;
      EXPECT_EQ(test::ReadAll(victim), "victim");
      EXPECT_EQ(Read("ProgramUpdate.tmp"), "new player");
      EXPECT_EQ(fake.process.started.size(), 1u);
      EXPECT_TRUE(fake.dialogs.shown.empty()) << fake.dialogs.texts().join("\n").toStdString();
    }
  }
}

TEST_F(Update, InstallUpdatesAsksThenHaltsPlaybackAndUpdates) {
  List("\"Updater\",\"http://u/up\"");
  Serve("http://u/up", "#!updater");
  test::PlayList().bPlaying = true;
  test::PlayList().bResumeFromPosition = true;
  fake.dialogs.answers = {MsgResult::No};
  InstallUpdates(qvt::platform(), trust, test::PlayList(), hooks);
  EXPECT_TRUE(test::PlayList().bPlaying) << "No changes nothing";
  EXPECT_TRUE(net.requested.isEmpty());
  ASSERT_EQ(fake.dialogs.shown.size(), 1u);
  test::ExpectBox(fake.dialogs.shown[0],
                  {kConfirmText, "Update Now?", MsgButtons::YesNo, MsgIcon::Information, 2, false});

  fake.dialogs.answers = {MsgResult::Yes};
  InstallUpdates(qvt::platform(), trust, test::PlayList(), hooks);
  EXPECT_FALSE(test::PlayList().bPlaying);
  EXPECT_FALSE(test::PlayList().bResumeFromPosition);
  EXPECT_EQ(stops, 1);
  EXPECT_EQ(closes, 1);
}

// ---- component checks --------------------------------------------------------------------------

class Components : public UpdateClient {
 protected:
  void SetUp() override {
    UpdateClient::SetUp();
    platform().hasComponentFiles = true;
    fake.os.env["windir"] = fake.path("win");
    fake.os.major = 6;
    ASSERT_TRUE(QDir().mkpath(fake.path("win/SYSTEM32")));
    net.responses[Paths::DefaultMediaControlURL()] = {200, "control"};
  }
  QString Marker() const { return QString::fromUtf8(Read("MediaControlCheck.qvc")); }
};

TEST_F(Components, NothingRunsWithoutComponentFiles) {
  platform().hasComponentFiles = false;
  ComponentCheck::CheckCommonControls(qvt::platform());
  MediaControLCheck::CheckMediaControl(qvt::platform());
  EXPECT_TRUE(fake.dialogs.shown.empty());
  EXPECT_TRUE(net.requested.isEmpty());
  EXPECT_FALSE(QFileInfo::exists(MediaControLCheck::MarkerPath(qvt::platform())));
}

TEST_F(Components, ControlPresent) {
  Write("win/SYSTEM32/mci32.ocx", "x");
  MediaControLCheck::CheckMediaControl(qvt::platform());
  EXPECT_FALSE(QFileInfo::exists(MediaControLCheck::MarkerPath(qvt::platform())))
      << "no marker is created";
  Write("MediaControlCheck.qvc", "#FALSE#\r\n");
  MediaControLCheck::CheckMediaControl(qvt::platform());
  EXPECT_EQ(Marker(), "#TRUE#\r\n");
  EXPECT_TRUE(fake.dialogs.shown.empty());
}

TEST_F(Components, ControlMissing) {
  fake.dialogs.answers = {MsgResult::No};
  MediaControLCheck::CheckMediaControl(qvt::platform());
  EXPECT_EQ(Marker(), "#FALSE#\r\n");
  ASSERT_EQ(fake.dialogs.shown.size(), 1u);
  EXPECT_EQ(fake.dialogs.shown[0].text, MediaControLCheck::kOfferText);
  EXPECT_EQ(fake.dialogs.shown[0].title, MediaControLCheck::kOfferTitle);
  EXPECT_EQ(fake.dialogs.shown[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(fake.dialogs.shown[0].icon, MsgIcon::Critical);

  fake.dialogs.answers = {MsgResult::Yes};
  MediaControLCheck::CheckMediaControl(qvt::platform());
  EXPECT_EQ(Read("win/SYSTEM32/MCI32.OCX"), "control");
  EXPECT_EQ(Marker(), "#TRUE#\r\n");
  EXPECT_EQ(progress.log().front(), "text message: Establishing Connection...");
  EXPECT_EQ(progress.log().back(), "close message");
}

TEST_F(Components, ControlDownloadFails) {
  // An older download in the program folder must not be installed as if it had just arrived.
  Write("MCI32.OCX", "old");
  net.responses.clear();
  fake.dialogs.answers = {MsgResult::Yes};
  MediaControLCheck::CheckMediaControl(qvt::platform());
  EXPECT_EQ(fake.dialogs.texts(),
            QStringList({MediaControLCheck::kOfferText, downloader::kDownloadFailed,
                         MediaControLCheck::kCriticalError}));
  EXPECT_FALSE(QFileInfo::exists(fake.path("win/SYSTEM32/MCI32.OCX")));
  EXPECT_EQ(Marker(), "#FALSE#\r\n");
}

TEST_F(Components, CommonControls) {
  net.responses[Paths::GetCommonControlsURL()] = {200, "common"};
  ComponentCheck::CheckCommonControls(qvt::platform());
  EXPECT_EQ(Read("MSCOMCTL.OCX"), "common");
  EXPECT_EQ(Read("win/SYSTEM32/MSCOMCTL.OCX"), "common");
  EXPECT_EQ(progress.texts(ProgressWindow::Message).value(0),
            "Establishing Connection for emergency update...");
  net.requested.clear();
  ComponentCheck::CheckCommonControls(qvt::platform());
  EXPECT_TRUE(net.requested.isEmpty()) << "present: nothing to do";
}

}  // namespace
