// The scriptable media player that tests of the player logic use.
#include <gtest/gtest.h>

#include "platform/fakes/FakeMediaPlayer.h"
#include "platform/fakes/InstalledPlatform.h"
#include "tests/support/EventPump.h"

namespace qvt {
namespace {

TEST(FakeMediaFactoryTest, InstallsItselfTracksLivePlayersAndRestores) {
  IMediaFactory* const before = platform().media;
  {
    FakeMediaFactory media;
    int scripted = 0;
    media.onCreate = [&](FakeMediaPlayer& player) {
      player.idleReadyState = kReadyLoading;
      ++scripted;
    };
    std::unique_ptr<IMediaPlayer> first = CreateMediaPlayer();
    std::unique_ptr<IMediaPlayer> second = CreateMediaPlayer();
    EXPECT_EQ(media.created, 2);
    EXPECT_EQ(scripted, 2);
    ASSERT_EQ(media.players.size(), 2u);
    EXPECT_EQ(media.last(), second.get());
    EXPECT_EQ(second->readyState(), kReadyLoading);
    second.reset();
    EXPECT_EQ(media.last(), first.get());
    first.reset();
    EXPECT_EQ(media.last(), nullptr);
    // A player that outlives its factory is still safe to destroy.
    second = media.create();
  }
  EXPECT_EQ(platform().media, before);
}

TEST(FakeMediaPlayerTest, ReadyStatesComeFromTheScriptThenTheIdleValue) {
  FakeMediaPlayer player;
  player.readyStates = {kReadyLoading, kReadyUninitialized};
  EXPECT_EQ(player.readyState(), kReadyLoading);
  EXPECT_EQ(player.readyState(), kReadyUninitialized);
  EXPECT_EQ(player.readyState(), kReadyComplete);
  EXPECT_EQ(player.readyState(), kReadyComplete);
}

// A failing play answers false and reads stopped; the media is told invalid once, from the
// event loop, however many plays fail before a play starts or a file name is written again.
TEST(FakeMediaPlayerTest, PlayFailsAsScripted) {
  struct Row {
    const char* what;
    int failNext;
    bool failAll;
    bool fileFails;
    std::vector<bool> expectedFailures;  // for three plays in a row
  };
  for (const Row& row : {Row{"plays", 0, false, false, {false, false, false}},
                         Row{"next two", 2, false, false, {true, true, false}},
                         Row{"always", 0, true, false, {true, true, true}},
                         Row{"this file", 0, false, true, {true, true, true}}}) {
    SCOPED_TRACE(row.what);
    FakeMediaPlayer player;
    player.failNextPlays = row.failNext;
    player.failAllPlays = row.failAll;
    player.errorKind = kMediaOutputError;
    if (row.fileFails)
      player.failingFiles << "/songs/bad.mp3";
    QStringList told;
    QObject::connect(&player, &IMediaPlayer::errorOccurred,
                     [&](MediaErrorKind kind, const QString& text) {
                       told << QString::number(kind) + " " + text;
                     });
    player.setFileName("/songs/bad.mp3");
    int failures = 0;
    for (bool fails : row.expectedFailures) {
      EXPECT_EQ(player.play(), !fails);
      failures += fails ? 1 : 0;
      EXPECT_EQ(player.playState(), fails ? kPlayStopped : kPlayPlaying);
    }
    EXPECT_TRUE(told.isEmpty()) << "never inside a call";
    test::PumpUntil([] { return false; }, 20);
    EXPECT_EQ(told, failures > 0
                        ? QStringList{QString::number(kMediaOutputError) + " " + player.errorText}
                        : QStringList{});
    EXPECT_EQ(player.mediaStatus(), row.expectedFailures.back() ? kMediaInvalid : kMediaLoaded);
    EXPECT_EQ(player.failedPlays, failures);
    EXPECT_EQ(player.plays, 3 - failures);
    EXPECT_EQ(player.duration(), row.fileFails ? 0.0 : player.defaultDuration);
  }
}

TEST(FakeMediaPlayerTest, RecordsCallsAndPlaysToTheEnd) {
  FakeMediaPlayer player;
  player.durations["/a.ogg"] = 42.5;
  QStringList seen;
  player.onCall = [&](const QString& call) { seen << call; };
  player.setFileName("/a.ogg");
  player.play();
  player.setCurrentPosition(12.25);
  player.pause();
  player.setVolume(-1806);
  player.stop();
  const QStringList expected = {"fileName=/a.ogg", "play",         "position=12.25",
                                "pause",           "volume=-1806", "stop"};
  EXPECT_EQ(player.calls, expected);
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(player.fileName(), "/a.ogg");
  EXPECT_EQ(player.seeks, std::vector<double>{12.25});
  EXPECT_EQ(player.volume(), -1806);

  player.play();
  player.playToEnd();
  EXPECT_EQ(player.currentPosition(), 42.5);
  EXPECT_EQ(player.currentPosition(), player.selectionEnd());
  EXPECT_EQ(player.playState(), kPlayStopped);
  player.rangeEnd = 40.0;
  player.playToEnd();
  EXPECT_EQ(player.currentPosition(), 40.0);
}

}  // namespace
}  // namespace qvt
