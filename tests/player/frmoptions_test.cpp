// The options window as a user meets it: its controls, the preferences it selects when it opens,
// the option buttons, the version labels and update buttons, the file-type association, and
// the player window's side of it (the Options button, the update hooks, the component checks).
#include <gtest/gtest.h>
#include <QDir>
#include <QFileInfo>
#include <QTest>

#include "platform/fakes/FakeHttp.h"
#include "platform/fakes/FakeRegistry.h"
#include "player/options/cRegistry.h"
#include "player/options/frmOptions.h"
#include "player/quickplay/MediaControLCheck.h"
#include "player/startup/GlobalMethods.h"
#include "player/startup/MainModule.h"
#include "player/update/Paths.h"
#include "player/update/Updator.h"
#include "player/update/UpdatorMethods.h"
#include "player/update/downloader.h"
#include "player/window/frmMusic.h"
#include "shared/ui/ProgressWindows.h"
#include "shared/ui/frmProcessing.h"
#include "tests/support/BoxAssertions.h"
#include "tests/support/InstalledProgress.h"
#include "tests/support/PlayListOfTheTest.h"
#include "tests/support/PlayerWindowsFixture.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/TestFiles.h"
#include "tests/support/UnsignedUpdates.h"
#include "tests/support/WindowTest.h"

using namespace qvt;
namespace gm = qvt::GlobalMethods;

namespace {

class OptionsTest : public test::WindowTest {
 protected:
  void TearDown() override { WindowTest::TearDown(); }
  void StoreVersion(const QByteArray& bytes) {
    ASSERT_TRUE(test::WriteAll(fake.path("CurrentVersion.qvs"), bytes));
  }
  frmOptions& Open() {
    frmOptions& w = test::Slot<frmOptions>().Get();
    w.show();
    return w;
  }
  static bool ButtonsShown(const frmOptions& w) {
    return !w.cmdNewVerInfo->isHidden() && !w.cmdInstall->isHidden();
  }
  static bool ButtonsHidden(const frmOptions& w) {
    return w.cmdNewVerInfo->isHidden() && w.cmdInstall->isHidden();
  }

  FakeHttp net;
  FakeRegistry registry;
};

// The preferences as the getters report them.
struct Preferences {
  int skipMode;
  bool lowPriority;
  bool hideProcessing;
  bool quickPlayClose;
  bool operator==(const Preferences&) const = default;
};

Preferences Stored() {
  return {gm::GetSkipMode(test::PlayList()), gm::GetLowPriorityLoading(test::PlayList()),
          gm::GetHideProcessing(test::PlayList()), gm::GetQuickPlayClose(test::PlayList())};
}

void Store(const Preferences& p) {
  gm::SetSkipModeValue(test::PlayList(), static_cast<int16_t>(p.skipMode));
  gm::SetSongLoadingPriority(platform(), test::PlayList(), p.lowPriority ? 1 : 2);
  gm::SetProcessingVisibility(platform(), test::PlayList(), p.hideProcessing ? 2 : 1);
  gm::SetQuickPlayClose(test::PlayList(), p.quickPlayClose);
}

QString Text(const QWidget* control) {
  if (auto* frame = qobject_cast<const QGroupBox*>(control))
    return frame->title();
  return control->property("text").toString();
}

TEST_F(OptionsTest, ControlsCarryTheirCaptionsTipsAndPlaces) {
  frmOptions& w = Open();
  EXPECT_EQ(w.windowTitle(), "Options");
  EXPECT_EQ(w.size(), QSize(432, 392));
  struct Row {
    QWidget* control;
    const char* name;
    QWidget* parent;
    QString caption;
    QRect twips;
  } rows[] = {
      {w.fraSkip, "fraSkip", &w, "&Skip bad or broken songs", {120, 0, 2535, 1575}},
      {w.optNoSkip, "optNoSkip", w.fraSkip, "&Don't skip bad songs", {120, 240, 1935, 495}},
      {w.optSkipDelete,
       "optSkipDelete",
       w.fraSkip,
       "Skip and &remove bad songs",
       {120, 600, 2295, 495}},
      {w.optSkip, "optSkip", w.fraSkip, "&Just skip bad songs", {120, 960, 2175, 495}},
      {w.fraSongLoading, "fraSongLoading", &w, "Song &Loading", {120, 1680, 2535, 1335}},
      {w.optLow,
       "optLow",
       w.fraSongLoading,
       "Load songs slowly or &wait for available CPU time",
       {120, 240, 2295, 495}},
      {w.optNorm, "optNorm", w.fraSongLoading, "Load &immediatly", {120, 720, 2295, 495}},
      {w.fraProcessing, "fraProcessing", &w, "Messages", {120, 3120, 2535, 1215}},
      {w.optYesProcess,
       "optYesProcess",
       w.fraProcessing,
       "Show processing messages",
       {120, 240, 2295, 495}},
      {w.optNoProcess,
       "optNoProcess",
       w.fraProcessing,
       "Hide processing messages",
       {120, 600, 2295, 495}},
      {w.Frame2, "Frame2", &w, "Quick Play Options", {120, 4440, 2535, 1335}},
      {w.optStayOpen,
       "optStayOpen",
       w.Frame2,
       "Stay open after song has finished",
       {120, 240, 1815, 495}},
      {w.optClose,
       "optClose",
       w.Frame2,
       "Close Automatically after song has finished",
       {120, 720, 2295, 495}},
      {w.Frame1, "Frame1", &w, "Updates", {2760, 0, 3615, 3015}},
      {w.Label1, "Label1", w.Frame1, "Current Version:", {120, 240, 1215, 495}},
      {w.lblCurVer, "lblCurVer", w.Frame1, "Version 1.33.1", {120, 480, 3375, 255}},
      {w.Label2, "Label2", w.Frame1, "Latest Version:", {120, 960, 1695, 495}},
      {w.lblLatestVer, "lblLatestVer", w.Frame1, "Unknown", {120, 1200, 3375, 255}},
      {w.lblStatus, "lblStatus", w.Frame1, "Unknown", {120, 2040, 3375, 255}},
      {w.cmdCheckUpdates,
       "cmdCheckUpdates",
       w.Frame1,
       "&Check For Updates",
       {120, 2400, 1575, 495}},
      {w.cmdNewVerInfo, "cmdNewVerInfo", w.Frame1, "New &Version Info", {1800, 2400, 1695, 255}},
      {w.cmdInstall, "cmdInstall", w.Frame1, "Install &Updates", {1800, 2640, 1695, 255}},
      {w.fraAs, "fraAs", &w, "File Associations for Quick Play", {2760, 3120, 3615, 1935}},
      {w.Label3, "Label3", w.fraAs, w.Label3->text(), {120, 240, 3375, 1215}},
      {w.txtExt, "txtExt", w.fraAs, "", {120, 1560, 1935, 285}},
      {w.cmdExt, "cmdExt", &w, "Associate Now!", {4920, 4680, 1335, 255}},
      {w.cmdDone, "cmdDone", &w, "&Done", {3840, 5280, 2535, 495}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(r.control->objectName(), r.name);
    EXPECT_EQ(r.control->parentWidget(), r.parent);
    EXPECT_EQ(Text(r.control), r.caption);
    const QRect& t = r.twips;
    EXPECT_EQ(r.control->geometry(),
              QRect(t.x() / 15, t.y() / 15, t.width() / 15, t.height() / 15));
  }
  EXPECT_TRUE(
      w.Label3->text().startsWith("Quick Play allows you to use QVT to play songs right "
                                  "from windows when you double click a file.  Just"));
  EXPECT_TRUE(w.Label3->text().endsWith("instead of your old default player"));
  EXPECT_EQ(w.txtExt->toolTip(), "Enter a file type like MP3 or WAV");
  EXPECT_TRUE(ButtonsHidden(w));
  EXPECT_TRUE(w.cmdCheckUpdates->isVisible());
}

TEST_F(OptionsTest, TabOrderFollowsTheDesign) {
  frmOptions& w = Open();
  const QStringList expected = {"optNoSkip", "optSkipDelete",   "optSkip",       "optLow",
                                "optNorm",   "cmdCheckUpdates", "cmdNewVerInfo", "cmdInstall",
                                "cmdDone",   "optYesProcess",   "optNoProcess",  "txtExt",
                                "cmdExt",    "optStayOpen",     "optClose"};
  QStringList chain;
  QWidget* next = w.optNoSkip;
  do {
    if (next->focusPolicy() & Qt::TabFocus)
      chain << next->objectName();
    next = next->nextInFocusChain();
  } while (next != w.optNoSkip && chain.size() <= expected.size());
  EXPECT_EQ(chain, expected);
}

TEST_F(OptionsTest, OpeningSelectsTheStoredPreferences) {
  struct Row {
    Preferences before;
    std::vector<QRadioButton * frmOptions::*> selected;
    Preferences after;
    QStringList messages;
  };
  const QString skipError = "Error while setting the skip mode, please set them manually";
  const std::vector<Row> rows = {
      {{0, false, false, false},
       {&frmOptions::optNoSkip, &frmOptions::optNorm, &frmOptions::optYesProcess,
        &frmOptions::optStayOpen},
       {1, false, false, false},
       {}},
      {{1, true, true, true},
       {&frmOptions::optNoSkip, &frmOptions::optLow, &frmOptions::optNoProcess,
        &frmOptions::optClose},
       {1, true, true, true},
       {}},
      {{2, false, true, false},
       {&frmOptions::optSkipDelete, &frmOptions::optNorm, &frmOptions::optNoProcess,
        &frmOptions::optStayOpen},
       {2, false, true, false},
       {}},
      {{3, true, false, true},
       {&frmOptions::optSkip, &frmOptions::optLow, &frmOptions::optYesProcess,
        &frmOptions::optClose},
       {3, true, false, true},
       {}},
      {{7, false, false, false},
       {&frmOptions::optNorm, &frmOptions::optYesProcess, &frmOptions::optStayOpen},
       {7, false, false, false},
       {skipError}},
      {{-1, false, false, false},
       {&frmOptions::optNorm, &frmOptions::optYesProcess, &frmOptions::optStayOpen},
       {-1, false, false, false},
       {skipError}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.before.skipMode);
    Store(row.before);
    // Flags that disagree with the stored mode show whether the mode's setter ran.
    gm::SetSkipBadSongs(test::PlayList(), row.before.skipMode < 2);
    gm::SetRemoveBadSongs(test::PlayList(), row.before.skipMode != 2);
    fake.dialogs.shown.clear();
    frmOptions& w = test::Slot<frmOptions>().Get();
    EXPECT_EQ(Stored(), row.after);
    EXPECT_EQ(fake.dialogs.texts(), row.messages);
    QStringList checked, expected;
    for (QRadioButton* option : w.findChildren<QRadioButton*>()) {
      if (option->isChecked())
        checked << option->objectName();
    }
    for (QRadioButton* frmOptions::*member : row.selected)
      expected << (w.*member)->objectName();
    checked.sort();
    expected.sort();
    EXPECT_EQ(checked, expected);
    if (row.after.skipMode >= 1 && row.after.skipMode <= 3) {
      EXPECT_EQ(gm::GetSkipBadSongs(test::PlayList()), row.after.skipMode >= 2);
      EXPECT_EQ(gm::GetRemoveBadSongs(test::PlayList()), row.after.skipMode == 2);
    }
    test::Slot<frmOptions>().Unload();
  }
}

TEST_F(OptionsTest, EachOptionButtonStoresItsCode) {
  Store({1, false, false, false});
  frmOptions& w = Open();
  struct Row {
    QRadioButton* option;
    Preferences after;
  } rows[] = {
      {w.optSkipDelete, {2, false, false, false}}, {w.optSkip, {3, false, false, false}},
      {w.optNoSkip, {1, false, false, false}},     {w.optLow, {1, true, false, false}},
      {w.optNorm, {1, false, false, false}},       {w.optNoProcess, {1, false, true, false}},
      {w.optYesProcess, {1, false, false, false}}, {w.optClose, {1, false, false, true}},
      {w.optStayOpen, {1, false, false, false}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.option->objectName().toStdString());
    QTest::mouseClick(row.option, Qt::LeftButton);
    EXPECT_TRUE(row.option->isChecked());
    EXPECT_EQ(Stored(), row.after);
    // The other buttons of the frame lose the selection; other frames keep theirs.
    int checkedInFrame = 0;
    for (QRadioButton* sibling : row.option->parentWidget()->findChildren<QRadioButton*>())
      checkedInFrame += sibling->isChecked() ? 1 : 0;
    EXPECT_EQ(checkedInFrame, 1);
  }
  int checked = 0;
  for (QRadioButton* option : w.findChildren<QRadioButton*>())
    checked += option->isChecked() ? 1 : 0;
  EXPECT_EQ(checked, 4) << "one selection per frame";
  EXPECT_TRUE(fake.dialogs.shown.empty());
}

TEST_F(OptionsTest, OpeningShowsTheStoredCheckResult) {
  struct Row {
    const char* file;  // nullptr: no stored check
    QString latest, status;
    bool buttons;
  };
  const Row rows[] = {
      {nullptr, "Unknown", "Unknown", false},
      {"1,34,0\r\nFaster\r\n", "Version 1.34.0", "There is a newer version available", true},
      {"1,33,2", "Version 1.33.2", "There is a newer version available", true},
      {"2,0,0\r\nBig\r\n", "Unknown", "You should redownload the installer", false},
      {"1,33,1\r\n", "Unknown", "Unknown", false},
      {"1,34\r\n", "Unknown", "Unknown", false},
      {"", "Unknown", "Unknown", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.file ? row.file : "no file");
    QFile::remove(fake.path("CurrentVersion.qvs"));
    if (row.file)
      StoreVersion(row.file);
    frmOptions& w = Open();
    EXPECT_EQ(w.lblCurVer->text(), "Version 1.33.1");
    EXPECT_EQ(w.lblLatestVer->text(), row.latest);
    EXPECT_EQ(w.lblStatus->text(), row.status);
    EXPECT_EQ(ButtonsShown(w), row.buttons);
    EXPECT_EQ(ButtonsHidden(w), !row.buttons);
    EXPECT_TRUE(fake.dialogs.shown.empty());
    QTest::mouseClick(w.cmdDone, Qt::LeftButton);
    EXPECT_FALSE(test::Slot<frmOptions>().IsLoaded()) << "Done unloads the window";
  }
}

// A system-wide install: settings go elsewhere, and the program folder is the package manager's.
TEST_F(OptionsTest, AReadOnlyProgramFolderSaysThePackageManagerUpdates) {
  fake.programFolder.data = fake.path("data");
  frmOptions& w = Open();
  EXPECT_EQ(w.lblStatus->text(), "Updated by the package manager");
}

TEST_F(OptionsTest, CheckForUpdatesFillsTheLabelsOrReportsTheFailure) {
  const QString url = Paths::DefaultVersionFileURL();
  frmOptions& w = Open();
  QTest::mouseClick(w.cmdCheckUpdates, Qt::LeftButton);
  EXPECT_EQ(net.requested, QStringList{url});
  ASSERT_EQ(fake.dialogs.texts().size(), 2);
  EXPECT_EQ(fake.dialogs.texts().at(0), downloader::kDownloadFailed);
  EXPECT_TRUE(fake.dialogs.texts().at(1).startsWith(UpdatorMethods::kCheckFailed + "\r\n"));
  EXPECT_EQ(w.lblLatestVer->text(), "Unknown");
  EXPECT_EQ(w.lblStatus->text(), "Unknown");
  EXPECT_TRUE(ButtonsHidden(w));

  fake.dialogs.shown.clear();
  net.responses[url] = {200, "1,34,0\r\nFaster start, smaller lists\r\n"};
  QTest::mouseClick(w.cmdCheckUpdates, Qt::LeftButton);
  EXPECT_TRUE(fake.dialogs.shown.empty());
  EXPECT_EQ(w.lblLatestVer->text(), "Version 1.34.0");
  EXPECT_EQ(w.lblStatus->text(), "There is a newer version available");
  ASSERT_TRUE(ButtonsShown(w));

  QTest::mouseClick(w.cmdNewVerInfo, Qt::LeftButton);
  ASSERT_EQ(fake.dialogs.shown.size(), 1u);
  EXPECT_EQ(fake.dialogs.shown[0].text,
            "New for version 1.34.0\r\n\r\nFaster start, smaller lists");
  EXPECT_EQ(fake.dialogs.shown[0].buttons, MsgButtons::OkOnly);
  EXPECT_EQ(fake.dialogs.shown[0].title, platform().programName);

  // The buttons stay until the window is unloaded; the next opening starts hidden again.
  net.responses[url] = {200, "1,33,1\r\n"};
  QTest::mouseClick(w.cmdCheckUpdates, Qt::LeftButton);
  EXPECT_EQ(w.lblStatus->text(), "You are up-to-date");
  EXPECT_TRUE(ButtonsShown(w));
  test::Slot<frmOptions>().Unload();
  EXPECT_TRUE(ButtonsHidden(Open()));
}

// ---- file association ------------------------------------------------------------------------

QString ClassValue(const QString& key) {
  cRegistry reg(qvt::platform());
  return reg.ValueEx(kHkeyClassesRoot, key, QString(), kRegSz, Variant()).plainText();
}

TEST_F(OptionsTest, AssociateAsksThenRegistersTheTypeAsTyped) {
  const QString question =
      "Are you sure you want to associate all mp3 files with QVT?  This cannot be undone\r\n"
      "Continue?";
  frmOptions& w = Open();
  QTest::keyClicks(w.txtExt, "mp3");
  fake.dialogs.answers = {MsgResult::Yes};
  QTest::mouseClick(w.cmdExt, Qt::LeftButton);
  ASSERT_EQ(fake.dialogs.shown.size(), 2u);
  test::ExpectBox(fake.dialogs.shown[0],
                  {question, "Associate File?", MsgButtons::YesNo, MsgIcon::Exclamation, 2, true});
  EXPECT_EQ(fake.dialogs.shown[1].text, "mp3 has been associated successfully");
  EXPECT_EQ(fake.dialogs.shown[1].buttons, MsgButtons::OkOnly);
  EXPECT_EQ(ClassValue(".MP3"), "mp3");
  EXPECT_EQ(ClassValue("mp3"), "MP3 File");
  EXPECT_EQ(ClassValue("mp3\\shell\\open"), "&QVT MP3 Play");
  EXPECT_EQ(ClassValue("mp3\\shell\\open\\command"),
            fake.folder() + "/" + platform().programName + " %1");
  EXPECT_TRUE(ClassValue("mp3\\DefaultIcon").endsWith("QVTFile.ico"));
  EXPECT_EQ(ClassValue("mp3\\shell\\print"), "") << "no print verb";
}

TEST_F(OptionsTest, AssociateStopsOnEmptyTextRefusalOrFailure) {
  struct Row {
    const char* what;
    QString typed;
    std::deque<MsgResult> answers;
    bool readOnly;
    QStringList messages;  // after the question, where one is asked
  };
  const QString question =
      "Are you sure you want to associate all  .ogg files with QVT?  This cannot be undone\r\n"
      "Continue?";
  const std::vector<Row> rows = {
      {"empty", "", {}, false, {"No file type/extension specified"}},
      {"declined", " .ogg", {MsgResult::No}, false, {question, "Aborted file association"}},
      {"store refuses", " .ogg", {MsgResult::Yes}, true, {question, "Association failed:\r\n"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    frmOptions& w = Open();
    w.txtExt->setText(row.typed);
    fake.dialogs.shown.clear();
    fake.dialogs.answers = row.answers;
    registry.readOnly = row.readOnly;
    QTest::mouseClick(w.cmdExt, Qt::LeftButton);
    const QStringList texts = fake.dialogs.texts();
    ASSERT_EQ(texts.size(), row.messages.size());
    for (qsizetype i = 0; i < texts.size(); ++i)
      EXPECT_TRUE(texts[i].startsWith(row.messages[i])) << texts[i].toStdString();
    if (row.readOnly) {
      EXPECT_GT(texts.back().size(), row.messages.back().size()) << "the store's reason follows";
    }
    EXPECT_TRUE(registry.writes.empty());
    EXPECT_TRUE(test::Slot<frmOptions>().IsLoaded());
  }
}

// ---- updates and the player window ------------------------------------------------------------

class OptionsWithPlayer : public OptionsTest {
 protected:
  // The updates here are unsigned, as a build for a private test server installs them.
  void SetUp() override {
    OptionsTest::SetUp();
    test::MakeWindows(test::UnsignedUpdates());
  }

  // The player window as the program opens it, with a song playing.
  frmMusic& StartPlayer() {
    MainModule::Main(test::Windows(), QString());
    frmMusic& player = test::Slot<frmMusic>().Get();
    player.cmdPlay->setText("&Pause");
    player.cmdPlay->setToolTip("Pause");
    media.last()->state = kPlayPlaying;
    media.last()->position = 42;
    test::PlayList().bPlaying = true;
    test::PlayList().bResumeFromPosition = true;
    StoreVersion("1,34,0\r\nNew\r\n");
    fake.dialogs.shown.clear();  // the first run's welcome
    return player;
  }
};

TEST_F(OptionsWithPlayer, OptionsButtonOpensOneModelessWindow) {
  frmMusic& player = StartPlayer();
  player.cmdOptions->click();
  ASSERT_TRUE(test::Slot<frmOptions>().IsLoaded());
  frmOptions* first = &test::Slot<frmOptions>().Get();
  EXPECT_TRUE(first->isVisible());
  EXPECT_FALSE(first->isModal());
  player.cmdOptions->click();
  EXPECT_EQ(&test::Slot<frmOptions>().Get(), first);
  EXPECT_TRUE(player.isVisible());
}

TEST_F(OptionsWithPlayer, InstallDeclinedChangesNothing) {
  frmMusic& player = StartPlayer();
  frmOptions& w = Open();
  fake.dialogs.answers = {MsgResult::No};
  QTest::mouseClick(w.cmdInstall, Qt::LeftButton);
  ASSERT_EQ(fake.dialogs.shown.size(), 1u);
  EXPECT_EQ(fake.dialogs.shown[0].title, "Update Now?");
  EXPECT_EQ(fake.dialogs.shown[0].text, UpdatorMethods::kConfirmText);
  EXPECT_EQ(fake.dialogs.shown[0].defaultButton, 2);
  EXPECT_TRUE(test::PlayList().bPlaying);
  EXPECT_TRUE(test::PlayList().bResumeFromPosition);
  EXPECT_EQ(media.last()->stops, 0);
  EXPECT_EQ(media.last()->state, kPlayPlaying);
  EXPECT_EQ(player.cmdPlay->text(), "&Pause");
  EXPECT_TRUE(net.requested.isEmpty());
  EXPECT_TRUE(fake.process.started.empty());
}

TEST_F(OptionsWithPlayer, InstallHaltsPlaybackWhereItIsAndKeepsThePlayerWhenTheUpdateStops) {
  frmMusic& player = StartPlayer();
  frmOptions& w = Open();
  media.last()->calls.clear();
  fake.dialogs.answers = {MsgResult::Yes};
  QTest::mouseClick(w.cmdInstall, Qt::LeftButton);  // no file list can be fetched
  EXPECT_FALSE(test::PlayList().bPlaying);
  EXPECT_FALSE(test::PlayList().bResumeFromPosition);
  EXPECT_EQ(media.last()->calls, QStringList{"stop"}) << "stopped without rewinding";
  EXPECT_EQ(media.last()->position, 42);
  EXPECT_EQ(player.cmdPlay->text(), "&Play");
  EXPECT_EQ(player.cmdPlay->toolTip(), "Play");
  EXPECT_TRUE(fake.dialogs.texts().back().startsWith(Updator::kUpdateStopped));
  EXPECT_FALSE(fake.app.endedWith.has_value());
  EXPECT_TRUE(test::Slot<frmMusic>().IsLoaded());
}

TEST_F(OptionsWithPlayer, InstallStartsTheUpdaterAndClosesThePlayerNormally) {
  StartPlayer();
  frmOptions& w = Open();
  net.responses[Paths::DefaultFileListURL()] = {200, "\"Updater\",\"http://u/up\"\r\n"};
  net.responses["http://u/up"] = {200, "#!updater"};
  fake.dialogs.answers = {MsgResult::Yes};
  EXPECT_THROW(w.cmdInstall->click(), ProgramEnded);
  ASSERT_EQ(fake.process.started.size(), 1u);
  EXPECT_EQ(fake.process.started[0].program, fake.path("Updater"));
  EXPECT_EQ(fake.app.endedWith, 0);
  EXPECT_TRUE(test::ReadAll(fake.path("Status.tmp")).startsWith("#FALSE#"));
}

TEST_F(OptionsWithPlayer, PlayerLoadChecksTheComponentsWhereThePlatformHasThem) {
  platform().hasComponentFiles = true;
  fake.os.env["windir"] = fake.path("win");
  ASSERT_TRUE(QDir().mkpath(fake.path("win/SYSTEM32")));
  QByteArray statusAtDownload;
  net.onOpen = [&](const QString&) { statusAtDownload = test::ReadAll(fake.path("Status.tmp")); };
  fake.dialogs.answers = {MsgResult::Ok, MsgResult::Ok, MsgResult::No};
  test::Slot<frmMusic>().Get();
  ASSERT_FALSE(net.requested.isEmpty());
  EXPECT_TRUE(net.requested.front().endsWith("MSCOMCTL.OCX"));
  EXPECT_TRUE(statusAtDownload.startsWith("#TRUE#")) << "marked running before the check";
  // The common controls before the configuration (its first-run welcome), the media control
  // after it.
  const QStringList texts = fake.dialogs.texts();
  ASSERT_EQ(texts.size(), 3);
  EXPECT_EQ(texts.front(), downloader::kDownloadFailed);
  EXPECT_TRUE(texts[1].startsWith("Welcome")) << texts[1].toStdString();
  EXPECT_EQ(texts.back(), MediaControLCheck::kOfferText);
  EXPECT_TRUE(test::ReadAll(MediaControLCheck::MarkerPath(qvt::platform())).startsWith("#FALSE#"));
}

// ---- screenshots -----------------------------------------------------------------------------

TEST_F(OptionsTest, SavesTheWindowAndTheDownloadProgressAsPng) {
  const QString folder = QStringLiteral(QVT_BINARY_DIR "/screenshots");
  ASSERT_TRUE(QDir().mkpath(folder));
  StoreVersion("1,34,0\r\nNew\r\n");
  frmOptions& w = Open();
  w.txtExt->setText("mp3");
  EXPECT_TRUE(w.grab().save(folder + "/frmOptions.png"));

  platform().progressWindows = &test::ProgressWindows();
  const QString url = Paths::DefaultVersionFileURL();
  // The transfer waits at 12288 bytes until the window has been saved.
  net.responses[url] = {200, "1,34,0\r\n" + QByteArray(20 * 1024, 'x') + "\r\n", -1, 12288};
  QStringList seen;
  fake.eventLoop.onPass = [&] {
    if (!test::Slot<frmProcessing>().IsLoaded())
      return;
    frmProcessing& progress = test::Slot<frmProcessing>().Get();
    seen << progress.lblMessage->text();
    if (progress.lblMessage->text() == "12288 Bytes Downloaded..." && progress.isVisible()) {
      EXPECT_TRUE(progress.grab().save(folder + "/download_progress.png"));
      net.resume();
    }
  };
  QTest::mouseClick(w.cmdCheckUpdates, Qt::LeftButton);
  fake.eventLoop.onPass = nullptr;
  EXPECT_TRUE(seen.contains("12288 Bytes Downloaded..."));
  EXPECT_TRUE(seen.contains("20490 Bytes Downloaded..."));
  EXPECT_TRUE(QFileInfo::exists(folder + "/download_progress.png"));
  EXPECT_EQ(w.lblStatus->text(), "There is a newer version available");
}

}  // namespace
