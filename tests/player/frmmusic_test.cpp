// The player window as a user meets it: its controls, load and close, the saved song, the
// volume slider and the upgrade of an older configuration.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include "platform/fakes/FakeMediaPlayer.h"
#include "platform/fakes/FakePlatform.h"
#include "player/startup/MusicVariables.h"
#include "player/window/frmMusic.h"
#include "player/window/frmMusicMpris.h"
#include "shared/Processor.h"
#include "tests/support/EventPump.h"
#include "tests/support/MprisAssertions.h"
#include "tests/support/PlayListOfTheTest.h"
#include "tests/support/PlayerWindowsFixture.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WindowTest.h"

using namespace qvt;

namespace {

using test::ReadAll;

void WriteAll(const QString& path, const QByteArray& bytes) {
  ASSERT_TRUE(test::WriteAll(path, bytes));
}

class FrmMusicTest : public test::WindowTest {
 protected:
  // Closes the window as the user would; the program ends.
  void CloseWindow() {
    EXPECT_THROW(test::Slot<frmMusic>().Unload(), ProgramEnded);
    EXPECT_EQ(fake.app.endedWith, 0);
  }
  QByteArray Status() const { return ReadAll(fake.path("Status.tmp")); }
  static QStringList ActiveTimers(const QObject& window) {
    QStringList names;
    for (const QTimer* timer : window.findChildren<QTimer*>()) {
      if (timer->isActive())
        names << timer->objectName();
    }
    return names;
  }
};

TEST_F(FrmMusicTest, ControlsCarryTheirCaptionsTipsAndPlaces) {
  frmMusic& w = test::Slot<frmMusic>().Get();
  EXPECT_EQ(w.windowTitle(), "Quavertone");
  EXPECT_EQ(w.size(), QSize(476, 87));
  struct Row {
    QWidget* control;
    const char* name;
    QString caption;
    QString tip;
    QRect pixels;
  } rows[] = {
      {w.cmdPlay, "cmdPlay", "&Play", "Play", {0, 48, 49, 33}},
      {w.cmdStop, "cmdStop", "&Stop", "Stop and Rewind", {56, 48, 49, 33}},
      {w.cmdPrevious, "cmdPrevious", "&<", "Back a song", {120, 48, 25, 33}},
      {w.cmdRd, "cmdRd", "&Rd", "Random song", {144, 48, 25, 33}},
      {w.cmdNext, "cmdNext", "&>", "Forward a song", {168, 48, 25, 33}},
      {w.cmdView,
       "cmdView",
       "&View Play List",
       "View the currently loaded playlist",
       {208, 48, 81, 33}},
      {w.cmdDir, "cmdDir", "&Create Play List", "Configure your playlist", {296, 48, 89, 33}},
      {w.cmdOptions, "cmdOptions", "Op&tions", "", {392, 48, 49, 33}},
      {w.chkRandom,
       "chkRandom",
       "Random song &order",
       "Enable/Disable random song playback",
       {328, 8, 113, 17}},
      {w.chkLoop, "chkLoop", "&Loop current song", "", {328, 24, 113, 17}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(r.control->objectName(), r.name);
    EXPECT_EQ(r.control->property("text").toString(), r.caption);
    EXPECT_EQ(r.control->toolTip(), r.tip);
    EXPECT_EQ(r.control->geometry(), r.pixels);
  }
  EXPECT_EQ(w.lblCurrentSong->text(), "Ready");
  EXPECT_EQ(w.Label1->text(), "Currently Playing:");
  EXPECT_EQ(w.sldVol->maximum(), 3680);
  EXPECT_EQ(w.sldVol->singleStep(), 50);
  EXPECT_EQ(w.sldVol->pageStep(), 500);
  EXPECT_EQ(w.sldVol->toolTip(), "Volume Control");
  EXPECT_EQ(ActiveTimers(w), QStringList{}) << "the end of a song is an event, not a poll";
  // Tab order as designed.
  QWidget* expected[] = {w.cmdPlay, w.cmdStop, w.cmdPrevious, w.cmdRd,     w.cmdNext,
                         w.cmdView, w.cmdDir,  w.cmdOptions,  w.chkRandom, w.chkLoop};
  for (std::size_t i = 0; i + 1 < std::size(expected); ++i) {
    EXPECT_EQ(expected[i]->nextInFocusChain(), expected[i + 1]) << i;
  }
  w.show();
  QDir().mkpath(QVT_BINARY_DIR "/screenshots");
  w.grab().save(QVT_BINARY_DIR "/screenshots/frmMusic.png");
}

TEST_F(FrmMusicTest, FirstRunWelcomesMarksRunningAndCloseSavesAndEnds) {
  test::Slot<frmMusic>().Get().show();
  ASSERT_EQ(fake.dialogs.shown.size(), 1u);
  EXPECT_TRUE(fake.dialogs.shown[0].text.startsWith("Welcome and thank you for using Quavertone."));
  EXPECT_EQ(Status(), "#TRUE#\r\n");
  CloseWindow();
  EXPECT_EQ(Status(), "#FALSE#\r\n");
  EXPECT_TRUE(ReadAll(fake.path("ConfigurationAndLastPlayList.qvs")).startsWith("1,33,1\r\n"));
  EXPECT_TRUE(QFile::exists(fake.path("QPConfig.qvc")));
}

TEST_F(FrmMusicTest, TheSavedSongIsSelectedAgainWithoutPlaying) {
  QByteArray file =
      "1,33,1\r\n3\r\n#FALSE#,#TRUE#,#TRUE#\r\n3\r\n#FALSE#\r\n#FALSE#\r\n#FALSE#\r\n4\r\n";
  for (int i = 0; i < 5; ++i)
    file += QString("\"/m/%1.mp3\",\"Song %1\"\r\n").arg(i).toUtf8();
  WriteAll(fake.path("ConfigurationAndLastPlayList.qvs"), file);
  frmMusic& w = test::Slot<frmMusic>().Get();
  EXPECT_TRUE(fake.dialogs.shown.empty());
  EXPECT_EQ(w.Position(), 3);
  EXPECT_EQ(w.lblCurrentSong->text(), "Song 3");
  EXPECT_TRUE(w.chkLoop->isChecked());
  EXPECT_FALSE(test::PlayList().bPlaying);
  EXPECT_EQ(media.last()->plays, 0);
  // Play starts the selected song.
  QTest::mouseClick(w.cmdPlay, Qt::LeftButton);
  EXPECT_EQ(media.last()->file, "/m/3.mp3");
  EXPECT_EQ(w.cmdPlay->text(), "&Pause");
}

// The desktop's media controls read the random order and loop boxes and press them as a click
// does, and move within the song that plays or is paused.
TEST_F(FrmMusicTest, MediaControlsFollowAndPressTheBoxesAndSeekTheSong) {
  WriteAll(fake.path("ConfigurationAndLastPlayList.qvs"),
           "1,33,1\r\n0\r\n#FALSE#,#TRUE#,#TRUE#\r\n3\r\n#FALSE#\r\n#FALSE#\r\n#FALSE#\r\n0\r\n"
           "\"/m/a.mp3\",\"a\"\r\n");
  frmMusic& w = test::Slot<frmMusic>().Get();
  frmMusicMpris controls(w);
  const auto reads = [&] {
    const MprisState s = controls.State();
    return std::make_pair(s.bShuffle, s.sLoopStatus);
  };
  EXPECT_EQ(reads(), std::make_pair(false, QString("Track")));
  QTest::mouseClick(w.chkRandom, Qt::LeftButton);
  EXPECT_EQ(reads(), std::make_pair(true, QString("Playlist")));
  const std::vector<std::tuple<bool, QString, bool, bool>> rows = {
      // shuffle to set (or the loop status), then random and loop checked
      {false, "Track", false, true}, {false, "Sometimes", false, true},
      {true, "", true, false},       {false, "None", true, false},
      {false, "Track", false, true}, {false, "Playlist", false, false},
  };
  for (const auto& [bShuffle, sLoop, bRandom, bLoop] : rows) {
    if (sLoop.isEmpty())
      controls.SetShuffle(bShuffle);
    else
      controls.SetLoopStatus(sLoop);
    EXPECT_EQ(w.chkRandom->isChecked(), bRandom) << sLoop.toStdString();
    EXPECT_EQ(w.chkLoop->isChecked(), bLoop) << sLoop.toStdString();
  }
  EXPECT_FALSE(controls.State().bCanSeek) << "nothing plays";
  QTest::mouseClick(w.cmdPlay, Qt::LeftButton);
  media.last()->length = 60;
  EXPECT_TRUE(controls.State().bCanSeek);
  controls.SeekTo(5000000);
  EXPECT_EQ(media.last()->position, 5);
  QTest::mouseClick(w.cmdPlay, Qt::LeftButton);  // pauses
  controls.SeekTo(7000000);
  QTest::mouseClick(w.cmdPlay, Qt::LeftButton);  // resumes where the desktop moved it
  EXPECT_EQ(media.last()->position, 7);
  test::ExpectVolumeInputKeptInRange(controls);
}

// The media player's ended event starts the next song; once the user has stopped or paused, a
// late one does nothing. No timer polls for the end: the only one that runs is the scroller of
// a title too long to fit, which keeps scrolling while the song is paused or stopped.
TEST_F(FrmMusicTest, TheEndedEventChainsSongsAndAnIdleWindowRunsNoTimer) {
  QByteArray file =
      "1,33,1\r\n0\r\n#FALSE#,#TRUE#,#FALSE#\r\n3\r\n#FALSE#\r\n#FALSE#\r\n#FALSE#\r\n2\r\n";
  const QString longName(45, QLatin1Char('x'));
  for (const QString& name : {QString("a"), longName, QString("c")})
    file += QString("\"/m/%1.mp3\",\"%1\"\r\n").arg(name).toUtf8();
  WriteAll(fake.path("ConfigurationAndLastPlayList.qvs"), file);
  frmMusic& w = test::Slot<frmMusic>().Get();
  FakeMediaPlayer& player = *media.last();
  EXPECT_EQ(ActiveTimers(w), QStringList{});
  QTest::mouseClick(w.cmdPlay, Qt::LeftButton);
  EXPECT_EQ(ActiveTimers(w), QStringList{}) << "a title that fits does not scroll";
  player.playToEnd();
  ASSERT_TRUE(test::PumpUntil([&] { return player.file == "/m/" + longName + ".mp3"; }));
  EXPECT_EQ(w.Position(), 1);
  EXPECT_EQ(ActiveTimers(w), QStringList{"timTextSlider"});

  QTest::mouseClick(w.cmdPlay, Qt::LeftButton);  // pauses
  EXPECT_EQ(ActiveTimers(w), QStringList{"timTextSlider"});
  player.playToEnd();
  QTest::mouseClick(w.cmdPlay, Qt::LeftButton);  // resumes
  QTest::mouseClick(w.cmdStop, Qt::LeftButton);
  player.playToEnd();
  test::PumpUntil([] { return false; }, 50);
  EXPECT_EQ(w.Position(), 1) << "ended after a pause or a stop";
  EXPECT_EQ(player.fileNamesWritten.size(), 3u) << "only the resume wrote it again";
  EXPECT_EQ(ActiveTimers(w), QStringList{"timTextSlider"});

  // Closing while a song plays: the box about a song the settings cannot keep runs the event
  // loop, and a song that ends meanwhile starts nothing.
  test::PlayList().append("/m/say \"hi\".mp3", "say \"hi\"");
  QTest::mouseClick(w.cmdPlay, Qt::LeftButton);
  const std::size_t written = player.fileNamesWritten.size();
  fake.dialogs.onShow = [&](const MessageBoxSpec&) {
    player.playToEnd();
    test::PumpUntil([] { return false; }, 50);
  };
  CloseWindow();
  EXPECT_EQ(fake.dialogs.shown.size(), 1u);
  EXPECT_EQ(player.fileNamesWritten.size(), written) << "no song started after the close";
}

TEST_F(FrmMusicTest, TheVolumeSliderSetsMinusItsValue) {
  frmMusic& w = test::Slot<frmMusic>().Get();
  EXPECT_TRUE(media.last()->volumesWritten.empty()) << "left alone until the slider moves";
  w.sldVol->setValue(1806);
  EXPECT_EQ(media.last()->level, -1806);
  EXPECT_EQ(w.Volume(), 1806);
}

TEST_F(FrmMusicTest, AnOlderConfigurationIsUpgradedOnce) {
  WriteAll(fake.path("ConfigurationAndLastPlayList.qvs"),
           "1,33,0\r\n1\r\n#TRUE#,#TRUE#,#FALSE#\r\n3\r\n#TRUE#\r\n#FALSE#\r\n#FALSE#\r\n1\r\n"
           "\"/m/a.mp3\",\"a\"\r\n\"/m/b.mp3\",\"b\"\r\n");
  frmMusic* first = nullptr;
  QPointer<frmMusic> old;
  fake.dialogs.onShow = [&](const MessageBoxSpec& spec) {
    if (spec.text == "Preparing to upgrade") {
      first = &test::Slot<frmMusic>().Get();
      old = first;
    }
    // A real box runs the event loop, which destroys the unloaded window meanwhile.
    if (spec.text == "Upgrade complete")
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  };
  frmMusic& w = test::Slot<frmMusic>().Get();
  EXPECT_EQ(fake.dialogs.texts(), (QStringList{"Preparing to upgrade", "Upgrade complete"}));
  EXPECT_NE(&w, first) << "a new window took the old one's place";
  EXPECT_TRUE(old.isNull()) << "the old window is gone";
  EXPECT_FALSE(w.IsLoading());
  EXPECT_TRUE(w.isVisible());
  EXPECT_EQ(test::PlayList().dblLastIndex(), 1) << "the play list and its position are kept";
  EXPECT_EQ(w.Position(), 1);
  EXPECT_EQ(ReadAll(fake.path("ConfigurationAndLastPlayList.qvs")),
            "1,33,1\r\n1\r\n#FALSE#,#TRUE#,#FALSE#\r\n0\r\n#FALSE#\r\n#FALSE#\r\n#FALSE#\r\n1\r\n"
            "\"/m/a.mp3\",\"a\"\r\n\"/m/b.mp3\",\"b\"\r\n");
  EXPECT_EQ(Status(), "#TRUE#\r\n") << "the upgrade's close does not mark the player closed";
  EXPECT_FALSE(fake.app.endedWith.has_value());
}

}  // namespace
