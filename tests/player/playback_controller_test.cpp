// The player's playback logic against a fake media player and a fake window: starting songs,
// transport buttons, the end-of-song chain, and songs that cannot be played.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QFile>

#include "platform/fakes/FakeMediaPlayer.h"
#include "platform/fakes/FakePlatform.h"
#include "player/startup/GlobalMethods.h"
#include "player/startup/MusicVariables.h"
#include "player/window/PlaybackController.h"
#include "tests/support/EventPump.h"
#include "tests/support/PlayListOfTheTest.h"

using namespace qvt;

namespace {

class FakeView : public IPlayerView {
 public:
  bool pauseShown = false;
  QString caption = "Ready";
  bool loop = false;
  bool random = false;
  bool whenStopEnabled = true;
  bool textSliderEnabled = false;
  int listResets = 0;
  void ShowPlayButtonAsPause(bool bPause) override { pauseShown = bPause; }
  void SetCurrentSongCaption(const QString& s) override { caption = s; }
  bool IsLoopChecked() const override { return loop; }
  bool IsRandomChecked() const override { return random; }
  void UncheckLoop() override { loop = false; }
  void UncheckRandom() override { random = false; }
  void SetWhenStopTimerEnabled(bool b) override { whenStopEnabled = b; }
  void SetTextSliderEnabled(bool b) override { textSliderEnabled = b; }
  void ResetListView() override { ++listResets; }
};

class PlaybackTest : public ::testing::Test {
 protected:
  void SetUp() override { test::PlayList().resetAll(); }
  void TearDown() override { test::PlayList().resetAll(); }

  // A list of n songs whose files exist in the fake program folder.
  void MakeList(int n, bool createFiles = true) {
    auto& mv = test::PlayList();
    std::vector<QString> paths, names;
    for (int i = 0; i < n; ++i) {
      names.push_back(QString("song%1.mp3").arg(i));
      paths.push_back(fake.path(names.back()));
      if (createFiles) {
        QFile f(paths.back());
        f.open(QIODevice::WriteOnly);
      }
    }
    mv.replaceAll(paths, names);
  }
  QString Path(int i) const { return test::PlayList().sSongPaths()[static_cast<std::size_t>(i)]; }
  // Presses Play on a list of `songs` where every song fails, and runs what it posted.
  void PlayEveryFailing(int songs, int16_t skipMode, bool createFiles = true) {
    MakeList(songs, createFiles);
    GlobalMethods::SetSkipMode(platform(), test::PlayList(), skipMode);
    player.failAllPlays = true;
    c.cmdPlay_Click();
    RunEvents();
  }
  // Runs what the player and the controller post (the players' errors, one for each failed
  // start attempt, and the automatic starts) until nothing is left.
  void RunEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents, 5000); }

  FakePlatform fake;
  FakeMediaPlayer player;
  FakeView view;
  PlaybackController c{test::PlayList(), qvt::platform(), view, player};
};

TEST_F(PlaybackTest, PlayStartsTheCurrentSongAndPauseResumesWhereItWas) {
  MakeList(3);
  c.cmdPlay_Click();
  EXPECT_TRUE(test::PlayList().bPlaying);
  EXPECT_TRUE(view.pauseShown);
  EXPECT_EQ(player.file, Path(0));
  EXPECT_EQ(view.caption, "song0.mp3");
  player.position = 42.5;
  c.cmdPlay_Click();  // pause
  EXPECT_FALSE(test::PlayList().bPlaying);
  EXPECT_FALSE(view.pauseShown);
  EXPECT_EQ(test::PlayList().dResumePosition, 42.5);
  c.cmdPlay_Click();  // resume
  EXPECT_EQ(player.position, 42.5);
  EXPECT_FALSE(test::PlayList().bResumeFromPosition);
}

// After a restart, Play on the song the last run left goes on where it was, as after a pause;
// another song starts from its beginning. What a close keeps follows the song as it plays.
TEST_F(PlaybackTest, ARestoredResumePointResumesOnlyItsOwnSong) {
  MakeList(3);
  const auto point = [&](const std::optional<ResumePoint>& p) {
    return p ? p->sPath + " " + QString::number(p->dSeconds) : QString("none");
  };
  c.SetPosition(1);
  c.RestoreResumePoint({Path(0), 42});
  EXPECT_EQ(point(c.CurrentResumePoint()), "none") << "a point of another song";
  c.RestoreResumePoint({Path(1), 42});
  EXPECT_EQ(point(c.CurrentResumePoint()), Path(1) + " 42");
  c.cmdPlay_Click();
  EXPECT_EQ(player.file, Path(1));
  EXPECT_EQ(player.seeks, std::vector<double>{42});
  player.position = 50;
  EXPECT_EQ(point(c.CurrentResumePoint()), Path(1) + " 50");
  c.cmdPlay_Click();  // pause
  EXPECT_EQ(point(c.CurrentResumePoint()), Path(1) + " 50");
  c.cmdStop_Click();
  EXPECT_EQ(point(c.CurrentResumePoint()), "none");

  FakeMediaPlayer restarted;
  PlaybackController again{test::PlayList(), qvt::platform(), view, restarted};
  again.SetPosition(1);
  again.RestoreResumePoint({Path(1), 42});
  again.cmdNext_Click();
  again.cmdPlay_Click();
  EXPECT_EQ(restarted.file, Path(2));
  EXPECT_TRUE(restarted.seeks.empty());
}

TEST_F(PlaybackTest, StopRewindsSoPlayStartsFromTheBeginning) {
  MakeList(2);
  c.cmdPlay_Click();
  player.position = 30;
  c.cmdStop_Click();
  EXPECT_EQ(player.position, 0);
  EXPECT_FALSE(test::PlayList().bResumeFromPosition);
  c.cmdPlay_Click();
  EXPECT_EQ(player.position, 0);
  EXPECT_EQ(player.seeks.back(), 0);
}

TEST_F(PlaybackTest, NextAndPreviousWrapAround) {
  MakeList(3);
  c.SetPosition(2);
  c.cmdNext_Click();
  EXPECT_EQ(c.Position(), 0);
  EXPECT_EQ(view.caption, "song0.mp3");
  c.cmdPrevious_Click();
  EXPECT_EQ(c.Position(), 2);
  EXPECT_EQ(view.caption, "song2.mp3");
  EXPECT_EQ(player.plays, 0) << "idle: the buttons only move the position";
}

TEST_F(PlaybackTest, EndOfSongChoosesInOrderLoopOrRandom) {
  MakeList(4);
  c.cmdPlay_Click();
  player.playToEnd();
  c.timWhenStop_Timer();
  EXPECT_EQ(player.file, Path(1));

  view.loop = true;
  player.playToEnd();
  c.timWhenStop_Timer();
  EXPECT_EQ(player.file, Path(1)) << "loop replays the same song";
  EXPECT_EQ(player.position, 0);

  view.loop = false;
  view.random = true;
  player.playToEnd();
  c.timWhenStop_Timer();
  EXPECT_NE(c.Position(), 1) << "random never repeats the song just played";
  EXPECT_EQ(player.file, Path(static_cast<int>(c.Position())));
}

TEST_F(PlaybackTest, OneSongListInRandomOrderReplaysIt) {
  MakeList(1);
  view.random = true;
  c.cmdPlay_Click();
  player.playToEnd();
  c.timWhenStop_Timer();
  EXPECT_EQ(c.Position(), 0);
  EXPECT_EQ(player.plays, 2);
  c.cmdRd_Click();
  EXPECT_EQ(c.Position(), 0);
}

TEST_F(PlaybackTest, EndTestNeedsExactEqualityAndPlayState) {
  MakeList(2);
  c.cmdPlay_Click();
  player.position = player.length - 0.001;
  c.timWhenStop_Timer();
  EXPECT_EQ(c.Position(), 0);
  c.cmdStop_Click();
  player.position = player.length;
  c.timWhenStop_Timer();
  EXPECT_EQ(c.Position(), 0) << "idle: no automatic continuation";
}

// The song that follows is handed to the player as a song starts, and again whenever the
// user changes what follows; in random order it is drawn then, and the end of the song keeps
// to that draw. Nothing is handed over while idle.
TEST_F(PlaybackTest, TheNextSongIsHandedOverAheadAndFollowsTheUsersChoices) {
  MakeList(4);
  c.cmdNext_Click();
  EXPECT_EQ(player.nextFile, "") << "idle";
  c.cmdPlay_Click();
  EXPECT_EQ(player.nextFile, Path(2));
  view.loop = true;
  c.chkLoop_Click();
  EXPECT_EQ(player.nextFile, Path(1));
  view.loop = false;
  view.random = true;
  c.chkRandom_Click();
  const QString drawn = player.nextFile;
  EXPECT_NE(drawn, Path(1));
  player.playToEnd();
  c.timWhenStop_Timer();
  EXPECT_EQ(player.file, drawn) << "the song drawn when the last one started";
  view.random = false;
  c.chkRandom_Click();
  const int at = static_cast<int>(c.Position());
  EXPECT_EQ(player.nextFile, Path((at + 1) % 4));
  GlobalMethods::RemoveSongAt(test::PlayList(), (at + 1) % 4);
  RunEvents();
  EXPECT_EQ(player.nextFile, Path((at + 1) % 3)) << "the list changed";
}

TEST_F(PlaybackTest, LoopAndRandomExcludeEachOther) {
  view.loop = true;
  view.random = true;
  c.chkRandom_Click();
  EXPECT_FALSE(view.loop);
  view.loop = true;
  c.chkLoop_Click();
  EXPECT_FALSE(view.random);
}

TEST_F(PlaybackTest, StartNewPlayKeepsALoadedSongAndResetsOnAnEmptyList) {
  MakeList(2);
  c.cmdPlay_Click();
  const int plays = player.plays;
  c.StartNewPlay();
  EXPECT_EQ(player.plays, plays) << "the same song goes on undisturbed";
  test::PlayList().setLastIndex(-1);
  c.StartNewPlay();
  EXPECT_EQ(view.caption, "Ready");
  EXPECT_FALSE(test::PlayList().bPlaying);
  EXPECT_EQ(player.state, kPlayStopped);
}

TEST_F(PlaybackTest, StartWhileLoadingStartsNothingAndReportsNothing) {
  MakeList(2);
  test::PlayList().bPlaying = true;
  player.readyStates = {kReadyLoading, kReadyLoading, kReadyLoading};
  c.StartPlay(1);
  EXPECT_EQ(player.plays, 0);
  EXPECT_TRUE(fake.dialogs.shown.empty());
  EXPECT_TRUE(view.whenStopEnabled);
}

TEST_F(PlaybackTest, NoPlayListMessageOnlyWhilePlaying) {
  test::PlayList().setLastIndex(-1);
  c.StartPlay(0);
  EXPECT_TRUE(fake.dialogs.shown.empty());
  test::PlayList().bPlaying = true;
  c.StartPlay(0);
  ASSERT_EQ(fake.dialogs.texts(), QStringList{"No play list has been made"});
}

TEST_F(PlaybackTest, TitleScrollsOnlyForNamesLongerThan44) {
  MakeList(2);
  test::PlayList().setSongName(0, QString(44, 'a'));
  test::PlayList().setSongName(1, QString(45, 'b'));
  test::PlayList().bPlaying = true;
  c.StartPlay(0);
  EXPECT_FALSE(view.textSliderEnabled);
  c.StartPlay(1);
  EXPECT_TRUE(view.textSliderEnabled);
}

TEST_F(PlaybackTest, DontSkipShowsThePlaybackErrorAndStaysIdle) {
  PlayEveryFailing(2, 1);
  EXPECT_EQ(player.failedPlays, PlaybackController::kStartAttempts);
  ASSERT_EQ(fake.dialogs.shown.size(), 1u);
  const MessageBoxSpec& box = fake.dialogs.shown[0];
  EXPECT_EQ(box.text, PlaybackController::kPlaybackErrorText);
  EXPECT_EQ(box.title, "Playback Error");
  EXPECT_EQ(box.icon, MsgIcon::Critical);
  EXPECT_TRUE(box.systemModal);
  EXPECT_FALSE(test::PlayList().bPlaying);
  EXPECT_FALSE(view.pauseShown);
  EXPECT_EQ(c.Position(), 0);
}

TEST_F(PlaybackTest, JustSkipGoesOnWithTheNextSong) {
  MakeList(3);
  GlobalMethods::SetSkipMode(platform(), test::PlayList(), 3);
  player.failingFiles << Path(0);
  c.cmdPlay_Click();
  RunEvents();
  EXPECT_TRUE(test::PlayList().bPlaying);
  EXPECT_EQ(player.file, Path(1));
  EXPECT_TRUE(fake.dialogs.shown.empty());
  EXPECT_EQ(test::PlayList().dblLastIndex(), 2) << "an existing file is never removed";
}

TEST_F(PlaybackTest, SkipAndRemoveDropsAMissingSong) {
  MakeList(3);
  GlobalMethods::SetSkipMode(platform(), test::PlayList(), 2);
  QFile::remove(Path(0));
  player.failingFiles << Path(0);
  const QString third = Path(2);
  c.cmdPlay_Click();
  RunEvents();
  EXPECT_EQ(test::PlayList().dblLastIndex(), 1);
  // The song that moved into the failed one's place is passed over.
  EXPECT_EQ(player.file, third);
  EXPECT_TRUE(test::PlayList().bPlaying);
}

TEST_F(PlaybackTest, RemovingTheOnlySongWarnsOnceAndStops) {
  PlayEveryFailing(1, 2, false);
  EXPECT_EQ(test::PlayList().dblLastIndex(), -1);
  EXPECT_EQ(fake.dialogs.texts(),
            QStringList{"Warning, there are no more playable songs in the current play list"});
  EXPECT_FALSE(test::PlayList().bPlaying);
}

TEST_F(PlaybackTest, AListWhereEverySongFailsEndsIdleWithOneMessage) {
  PlayEveryFailing(4, 3);
  EXPECT_FALSE(test::PlayList().bPlaying);
  EXPECT_EQ(fake.dialogs.texts(), QStringList{PlaybackController::kPlaybackErrorText});
  EXPECT_EQ(player.failedPlays, 4 * PlaybackController::kStartAttempts);
}

TEST_F(PlaybackTest, OneBadSongAloneEndsAfterOneRound) {
  view.loop = true;
  PlayEveryFailing(1, 3);
  EXPECT_EQ(fake.dialogs.shown.size(), 1u);
  EXPECT_FALSE(test::PlayList().bPlaying);
}

// A chain that keeps coming back to a bad song (loop, or one path listed twice) ends after as
// many failures as the list has songs, whatever the skip mode.
TEST_F(PlaybackTest, ARetryChainEndsAfterAsManyFailuresAsTheListHasSongs) {
  struct Case {
    const char* what;
    bool loop;
    int16_t skipMode;
    bool sameTwice;
  } cases[] = {{"loop, skip and remove", true, 2, false},
               {"loop, just skip", true, 3, false},
               {"one path twice", false, 3, true}};
  for (const Case& row : cases) {
    SCOPED_TRACE(row.what);
    test::PlayList().resetAll();
    fake.dialogs.shown.clear();
    player.failedPlays = 0;
    MakeList(2);
    if (row.sameTwice)
      test::PlayList().setSongPath(1, Path(0));
    player.failingFiles = {Path(0)};
    GlobalMethods::SetSkipMode(platform(), test::PlayList(), row.skipMode);
    view.loop = row.loop;
    c.SetPosition(0);
    c.cmdPlay_Click();
    RunEvents();
    EXPECT_EQ(player.failedPlays, 2 * PlaybackController::kStartAttempts);
    EXPECT_EQ(fake.dialogs.texts(), QStringList{PlaybackController::kPlaybackErrorText});
    EXPECT_FALSE(test::PlayList().bPlaying);
    EXPECT_EQ(test::PlayList().dblLastIndex(), 1) << "an existing file is never removed";
  }
}

TEST_F(PlaybackTest, StopDuringRetriesPreventsTheAutomaticNextSong) {
  MakeList(3);
  GlobalMethods::SetSkipMode(platform(), test::PlayList(), 3);
  // The event loop runs between attempts.
  GlobalMethods::SetSongLoadingPriority(platform(), test::PlayList(), 1);
  player.failingFiles << Path(0);
  fake.eventLoop.onPass = [this] {
    if (player.failedPlays == 10)
      c.cmdStop_Click();
  };
  c.cmdPlay_Click();
  RunEvents();
  fake.eventLoop.onPass = nullptr;
  EXPECT_FALSE(test::PlayList().bPlaying);
  EXPECT_EQ(player.plays, 0);
  EXPECT_NE(player.file, Path(1));
}

TEST_F(PlaybackTest, StopAfterAFailedSongPreventsTheAutomaticStart) {
  MakeList(3);
  GlobalMethods::SetSkipMode(platform(), test::PlayList(), 3);
  player.failingFiles << Path(0);
  fake.eventLoop.onPass = [this] {
    if (player.failedPlays == PlaybackController::kStartAttempts)
      c.cmdStop_Click();
  };
  c.cmdPlay_Click();
  RunEvents();
  fake.eventLoop.onPass = nullptr;
  EXPECT_FALSE(test::PlayList().bPlaying);
  EXPECT_EQ(c.Position(), 1) << "the next song is chosen but not started";
  EXPECT_EQ(player.plays, 0);
}

// A song that fails while it loads (its failure comes later, from the event loop) has the
// same effects, in the same order, as one whose Play fails at once.
TEST_F(PlaybackTest, AFailureReportedAfterTheLoadActsAsAFailingPlay) {
  struct Row {
    const char* what;
    int16_t skipMode;
    int songs;
    std::vector<int> failing;
    bool missing;  // the failing songs' files do not exist
  };
  const Row rows[] = {{"plays", 3, 2, {}, false},
                      {"don't skip", 1, 2, {0, 1}, false},
                      {"skip to the next", 3, 3, {0}, false},
                      {"skip and remove", 2, 3, {0}, true},
                      {"every song fails", 3, 3, {0, 1, 2}, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    QStringList traces[2];
    for (int delay : {-1, 0}) {
      test::PlayList().resetAll();
      fake.dialogs.shown.clear();
      GlobalMethods::SetSkipMode(platform(), test::PlayList(), row.skipMode);
      MakeList(row.songs);
      FakeMediaPlayer media;
      media.loadDelayMs = delay;
      FakeView v;
      PlaybackController pc{test::PlayList(), qvt::platform(), v, media};
      for (int i : row.failing) {
        media.failingFiles << Path(i);
        if (row.missing)
          QFile::remove(Path(i));
      }
      pc.cmdPlay_Click();
      test::PumpUntil([&] { return v.whenStopEnabled && media.readyState() == kReadyComplete; });
      RunEvents();
      traces[delay < 0 ? 0 : 1] << media.calls << fake.dialogs.texts() << v.caption
                                << QString::number(test::PlayList().dblLastIndex())
                                << QString::number(pc.Position())
                                << QString::number(test::PlayList().bPlaying)
                                << QString::number(v.pauseShown)
                                << QString::number(v.whenStopEnabled)
                                << QString::number(v.textSliderEnabled);
    }
    EXPECT_EQ(traces[1], traces[0]);
  }
}

// Only a start that waits for the player is decided by what it tells: a load that ends after
// the song started at once, or a song failing midway, changes nothing.
TEST_F(PlaybackTest, WhatThePlayerTellsWhileNoStartWaitsDecidesNothing) {
  MakeList(3);
  c.cmdPlay_Click();
  RunEvents();
  Q_EMIT player.loaded();
  player.state = kPlayStopped;
  Q_EMIT player.errorOccurred(kMediaFormatError, "The stream broke off.");
  RunEvents();
  EXPECT_EQ(player.fileNamesWritten, QStringList{Path(0)});
  EXPECT_TRUE(fake.dialogs.shown.empty());
  EXPECT_TRUE(test::PlayList().bPlaying);
  EXPECT_TRUE(view.whenStopEnabled);
}

TEST_F(PlaybackTest, ListViewIsResetOnEveryStartWhileOpen) {
  MakeList(2);
  test::PlayList().bListWindowOpen = true;
  c.cmdPlay_Click();
  c.cmdNext_Click();
  EXPECT_EQ(view.listResets, 2);
}

}  // namespace
