// A user's whole round with play lists, on the real windows and the real libmpv player (null
// audio output): the editor opened from the player builds, saves, clears, loads and verifies a
// list of generated songs; the player takes it; the list view starts the second song and the
// search window finds songs by name. Only the message boxes are scripted.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QThread>

#include "platform/Media.h"
#include "platform/fakes/FakePlatform.h"
#include "platform/media/MpvMediaFactory.h"
#include "player/playlists/DirListBox.h"
#include "player/playlists/FileListBox.h"
#include "player/playlists/SongListBox.h"
#include "player/playlists/frmChoose.h"
#include "player/playlists/frmList.h"
#include "player/playlists/frmSearch.h"
#include "player/startup/MusicVariables.h"
#include "player/window/frmMusic.h"
#include "shared/Processor.h"
#include "tests/support/AudioFixtures.h"
#include "tests/support/EventPump.h"
#include "tests/support/PlayListOfTheTest.h"
#include "tests/support/PlayerWindowsFixture.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/TestFiles.h"

using namespace qvt;

namespace {

class PlayListsEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    test::PlayList().resetAll();
    platform().progressWindows = nullptr;
    // Real-time null output, so that a song is still playing when the test looks.
    saved_ = qgetenv("QUAVERTONE_AUDIO");
    qputenv("QUAVERTONE_AUDIO", "null");
    platform().media = &mpv_;
  }
  void TearDown() override {
    test::UnloadAllWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    test::PlayList().resetAll();
    qputenv("QUAVERTONE_AUDIO", saved_);
  }

  // Songs whose names carry blanks, commas and letters beyond ASCII, and one file of another
  // kind that the extension filter hides.
  QString MakeMusicFolder() {
    const QString dir = fake.folder() + QStringLiteral("/Música de fiesta");
    QDir().mkpath(dir);
    for (const QString& name : kSongs)
      EXPECT_FALSE(test::MakeWav(dir, name, 20.0, 8000).isEmpty()) << name.toStdString();
    test::WriteAll(dir + QStringLiteral("/notes.txt"), "not a song");
    return dir;
  }

  static int RowOf(const FileListBox& fil, const QString& name) {
    for (int i = 0; i < fil.ListCount(); ++i) {
      if (fil.List(i) == name)
        return i;
    }
    return -1;
  }

  // One column of the play list, its songs' names or their paths.
  static QStringList Listed(const SongArray& (MusicVariables::*column)() const) {
    QStringList values;
    const MusicVariables& mv = test::PlayList();
    for (int i = 0; i <= mv.dblLastIndex(); ++i)
      values << (mv.*column)()[static_cast<std::size_t>(i)];
    return values;
  }
  static QStringList Names() { return Listed(&MusicVariables::sSongNames); }
  static QStringList Paths() { return Listed(&MusicVariables::sSongPaths); }

  const QStringList kSongs = {
      QStringLiteral("A song, with comma.wav"),
      QStringLiteral("Blue  twice blank.wav"),
      QStringLiteral("Canción del día.wav"),
      QStringLiteral("Dvořák Songbird.wav"),
  };
  FakePlatform fake;
  MpvMediaFactory mpv_;
  QByteArray saved_;
};

TEST_F(PlayListsEndToEnd, BuildSaveLoadVerifyThenPlayAndSearchFromTheListView) {
  const QString music = MakeMusicFolder();
  ASSERT_TRUE(QFile::copy(QStringLiteral(QVT_PROGRAM_DIR "/AcceptedFileTypes.qvc"),
                          fake.folder() + QStringLiteral("/AcceptedFileTypes.qvc")));
  frmMusic& player = test::Slot<frmMusic>().Get();
  player.show();
  fake.dialogs.shown.clear();  // the welcome of a first run

  // The player opens the editor and hides itself.
  QTest::mouseClick(player.cmdDir, Qt::LeftButton);
  ASSERT_TRUE(test::Slot<frmChoose>().IsLoaded());
  frmChoose& editor = test::Slot<frmChoose>().Get();
  EXPECT_TRUE(editor.isVisible());
  EXPECT_FALSE(player.isVisible());

  // Into the music folder, only WAV files shown.
  ASSERT_TRUE(editor.dirDisplay->SetPath(music));
  EXPECT_EQ(editor.filDisplay->Path(), music);
  editor.txtExtension->selectAll();
  QTest::keyClicks(editor.txtExtension, QStringLiteral("wav"));
  EXPECT_EQ(editor.filDisplay->Pattern(), QStringLiteral("*.wav"));
  ASSERT_EQ(editor.filDisplay->ListCount(), kSongs.size());

  // Add All with a current file, then the second song once more: one message, nothing added.
  editor.filDisplay->SetListIndex(0);
  QTest::mouseClick(editor.cmdAddAll, Qt::LeftButton);
  ASSERT_EQ(Names(), kSongs);
  EXPECT_EQ(editor.lstPlayList->ListCount(), kSongs.size());
  EXPECT_EQ(Paths().at(2), music + QStringLiteral("/") + kSongs.at(2));

  editor.filDisplay->SetListIndex(1);
  QTest::mouseClick(editor.cmdAdd, Qt::LeftButton);
  EXPECT_EQ(fake.dialogs.texts(),
            QStringList{QStringLiteral("The song 'Blue  twice blank.wav' is already in the list")});
  EXPECT_EQ(test::PlayList().dblLastIndex(), 3);
  EXPECT_EQ(editor.lstPlayList->ListIndex(), 1);  // the existing entry is selected

  // Remove the first song.
  editor.lstPlayList->SetListIndex(0);
  QTest::mouseClick(editor.cmdRemove, Qt::LeftButton);
  const QStringList kept = kSongs.mid(1);
  ASSERT_EQ(Names(), kept);
  const QStringList keptPaths = Paths();

  // Save as "party": the file lists the songs byte for byte.
  fake.dialogs.shown.clear();
  fake.dialogs.inputAnswers.push_back(QStringLiteral("party"));
  QTest::mouseClick(editor.cmdSave, Qt::LeftButton);
  EXPECT_EQ(fake.dialogs.texts(), QStringList{QStringLiteral("Saved")});
  ASSERT_EQ(fake.dialogs.inputs.size(), 1u);
  EXPECT_EQ(fake.dialogs.inputs[0].prompt, QStringLiteral("Enter file name"));
  const QString party = music + QStringLiteral("/party.qvl");
  QByteArray expected = "2\r\n";
  for (int i = 0; i < kept.size(); ++i)
    expected += "\"" + keptPaths[i].toUtf8() + "\",\"" + kept[i].toUtf8() + "\"\r\n";
  EXPECT_EQ(test::ReadAll(party), expected);

  // Clear, then load the list back from the file box.
  QTest::mouseClick(editor.cmdClear, Qt::LeftButton);
  EXPECT_EQ(test::PlayList().dblLastIndex(), -1);
  EXPECT_EQ(editor.lstPlayList->ListCount(), 0);
  editor.txtExtension->selectAll();
  QTest::keyClicks(editor.txtExtension, QStringLiteral("qvl"));
  const int row = RowOf(*editor.filDisplay, QStringLiteral("party.qvl"));
  ASSERT_GE(row, 0);
  editor.filDisplay->SetListIndex(row);
  fake.dialogs.shown.clear();
  QTest::mouseClick(editor.cmdLoad, Qt::LeftButton);
  EXPECT_EQ(fake.dialogs.texts(), QStringList{QStringLiteral("3 Songs loaded successfully")});
  EXPECT_EQ(Names(), kept);
  EXPECT_EQ(Paths(), keptPaths);
  EXPECT_EQ(editor.lstPlayList->ListCount(), 3);

  // One song vanishes; Verify List asks and removes it.
  ASSERT_TRUE(QFile::remove(keptPaths[1]));
  fake.dialogs.shown.clear();
  fake.dialogs.answers.push_back(MsgResult::Yes);
  QTest::mouseClick(editor.cmdVerify, Qt::LeftButton);
  ASSERT_TRUE(test::PumpUntil([&] { return !editor.JobRunning(); }));
  ASSERT_GE(fake.dialogs.shown.size(), 2u);
  EXPECT_EQ(fake.dialogs.shown[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(fake.dialogs.shown.back().text, QStringLiteral("1 Songs were removed"));
  const QStringList verified = {kept[0], kept[2]};
  EXPECT_EQ(Names(), verified);
  EXPECT_EQ(editor.lstPlayList->ListCount(), 2);

  // Done: the editor closes and the player takes the list.
  QTest::mouseClick(editor.cmdDone, Qt::LeftButton);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(test::Slot<frmChoose>().IsLoaded());
  EXPECT_TRUE(player.isVisible());
  EXPECT_TRUE(test::ReadAll(fake.folder() + QStringLiteral("/SavedPath.qvs")).contains("fiesta"));

  // Play starts the first song of the new list.
  QTest::mouseClick(player.cmdPlay, Qt::LeftButton);
  EXPECT_EQ(player.Player().fileName(), Paths().at(0));

  // The list view: Select the second song; it plays and carries the marker.
  QTest::mouseClick(player.cmdView, Qt::LeftButton);
  frmList& view = test::Slot<frmList>().Get();
  EXPECT_TRUE(view.isVisible());
  ASSERT_EQ(view.lstList->ListCount(), 2);
  view.lstList->SetListIndex(1);
  QTest::mouseClick(view.cmdPlay, Qt::LeftButton);
  EXPECT_EQ(player.Position(), 1);
  EXPECT_EQ(player.Player().fileName(), Paths().at(1));
  EXPECT_TRUE(test::PumpUntil([&] { return player.Player().playState() == kPlayPlaying; }));
  EXPECT_EQ(view.lstList->List(1), verified[1] + QStringLiteral(" - Now Playing"));
  EXPECT_EQ(view.lstList->List(0), verified[0]);
  EXPECT_EQ(view.windowTitle(), QStringLiteral("Play List - Now Playing - ") + verified[1]);

  // The search window finds "song" in the second name (letter case ignored), then no more.
  QTest::mouseClick(view.cmdSearch, Qt::LeftButton);
  ASSERT_TRUE(test::Slot<frmSearch>().IsLoaded());
  frmSearch& search = test::Slot<frmSearch>().Get();
  EXPECT_TRUE(search.isVisible());
  QTest::keyClicks(search.txtWord, QStringLiteral("song"));
  fake.dialogs.shown.clear();
  QTest::mouseClick(search.cmdNext, Qt::LeftButton);
  EXPECT_EQ(view.lstList->ListIndex(), 1);
  QTest::mouseClick(search.cmdNext, Qt::LeftButton);
  EXPECT_EQ(view.lstList->ListIndex(), -1);
  ASSERT_EQ(fake.dialogs.shown.size(), 1u);
  EXPECT_EQ(fake.dialogs.shown[0].text, QStringLiteral("No results found"));
  EXPECT_EQ(fake.dialogs.shown[0].title, QStringLiteral("No Results"));
}

// A folder of 20 songs renamed: Verify List finds them missing and points to Find Moved Songs,
// which finds all of them below the parent folder; the list saved then differs from the one
// saved before only where the folder's name stands. Relink Folder does the same in one step.
// A list saved as .m3u8 plays from a copy of the whole folder, and a list written on Windows
// (backslashes, Windows-1252) is read there too.
TEST_F(PlayListsEndToEnd, ARenamedFolderIsFoundAgainAndAPortableListPlaysFromACopy) {
  const QString lib = fake.folder() + QStringLiteral("/Lib");
  const QString a = lib + QStringLiteral("/A");
  const QString b = lib + QStringLiteral("/B");
  QDir().mkpath(a + QStringLiteral("/cd0"));
  QDir().mkpath(a + QStringLiteral("/cd1"));
  for (int i = 0; i < 20; ++i) {
    ASSERT_FALSE(test::MakeWav(a + QStringLiteral("/cd%1").arg(i % 2),
                               QStringLiteral("Song %1.wav").arg(i), 1.0, 8000)
                     .isEmpty());
  }
  ASSERT_TRUE(QFile::copy(QStringLiteral(QVT_PROGRAM_DIR "/AcceptedFileTypes.qvc"),
                          fake.folder() + QStringLiteral("/AcceptedFileTypes.qvc")));
  frmMusic& player = test::Slot<frmMusic>().Get();
  player.show();
  QTest::mouseClick(player.cmdDir, Qt::LeftButton);
  frmChoose& editor = test::Slot<frmChoose>().Get();
  for (const QString& cd : {QStringLiteral("/cd0"), QStringLiteral("/cd1")}) {
    ASSERT_TRUE(editor.dirDisplay->SetPath(a + cd));
    editor.filDisplay->SetListIndex(0);
    QTest::mouseClick(editor.cmdAddAll, Qt::LeftButton);
  }
  ASSERT_EQ(test::PlayList().dblLastIndex(), 19);
  // Saves under the answer in the folder; the file written.
  const auto save = [&](const QString& folder, const QString& answer) {
    EXPECT_TRUE(editor.dirDisplay->SetPath(folder));
    fake.dialogs.shown.clear();
    fake.dialogs.inputAnswers.push_back(answer);
    QTest::mouseClick(editor.cmdSave, Qt::LeftButton);
    EXPECT_EQ(fake.dialogs.texts(), QStringList{QStringLiteral("Saved")});
    const bool bM3u8 = answer.endsWith(QStringLiteral(".m3u8"));
    return test::ReadAll(folder + QStringLiteral("/") + answer +
                         (bM3u8 ? QString() : QStringLiteral(".qvl")));
  };
  const QByteArray before = save(a, QStringLiteral("before"));

  ASSERT_TRUE(QDir().rename(a, b));
  ASSERT_TRUE(editor.dirDisplay->SetPath(lib));
  fake.dialogs.shown.clear();
  fake.dialogs.answers = {MsgResult::No};
  QTest::mouseClick(editor.cmdVerify, Qt::LeftButton);
  ASSERT_TRUE(test::PumpUntil([&] { return !editor.JobRunning(); }));
  ASSERT_EQ(fake.dialogs.shown.size(), 2u);
  EXPECT_TRUE(fake.dialogs.shown[0].text.startsWith(QStringLiteral("20 songs in the play list")));
  EXPECT_TRUE(fake.dialogs.shown[0].text.contains(
      QStringLiteral("20 of them were not found.  If they were moved, answer No and press Find "
                     "Moved Songs")));
  EXPECT_EQ(test::PlayList().dblLastIndex(), 19);

  fake.dialogs.shown.clear();
  fake.dialogs.folderAnswers = {lib};
  QTest::mouseClick(editor.cmdFindMoved, Qt::LeftButton);
  ASSERT_TRUE(test::PumpUntil([&] { return !editor.JobRunning(); }));
  EXPECT_EQ(fake.dialogs.texts(),
            QStringList{QStringLiteral("20 of 20 missing songs were found; 0 are still missing.")});
  QByteArray expected = before;
  expected.replace(a.toUtf8() + "/", b.toUtf8() + "/");
  EXPECT_EQ(save(b, QStringLiteral("after")), expected);
  const QStringList found = Paths();

  QTest::mouseClick(editor.cmdClear, Qt::LeftButton);
  editor.txtExtension->setText(QStringLiteral("qvl"));
  editor.filDisplay->SetListIndex(RowOf(*editor.filDisplay, QStringLiteral("before.qvl")));
  QTest::mouseClick(editor.cmdLoad, Qt::LeftButton);
  fake.dialogs.shown.clear();
  fake.dialogs.inputAnswers = {a};
  fake.dialogs.folderAnswers = {b};
  QTest::mouseClick(editor.cmdRelink, Qt::LeftButton);
  ASSERT_TRUE(test::PumpUntil([&] { return !editor.JobRunning(); }));
  EXPECT_EQ(fake.dialogs.texts(), QStringList{QStringLiteral("20 songs were relinked to ") + b});
  EXPECT_EQ(Paths(), found);

  // A list beside its songs, moved with them as a copy of the whole folder.
  save(b, QStringLiteral("portable.m3u8"));
  const QString copy = fake.folder() + QStringLiteral("/Elsewhere/B");
  for (const QString& file : Paths() + QStringList{b + QStringLiteral("/portable.m3u8")}) {
    const QString to = copy + file.mid(b.size());
    QDir().mkpath(QFileInfo(to).path());
    ASSERT_TRUE(QFile::copy(file, to));
  }
  QDir().mkpath(copy + QStringLiteral("/win"));
  ASSERT_FALSE(test::MakeWav(copy + QStringLiteral("/win"), QStringLiteral("Über.wav"), 1.0, 8000)
                   .isEmpty());
  ASSERT_TRUE(test::WriteAll(copy + QStringLiteral("/win.m3u"),
                             "#EXTM3U\r\n#EXTINF:1,\xDC"
                             "ber\r\nwin\\\xDC"
                             "ber.wav\r\n"));
  QTest::mouseClick(editor.cmdClear, Qt::LeftButton);
  ASSERT_TRUE(editor.dirDisplay->SetPath(copy));
  editor.txtExtension->setText(QStringLiteral("m3u*"));
  fake.dialogs.shown.clear();
  for (const QString& list : {QStringLiteral("portable.m3u8"), QStringLiteral("win.m3u")}) {
    editor.filDisplay->SetListIndex(RowOf(*editor.filDisplay, list));
    QTest::mouseClick(editor.cmdLoad, Qt::LeftButton);
  }
  EXPECT_EQ(fake.dialogs.texts(), (QStringList{QStringLiteral("20 Songs loaded successfully"),
                                               QStringLiteral("1 Songs loaded successfully")}));
  QStringList copied = found;
  copied.replaceInStrings(b, copy);
  EXPECT_EQ(Paths(), copied + QStringList{copy + QStringLiteral("/win/Über.wav")});
  EXPECT_EQ(Names().last(), QStringLiteral("Über"));

  QTest::mouseClick(editor.cmdDone, Qt::LeftButton);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  player.SetPosition(20);
  QTest::mouseClick(player.cmdPlay, Qt::LeftButton);
  EXPECT_EQ(player.Player().fileName(), copy + QStringLiteral("/win/Über.wav"));
  EXPECT_TRUE(test::PumpUntil([&] { return player.Player().playState() == kPlayPlaying; }));
}

}  // namespace
