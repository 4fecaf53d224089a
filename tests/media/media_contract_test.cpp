// What every media player promises the windows, checked against the libmpv player and the fake
// alike: no call waits for the file; how a play that waited for its load ended arrives once,
// later, from the event loop; and so do the signals of a load, a seek and the end of a song,
// only for the file last written, never inside a call.
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include "platform/fakes/FakeMediaPlayer.h"
#include "platform/media/MpvMediaPlayer.h"
#include "tests/support/AudioFixtures.h"
#include "tests/support/EventPump.h"

namespace qvt {
namespace {

// A player under test and two files for it: one that plays (one second long) and one that
// exists but cannot be played.
struct Subject {
  std::unique_ptr<IMediaPlayer> player;
  QString good;
  QString bad;
  QString other;  // plays too (one second)
};

using Maker = std::function<Subject(const QString& folder)>;

Subject MakeMpv(const QString& folder) {
  Subject s{std::make_unique<MpvMediaPlayer>(MpvAudioConfig{QStringLiteral("null"), false}),
            test::MakeWav(folder, QStringLiteral("tone.wav"), 1.0),
            folder + QStringLiteral("/text.mp3"),
            test::MakeWav(folder, QStringLiteral("other.wav"), 1.0)};
  QFile text(s.bad);
  if (text.open(QIODevice::WriteOnly))
    text.write("This is not a song.\r\n");
  return s;
}

Subject MakeFake(const QString& folder) {
  auto fake = std::make_unique<FakeMediaPlayer>();
  fake->loadDelayMs = 20;
  fake->playOutMs = 1000;
  Subject s{nullptr, folder + QStringLiteral("/tone.wav"), folder + QStringLiteral("/text.mp3"),
            folder + QStringLiteral("/other.wav")};
  fake->durations[s.good] = 1.0;
  fake->durations[s.other] = 1.0;
  fake->failingFiles << s.bad;
  s.player = std::move(fake);
  return s;
}

class MediaContract : public ::testing::TestWithParam<Maker> {
 protected:
  void SetUp() override {
    s = GetParam()(dir.path());
    s.player->setLoadEndHandler([this](const std::optional<QString>& failure) {
      ++reports;
      lastFailure = failure;
    });
    IMediaPlayer* p = s.player.get();
    const auto note = [this](const QString& what) { told << what; };
    QObject::connect(p, &IMediaPlayer::loaded, [note] { note("loaded"); });
    QObject::connect(p, &IMediaPlayer::failed, [note](const QString& why) {
      note(why.isEmpty() ? "failed without a reason" : "failed");
    });
    QObject::connect(p, &IMediaPlayer::ended, [note] { note("ended"); });
    QObject::connect(p, &IMediaPlayer::positionChanged,
                     [note](double at) { note("position " + QString::number(at, 'f', 2)); });
    QObject::connect(p, &IMediaPlayer::durationChanged, [note](double length) {
      note("duration " + QString::number(length, 'f', 1));
    });
  }
  bool AwaitTold(const QString& what, int timeoutMs = 3000) {
    return test::PumpUntil([&] { return told.contains(what); }, timeoutMs);
  }
  bool AwaitReport() {
    return test::PumpUntil([this] { return reports > 0; }, 3000);
  }

  QTemporaryDir dir;
  Subject s;
  int reports = 0;
  std::optional<QString> lastFailure;
  QStringList told;  // the signals, in order
};

TEST_P(MediaContract, PlayWhileLoadingStartsTheSongOnceLoadedAndSaysSoLater) {
  IMediaPlayer& p = *s.player;
  p.setFileName(s.good);
  EXPECT_EQ(p.readyState(), kReadyLoading);
  EXPECT_FALSE(p.play()) << "the file cannot be loaded yet";
  EXPECT_EQ(p.playState(), kPlayPlaying);
  EXPECT_EQ(reports, 0) << "never reported inside a call";
  ASSERT_TRUE(AwaitReport());
  EXPECT_FALSE(lastFailure.has_value());
  EXPECT_EQ(p.readyState(), kReadyComplete);
  EXPECT_NEAR(p.duration(), 1.0, 0.01);
  EXPECT_EQ(p.playState(), kPlayPlaying);
  // Now loaded: play answers at once, with no report to follow.
  p.pause();
  EXPECT_TRUE(p.play());
  test::PumpUntil([] { return false; }, 50);
  EXPECT_EQ(reports, 1);
  p.stop();
}

TEST_P(MediaContract, AFileThatCannotPlayIsReportedOnceThenThrows) {
  IMediaPlayer& p = *s.player;
  p.setFileName(s.bad);
  EXPECT_FALSE(p.play());
  ASSERT_TRUE(AwaitReport());
  ASSERT_TRUE(lastFailure.has_value());
  EXPECT_FALSE(lastFailure->isEmpty());
  EXPECT_EQ(p.playState(), kPlayStopped);
  EXPECT_EQ(p.readyState(), kReadyComplete);
  EXPECT_THROW(p.play(), MediaError) << "a known failure is raised at once";
  test::PumpUntil([] { return false; }, 50);
  EXPECT_EQ(reports, 1);
}

TEST_P(MediaContract, ANewFileNameDropsTheReportOfTheLoadBeforeIt) {
  IMediaPlayer& p = *s.player;
  p.setFileName(s.bad);
  EXPECT_FALSE(p.play());
  p.setFileName(s.good);
  EXPECT_FALSE(p.play());
  ASSERT_TRUE(AwaitReport());
  test::PumpUntil([] { return false; }, 100);
  EXPECT_EQ(reports, 1);
  EXPECT_FALSE(lastFailure.has_value());
  EXPECT_FALSE(told.contains("failed")) << told.join(", ").toStdString();
  p.stop();
}

// Each load ends in one signal from the event loop: loaded (after its duration), or failed.
TEST_P(MediaContract, EveryLoadEndsInOneSignalFromTheEventLoop) {
  IMediaPlayer& p = *s.player;
  struct Row {
    QString file;
    QStringList told;
  };
  for (const Row& row : {Row{s.good, {"duration 1.0", "loaded"}}, Row{s.bad, {"failed"}}}) {
    SCOPED_TRACE(row.file.toStdString());
    told.clear();
    p.setFileName(row.file);
    EXPECT_TRUE(told.isEmpty()) << "never inside a call";
    ASSERT_TRUE(AwaitTold(row.told.last()));
    test::PumpUntil([] { return false; }, 50);
    EXPECT_EQ(told, row.told);
  }
}

// A song that plays out says so once, and then reads stopped at its end; a stopped one never
// ends by itself.
TEST_P(MediaContract, ASongThatPlaysOutEndsOnceAtItsEnd) {
  IMediaPlayer& p = *s.player;
  p.setFileName(s.good);
  ASSERT_TRUE(AwaitTold("loaded"));
  p.play();
  p.stop();
  test::PumpUntil([] { return false; }, 1300);
  EXPECT_FALSE(told.contains("ended")) << "stopped before its end";
  p.play();
  ASSERT_TRUE(AwaitTold("ended"));
  EXPECT_EQ(p.playState(), kPlayStopped);
  EXPECT_EQ(p.currentPosition(), p.selectionEnd());
  EXPECT_NEAR(p.selectionEnd(), 1.0, 0.01);
  test::PumpUntil([] { return false; }, 100);
  EXPECT_EQ(told.count("ended"), 1);
}

// A seek is told once it took effect, and not inside the call that made it.
TEST_P(MediaContract, ASeekIsToldWhereItLanded) {
  IMediaPlayer& p = *s.player;
  p.setFileName(s.good);
  ASSERT_TRUE(AwaitTold("loaded"));
  p.setCurrentPosition(0.5);
  EXPECT_FALSE(told.contains("position 0.50"));
  EXPECT_TRUE(AwaitTold("position 0.50"));
  EXPECT_NEAR(p.currentPosition(), 0.5, 0.001);
}

TEST_P(MediaContract, APositionWrittenWhileLoadingHoldsOnceLoaded) {
  IMediaPlayer& p = *s.player;
  p.setFileName(s.good);
  p.setCurrentPosition(0.5);
  ASSERT_TRUE(test::PumpUntil([&] { return p.readyState() == kReadyComplete; }));
  EXPECT_NEAR(p.currentPosition(), 0.5, 0.01);
  EXPECT_EQ(p.playState(), kPlayStopped);
  EXPECT_EQ(reports, 0) << "nobody asked to play";
}

// A next song handed over before the end sounds on once the song has played out; the player
// reads as the ended song until the next one's name is written, which then goes on with it:
// a song that plays on (and ends in its turn), or one that cannot play, as from any load.
TEST_P(MediaContract, TheNextSongGoesOnAtTheEndOnceItsNameIsWritten) {
  IMediaPlayer& p = *s.player;
  for (const QString& next : {s.other, s.bad}) {
    SCOPED_TRACE(next.toStdString());
    told.clear();
    p.setFileName(s.good);
    ASSERT_TRUE(AwaitTold("loaded"));
    p.setNextFileName(next);
    p.play();
    ASSERT_TRUE(AwaitTold("ended"));
    EXPECT_EQ(p.fileName(), s.good);
    EXPECT_EQ(p.currentPosition(), p.selectionEnd());
    EXPECT_EQ(p.readyState(), kReadyComplete);
    p.setFileName(next);
    if (next == s.bad) {
      ASSERT_TRUE(AwaitTold("failed"));
      EXPECT_THROW(p.play(), MediaError);
      continue;
    }
    EXPECT_NO_THROW(p.play());
    ASSERT_TRUE(test::PumpUntil([&] { return told.count("ended") == 2; }, 3000));
    EXPECT_FALSE(told.contains("failed"));
  }
}

INSTANTIATE_TEST_SUITE_P(Players, MediaContract, ::testing::Values(MakeMpv, MakeFake),
                         [](const ::testing::TestParamInfo<Maker>& row) {
                           return row.index == 0 ? "libmpv" : "fake";
                         });

}  // namespace
}  // namespace qvt
