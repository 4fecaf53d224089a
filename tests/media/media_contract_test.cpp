// What every media player promises the windows, checked against the libmpv player and the fake
// alike: no call waits for the file or throws; a failure arrives once, later, as the error
// signal on the window thread; and so do the signals of a load, a seek and the end of a song,
// only for the file last written, never inside a call.
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <functional>
#include <memory>
#include <vector>

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
    IMediaPlayer* p = s.player.get();
    const auto note = [this](const QString& what) { told << what; };
    QObject::connect(p, &IMediaPlayer::loaded, [note] { note("loaded"); });
    QObject::connect(
        p, &IMediaPlayer::errorOccurred, [this, note](MediaErrorKind kind, const QString& why) {
          errorKinds.push_back(kind);
          onWindowThread &= QThread::currentThread() == QCoreApplication::instance()->thread();
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

  QTemporaryDir dir;
  Subject s;
  QStringList told;  // the signals, in order
  std::vector<MediaErrorKind> errorKinds;
  bool onWindowThread = true;  // every error signal so far came on the window thread
};

TEST_P(MediaContract, PlayWhileLoadingStartsTheSongOnceLoadedAndSaysSoLater) {
  IMediaPlayer& p = *s.player;
  p.setFileName(s.good);
  EXPECT_EQ(p.readyState(), kReadyLoading);
  EXPECT_EQ(p.mediaStatus(), kMediaLoading);
  EXPECT_FALSE(p.play()) << "the file cannot be loaded yet";
  EXPECT_EQ(p.playState(), kPlayPlaying);
  EXPECT_TRUE(told.isEmpty()) << "never told inside a call";
  ASSERT_TRUE(AwaitTold("loaded"));
  EXPECT_EQ(p.readyState(), kReadyComplete);
  EXPECT_EQ(p.mediaStatus(), kMediaLoaded);
  EXPECT_NEAR(p.duration(), 1.0, 0.01);
  EXPECT_EQ(p.playState(), kPlayPlaying);
  // Now loaded: play answers at once, with nothing to follow.
  p.pause();
  EXPECT_TRUE(p.play());
  test::PumpUntil([] { return false; }, 50);
  EXPECT_EQ(told, (QStringList{"duration 1.0", "loaded"}));
  p.stop();
}

// A file that cannot play fails once, told by the error signal on the window thread whether
// it was played while it loaded or after; the player then reads stopped and invalid, and a
// play of it answers false and tells nothing more. Nothing throws.
TEST_P(MediaContract, AnUnplayableFileFailsOnceAndAPlayOfItTellsNothingMore) {
  IMediaPlayer& p = *s.player;
  for (const bool playWhileLoading : {true, false}) {
    SCOPED_TRACE(playWhileLoading ? "played while loading" : "played once failed");
    told.clear();
    errorKinds.clear();
    EXPECT_NO_THROW(p.setFileName(s.bad));
    if (playWhileLoading) {
      EXPECT_FALSE(p.play());
    }
    EXPECT_TRUE(told.isEmpty()) << "never inside a call";
    ASSERT_TRUE(AwaitTold("failed"));
    EXPECT_EQ(p.playState(), kPlayStopped);
    EXPECT_EQ(p.mediaStatus(), kMediaInvalid);
    EXPECT_EQ(p.readyState(), kReadyComplete);
    bool plays = true;
    EXPECT_NO_THROW(plays = p.play());
    EXPECT_FALSE(plays);
    EXPECT_EQ(p.playState(), kPlayStopped);
    test::PumpUntil([] { return false; }, 100);
    EXPECT_EQ(told, QStringList{"failed"});
    ASSERT_EQ(errorKinds.size(), 1u);
    EXPECT_TRUE(errorKinds[0] == kMediaFormatError || errorKinds[0] == kMediaResourceError)
        << errorKinds[0];
  }
  EXPECT_TRUE(onWindowThread);
}

TEST_P(MediaContract, ANewFileNameDropsTheReportOfTheLoadBeforeIt) {
  IMediaPlayer& p = *s.player;
  p.setFileName(s.bad);
  EXPECT_FALSE(p.play());
  p.setFileName(s.good);
  EXPECT_FALSE(p.play());
  ASSERT_TRUE(AwaitTold("loaded"));
  test::PumpUntil([] { return false; }, 100);
  EXPECT_EQ(told.count("loaded"), 1);
  EXPECT_FALSE(told.contains("failed")) << told.join(", ").toStdString();
  EXPECT_EQ(p.playState(), kPlayPlaying);
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
  EXPECT_EQ(told.count("loaded"), 1) << "the load ends once, and nobody asked to play";
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
      EXPECT_EQ(p.mediaStatus(), kMediaInvalid);
      EXPECT_FALSE(p.play());
      continue;
    }
    EXPECT_NE(p.mediaStatus(), kMediaInvalid);
    p.play();
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
