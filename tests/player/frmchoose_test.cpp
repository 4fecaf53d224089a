// The play list editor window as a user meets it: its controls, adding from the file box,
// the extension filter, remove, clear, load and save through the buttons, the progress window
// on opening, the remembered folders and the hand-over to the player.
#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <optional>

#include "player/playlists/DirListBox.h"
#include "player/playlists/DriveListBox.h"
#include "player/playlists/FileListBox.h"
#include "player/playlists/SongListBox.h"
#include "player/playlists/frmChoose.h"
#include "player/startup/GlobalMethods.h"
#include "player/startup/MusicVariables.h"
#include "player/startup/SongSearch.h"
#include "player/window/frmMusic.h"
#include "tests/support/EventPump.h"
#include "tests/support/PlayListOfTheTest.h"
#include "tests/support/PlayerWindowsFixture.h"
#include "tests/support/ProgressRecorder.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WindowTest.h"

using namespace qvt;

namespace {

using test::ReadAll;

class FrmChooseTest : public test::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    test::PlayList().setLastIndex(-1);
    music = fake.path("music");
    QDir().mkpath(music);
  }
  void Touch(const QStringList& names) {
    for (const QString& name : names)
      ASSERT_TRUE(test::WriteAll(music + "/" + name, "x"));
  }
  // Opens the editor on the music folder, as a user who went there earlier.
  frmChoose& Open() {
    test::WriteAll(fake.path("SavedPath.qvs"),
                   ("\"" + music + "\",\"" + music + "\",\"/ [root]\"\r\n").toUtf8());
    frmChoose& w = test::Slot<frmChoose>().Get();
    w.show();
    return w;
  }
  // Selects the named files of the file box; the last one becomes the current file.
  static void Select(frmChoose& w, const QStringList& names) {
    w.filDisplay->Refresh();
    w.filDisplay->SetListIndex(-1);
    for (int i = 0; i < w.filDisplay->ListCount(); ++i) {
      if (names.contains(w.filDisplay->List(i))) {
        w.filDisplay->selectionModel()->setCurrentIndex(w.filDisplay->model()->index(i, 0),
                                                        QItemSelectionModel::Select);
      }
    }
    for (int i = 0; i < w.filDisplay->ListCount(); ++i) {
      if (w.filDisplay->List(i) == names.last())
        w.filDisplay->selectionModel()->setCurrentIndex(w.filDisplay->model()->index(i, 0),
                                                        QItemSelectionModel::NoUpdate);
    }
  }
  static void Click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
  static std::vector<QString> Shown(frmChoose& w) {
    std::vector<QString> names;
    for (int i = 0; i < w.lstPlayList->ListCount(); ++i)
      names.push_back(w.lstPlayList->List(i));
    return names;
  }
  std::vector<QString> Songs() const {
    const auto& n = test::PlayList().sSongNames().items();
    return {n.begin(), n.begin() + static_cast<long>(test::PlayList().dblLastIndex() + 1)};
  }
  void AddSongs(int count) {
    std::vector<QString> paths, names;
    for (int i = 0; i < count; ++i) {
      names.push_back(QStringLiteral("song%1.mp3").arg(i));
      paths.push_back(music + "/" + names.back());
    }
    test::PlayList().replaceAll(paths, names);
  }

  QString music;
};

TEST_F(FrmChooseTest, ControlsCarryTheirCaptionsAndPlaces) {
  Touch({"Blue.mp3", "Green, Live.ogg", "Ünïcode.wav", "mix.qvl"});
  AddSongs(3);
  frmChoose& w = Open();
  EXPECT_EQ(w.windowTitle(), "Choose the files");
  EXPECT_EQ(w.size(), QSize(637, 505));
  const struct {
    QWidget* control;
    QString caption;
    QRect pixels;
  } rows[] = {
      {w.drvDisplay, "", {0, 0, 633, 21}},
      {w.dirDisplay, "", {0, 24, 169, 411}},
      {w.filDisplay, "", {176, 24, 185, 383}},
      {w.Label1, "Only show files with this extension:", {184, 408, 103, 29}},
      {w.txtExtension, "*", {288, 416, 57, 19}},
      {w.cmdAdd, "&Add", {360, 24, 81, 33}},
      {w.cmdAddAll, "A&dd All", {360, 56, 81, 33}},
      {w.cmdRemove, "&Remove", {360, 88, 81, 33}},
      {w.cmdClear, "&Clear", {360, 120, 81, 33}},
      {w.cmdSave, "&Save", {360, 152, 81, 33}},
      {w.cmdLoad, "&Load", {360, 184, 81, 33}},
      {w.cmdVerify, "Verify List", {360, 224, 81, 33}},
      {w.lstPlayList, "", {440, 24, 193, 407}},
      {w.lblProcessing, "Processing list, please wait...", {440, 160, 193, 145}},
      {w.lblAdding, "Adding...", {440, 312, 177, 81}},
      {w.cmdDone, "&Done", {0, 440, 633, 33}},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(r.control->geometry(), r.pixels) << r.control->objectName().toStdString();
    QString caption = r.control->property("text").toString();
    EXPECT_EQ(caption, r.caption) << r.control->objectName().toStdString();
  }
  EXPECT_EQ(w.txtExtension->toolTip(),
            "Enter an extension to be used as the filter.  Wildcard character may be used.  "
            "Example: MP* and MP?.");
  EXPECT_TRUE(w.cmdDone->isDefault());
  EXPECT_EQ(w.lblProcessing->font().pointSize(), 24);
  EXPECT_EQ(w.cmdDone->font().pointSize(), 18);
  EXPECT_EQ(w.PanelText(1), "Ready");
  EXPECT_EQ(w.PanelText(2), "3 songs loaded");
  EXPECT_EQ(w.filDisplay->Path(), music);
  EXPECT_EQ(Shown(w), Songs());
  EXPECT_GT(w.lstPlayList->y(), 0);
  QDir().mkpath(QVT_BINARY_DIR "/screenshots");
  w.grab().save(QVT_BINARY_DIR "/screenshots/frmChoose.png");
  // Busy: the list hidden, the progress labels seen.
  w.SetEditing(false);
  w.SetAddingCaption("Adding... \r\nGreen, Live.ogg");
  w.RepaintWindow();
  EXPECT_FALSE(w.isEnabled());
  EXPECT_FALSE(w.cmdDone->isEnabled());
  w.grab().save(QVT_BINARY_DIR "/screenshots/frmChoose_busy.png");
  w.SetEditing(true);
  EXPECT_TRUE(w.lstPlayList->isVisible());
}

// Duplicates: three single messages (the existing song selected), then a summary of the rest.
TEST_F(FrmChooseTest, DuplicatesAreReportedThreeTimesThenSummed) {
  const QStringList files{"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3"};
  Touch(files);
  for (int dups : {5, 3}) {
    AddSongs(5);
    frmChoose& w = Open();
    fake.dialogs.shown.clear();
    Select(w, files.mid(0, dups));
    w.lstPlayList->SetListIndex(-1);
    // The songs are in the list as song0.mp3...: put the files' paths in place of them.
    for (int i = 0; i < 5; ++i)
      test::PlayList().setSongPath(static_cast<std::size_t>(i), music + "/" + files[i]);
    Click(w.cmdAdd);
    QStringList expected;
    for (int i = 0; i < 3; ++i)
      expected << "The song '" + files[i] + "' is already in the list";
    if (dups == 5)
      expected << "2 more songs couldn't be added because they were already in the list";
    EXPECT_EQ(fake.dialogs.texts(), expected);
    EXPECT_EQ(w.lstPlayList->ListIndex(), 2);
    EXPECT_EQ(test::PlayList().dblLastIndex(), 4);
    EXPECT_EQ(w.dblDuplicateCount(), 0);
    EXPECT_EQ(w.PanelText(1), "Ready");
    test::UnloadAllWindows();
  }
}

TEST_F(FrmChooseTest, AddTakesTheSongAndLoadsTheCurrentListFile) {
  Touch({"one.mp3"});
  test::WriteAll(music + "/set.qvl", "0\r\n\"/m/x.mp3\",\"x.mp3\"\r\n");
  frmChoose& w = Open();
  Select(w, {"one.mp3", "set.qvl"});
  Click(w.cmdAdd);
  EXPECT_EQ(Songs(), (std::vector<QString>{"one.mp3", "x.mp3"}));
  EXPECT_EQ(Shown(w), Songs());
  EXPECT_EQ(fake.dialogs.texts(), QStringList{"1 Songs loaded successfully"});
  EXPECT_TRUE(w.isEnabled());
  EXPECT_TRUE(w.lstPlayList->isVisible());

  // Closing the editor while the list file is read ends the batch there: the songs after it
  // are not added, no box follows, and the player takes the list as it stands.
  test::Slot<frmMusic>().Get();  // the player that takes it (loading its settings empties it)
  test::PlayList().replaceAll({music + "/one.mp3"}, {"one.mp3"});
  Touch({"two.mp3"});
  fake.dialogs.shown.clear();
  Select(w, {"set.qvl", "two.mp3", "set.qvl"});
  fake.eventLoop.onPass = [&w] { w.close(); };
  Click(w.cmdAdd);
  fake.eventLoop.onPass = nullptr;
  EXPECT_EQ(Songs(), std::vector<QString>{"one.mp3"});
  EXPECT_TRUE(fake.dialogs.shown.empty()) << fake.dialogs.texts().join("|").toStdString();
  EXPECT_FALSE(test::Slot<frmChoose>().Loaded());
}

TEST_F(FrmChooseTest, AddAllTakesWhatTheTypedExtensionShowsInOrder) {
  Touch({"b.mp3", "a.MP3", "c.ogg", "d.mp3x", "C.mp3"});
  frmChoose& w = Open();
  w.txtExtension->setFocus();
  QTest::keyClick(w.txtExtension, Qt::Key_Backspace);
  QTest::keyClicks(w.txtExtension, "mp3");
  EXPECT_EQ(w.filDisplay->Pattern(), "*.mp3");
  Select(w, {"b.mp3"});  // without a current file nothing is added
  Click(w.cmdAddAll);
  // The pattern matches without regard to case; the file box sorts the same way.
  EXPECT_EQ(Songs(), (std::vector<QString>{"a.MP3", "b.mp3", "C.mp3"}));
  EXPECT_EQ(test::PlayList().sSongPaths()[2], music + "/C.mp3");
  EXPECT_EQ(Shown(w), Songs());
  EXPECT_EQ(w.lblAdding->text(), "Adding... \r\nC.mp3");
  EXPECT_EQ(w.PanelText(2), "3 songs loaded");

  // Closing the editor once songs of the batch are in takes them back; a song the player
  // removed meanwhile stays removed.
  test::Slot<frmMusic>().Get();  // the player that takes the list (its settings empty it)
  test::PlayList().replaceAll({"/m/x.mp3", "/m/y.mp3"}, {"x.mp3", "y.mp3"});
  fake.eventLoop.onPass = [&w] {
    if (test::PlayList().dblLastIndex() > 1 && w.isVisible()) {
      GlobalMethods::RemoveSongAt(test::PlayList(), 0);
      w.close();
    }
  };
  Click(w.cmdAddAll);
  fake.eventLoop.onPass = nullptr;
  EXPECT_EQ(Songs(), std::vector<QString>{"y.mp3"});
  EXPECT_FALSE(test::Slot<frmChoose>().Loaded());
}

// On a long list the duplicate test reads the paths beside the windows before the first file:
// the windows answer meanwhile, and the duplicate is still found, also when the player drops a
// song meanwhile (the search then reads the list as it stands).
TEST_F(FrmChooseTest, ALongListIsReadForDuplicatesWhileTheWindowsAnswer) {
  test::Slot<frmMusic>()
      .Get();  // the player that takes the list at the end (its settings empty it)
  AddSongs(70000);
  Touch({"song69999.mp3"});
  frmChoose& w = Open();
  for (const bool bDrop : {false, true}) {
    SCOPED_TRACE(bDrop ? "a song dropped meanwhile" : "the list unchanged");
    GlobalMethods::ResetSearchState(test::PlayList());
    fake.dialogs.shown.clear();
    std::optional<std::size_t> indexedAtFirstPass;
    fake.eventLoop.onPass = [&] {
      if (indexedAtFirstPass)
        return;
      indexedAtFirstPass = GlobalMethods::PathIndex(test::PlayList()).indexedCount();
      if (bDrop)
        GlobalMethods::RemoveSongAt(test::PlayList(), 0);
    };
    Select(w, {"song69999.mp3"});
    Click(w.cmdAdd);
    fake.eventLoop.onPass = nullptr;
    EXPECT_EQ(indexedAtFirstPass, std::optional<std::size_t>(0));
    EXPECT_EQ(fake.dialogs.texts(), QStringList{"The song 'song69999.mp3' is already in the list"});
    EXPECT_EQ(w.lstPlayList->ListIndex(), bDrop ? 69998 : 69999);
  }
  // A close meanwhile stops the reading: nothing is added and nothing is said.
  GlobalMethods::ResetSearchState(test::PlayList());
  fake.dialogs.shown.clear();
  const double dblLast = test::PlayList().dblLastIndex();
  fake.eventLoop.onPass = [&w] { w.close(); };
  Select(w, {"song69999.mp3"});
  Click(w.cmdAdd);
  fake.eventLoop.onPass = nullptr;
  EXPECT_FALSE(test::Slot<frmChoose>().Loaded());
  EXPECT_TRUE(fake.dialogs.shown.empty()) << fake.dialogs.texts().join("|").toStdString();
  EXPECT_EQ(test::PlayList().dblLastIndex(), dblLast);
  EXPECT_EQ(GlobalMethods::PathIndex(test::PlayList()).indexedCount(), 0u);
}

TEST_F(FrmChooseTest, EmptyExtensionBoxBecomesStarWhenLeft) {
  frmChoose& w = Open();
  QApplication::setActiveWindow(&w);
  w.txtExtension->setFocus();
  w.txtExtension->clear();
  EXPECT_EQ(w.filDisplay->Pattern(), "*.");
  w.cmdAdd->setFocus();
  if (w.txtExtension->text().isEmpty()) {  // no window focus offscreen: the event itself
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(w.txtExtension, &out);
  }
  EXPECT_EQ(w.txtExtension->text(), "*");
  EXPECT_EQ(w.filDisplay->Pattern(), "*.*");
}

TEST_F(FrmChooseTest, RemoveSelectsTheNewLastAndEmptiesTheOnlySong) {
  AddSongs(3);
  frmChoose& w = Open();
  w.lstPlayList->SetListIndex(2);
  Click(w.cmdRemove);
  EXPECT_EQ(Shown(w), (std::vector<QString>{"song0.mp3", "song1.mp3"}));
  EXPECT_EQ(w.lstPlayList->ListIndex(), 1);
  AddSongs(1);
  w.RefillEditorList();
  w.lstPlayList->SetListIndex(0);
  Click(w.cmdRemove);
  EXPECT_EQ(test::PlayList().dblLastIndex(), -1);
  EXPECT_EQ(w.lstPlayList->ListCount(), 0);
  EXPECT_EQ(w.lstPlayList->ListIndex(), -1);
  EXPECT_TRUE(fake.dialogs.texts().isEmpty());
  Click(w.cmdRemove);
  AddSongs(1);
  w.RefillEditorList();
  Click(w.cmdRemove);
  EXPECT_EQ(fake.dialogs.texts(), (QStringList{"Nothing to remove", "Nothing selected"}));
  EXPECT_EQ(test::PlayList().dblLastIndex(), 0);
}

TEST_F(FrmChooseTest, DoubleClickAddsWithoutBusyStateAndEnterMeansDone) {
  Touch({"one.mp3", "two.mp3"});
  frmChoose& w = Open();
  Select(w, {"two.mp3"});
  const QRect item = w.filDisplay->visualRect(w.filDisplay->model()->index(1, 0));
  QTest::mouseDClick(w.filDisplay->viewport(), Qt::LeftButton, {}, item.center());
  EXPECT_EQ(Songs(), std::vector<QString>{"two.mp3"});
  EXPECT_EQ(Shown(w), Songs());
  EXPECT_TRUE(w.lstPlayList->isVisible());
  EXPECT_TRUE(w.cmdAdd->isEnabled());
  EXPECT_EQ(w.PanelText(1), "Adding...  two.mp3");  // no status of its own
  QTest::keyClick(w.txtExtension, Qt::Key_Return);
  EXPECT_FALSE(test::Slot<frmChoose>().IsLoaded());
}

TEST_F(FrmChooseTest, ClearThenDoneHandsAnEmptyListToThePlayer) {
  AddSongs(4);
  frmChoose& w = Open();
  Click(w.cmdClear);
  EXPECT_EQ(w.lstPlayList->ListCount(), 0);
  EXPECT_TRUE(w.lblAdding->isVisibleTo(&w));
  Click(w.cmdDone);
  EXPECT_FALSE(test::Slot<frmChoose>().IsLoaded());
  ASSERT_TRUE(test::Slot<frmMusic>().IsLoaded());
  EXPECT_TRUE(test::Slot<frmMusic>().Get().isVisible());
  EXPECT_EQ(test::PlayList().dblLastIndex(), -1);
  EXPECT_EQ(test::Slot<frmMusic>().Get().lblCurrentSong->text(), "Ready");
}

// Verify List runs as a job: its click returns at once with no pass of the event loop, the
// window busy; the songs are tested while the windows answer, and the job's end asks, tells and
// gives the window back. Closing the window before the test has finished ends the check: no box,
// no progress window, the list as it was, handed to the player.
TEST_F(FrmChooseTest, VerifyRunsAsAJobThatTheCloseEnds) {
  test::WriteAll(fake.path("AcceptedFileTypes.qvc"), "\"MP3\"\r\n");
  Touch({"a.mp3"});
  test::PlayList().replaceAll({music + "/a.mp3", fake.path("gone.mp3")}, {"a.mp3", "gone.mp3"});
  const std::vector<QString> before = test::PlayList().sSongPaths().items();
  for (const bool bClose : {false, true}) {
    SCOPED_TRACE(bClose ? "closed" : "to its end");
    ProgressRecorder progress;
    frmChoose& w = Open();
    const QPointer<frmChoose> open(&w);
    fake.dialogs.shown.clear();
    fake.dialogs.answers = {MsgResult::No};
    bool bLoopRan = false;
    QTimer::singleShot(0, [&] { bLoopRan = true; });
    const int passes = fake.eventLoop.passes;
    Click(w.cmdVerify);
    EXPECT_FALSE(bLoopRan);
    EXPECT_EQ(fake.eventLoop.passes, passes);
    EXPECT_TRUE(w.JobRunning());
    EXPECT_FALSE(w.isEnabled());
    EXPECT_EQ(w.PanelText(1), "Verifying...");
    EXPECT_TRUE(progress.bar.bVisible);
    if (bClose)
      Forms::Unload(w);
    ASSERT_TRUE(test::PumpUntil([&] { return !open || !open->JobRunning(); }));
    test::PumpUntil([] { return false; }, 50);  // a late report of the job would come here
    EXPECT_FALSE(progress.bar.bVisible);
    EXPECT_EQ(test::PlayList().sSongPaths().items(), before);
    if (bClose) {
      // The player greets the user it is handed back to; the check says nothing.
      EXPECT_FALSE(fake.dialogs.texts().contains("No changes have been made"))
          << fake.dialogs.texts().join(" | ").toStdString();
      EXPECT_FALSE(test::Slot<frmChoose>().IsLoaded());
      EXPECT_TRUE(test::Slot<frmMusic>().Get().isVisible());
    } else {
      ASSERT_EQ(fake.dialogs.shown.size(), 2u);
      EXPECT_EQ(fake.dialogs.shown[0].title, "Remove missing songs?");
      EXPECT_EQ(fake.dialogs.shown[1].text, "No changes have been made");
      EXPECT_EQ(progress.texts(ProgressWindow::Bar).last(), "Testing:\r\ngone.mp3");
      EXPECT_TRUE(w.isEnabled());
      EXPECT_EQ(w.PanelText(1), "Ready");
    }
  }
}

TEST_F(FrmChooseTest, ProgressWindowOnlyAbove501Songs) {
  for (int songs : {501, 502}) {
    ProgressRecorder progress;
    AddSongs(songs);
    frmChoose& w = Open();
    EXPECT_EQ(progress.count(ProgressRecorder::Op::Show, ProgressWindow::Bar), songs == 502)
        << songs;
    EXPECT_EQ(w.lstPlayList->ListCount(), songs);
    if (songs == 502) {
      EXPECT_EQ(progress.texts(ProgressWindow::Bar).last(),
                "Generating visual list...\r\nsong501.mp3");
      EXPECT_FALSE(progress.bar.bVisible);
    }
    test::UnloadAllWindows();
  }
}

TEST_F(FrmChooseTest, FoldersAreRememberedAcrossOpenings) {
  QDir().mkpath(music + "/sub");
  frmChoose& w = Open();
  w.dirDisplay->SetPath(music + "/sub");
  EXPECT_EQ(w.filDisplay->Path(), music + "/sub");
  Click(w.cmdDone);
  EXPECT_EQ(ReadAll(fake.path("SavedPath.qvs")),
            ("\"" + music + "/sub\",\"" + music + "/sub\",\"/ [root]\"\r\n").toUtf8());
  frmChoose& again = test::Slot<frmChoose>().Get();
  EXPECT_EQ(again.filDisplay->Path(), music + "/sub");
  EXPECT_EQ(again.dirDisplay->Path(), music + "/sub");

  // A close while the folder box's change has the file box read a folder unloads the editor
  // once the change has returned (never under the boxes' own calls): the folders it remembers
  // are the new ones.
  QTimer::singleShot(0, &again, [&again] { again.close(); });
  again.dirDisplay->SetPath(music);
  EXPECT_FALSE(test::Slot<frmChoose>().Loaded());
  EXPECT_EQ(ReadAll(fake.path("SavedPath.qvs")),
            ("\"" + music + "\",\"" + music + "\",\"/ [root]\"\r\n").toUtf8());
}

TEST_F(FrmChooseTest, SaveAndLoadThroughTheButtons) {
  AddSongs(2);
  frmChoose& w = Open();
  fake.dialogs.inputAnswers = {"party.qvl", "mine"};
  Click(w.cmdSave);
  Click(w.cmdSave);
  EXPECT_EQ(w.PanelText(1), "Saved");
  EXPECT_TRUE(QFile::exists(music + "/party.qvl.qvl"));
  const QByteArray saved = ReadAll(music + "/mine.qvl");
  EXPECT_TRUE(saved.startsWith("1\r\n\"" + music.toUtf8() + "/song0.mp3\",\"song0.mp3\"\r\n"));
  test::WriteAll(music + "/MIX.QVL", saved);
  test::WriteAll(music + "/broken.qvl", "5\r\n\"/m/z.mp3\",\"z.mp3\"\r\n");
  Click(w.cmdClear);
  fake.dialogs.shown.clear();
  for (const QString name : {"mine.qvl", "MIX.QVL", "broken.qvl"}) {
    Select(w, {name});
    Click(w.cmdLoad);
    EXPECT_TRUE(w.isEnabled());
    EXPECT_EQ(w.PanelText(1), "Ready");
  }
  EXPECT_EQ(
      fake.dialogs.texts(),
      (QStringList{"2 Songs loaded successfully",
                   "The file selected is not a valid Quavertone List file", "Error loading file"}));
  EXPECT_EQ(Songs(), (std::vector<QString>{"song0.mp3", "song1.mp3", "z.mp3"}));
  EXPECT_EQ(Shown(w), Songs());
  EXPECT_EQ(w.PanelText(2), "3 songs loaded");
}

}  // namespace
