// The libmpv media player, against real libmpv with the null audio output. Unless a test says
// otherwise the output is untimed (QUAVERTONE_AUDIO=null-fast), so songs play out at once.
#include <sys/stat.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include "platform/media/MpvMediaPlayer.h"
#include "tests/support/AudioFixtures.h"
#include "tests/support/EventPump.h"

namespace qvt {
namespace {

const MpvAudioConfig kFast{QStringLiteral("null"), true};
const MpvAudioConfig kRealTime{QStringLiteral("null"), false};

void Pump(int ms) {
  test::PumpUntil([] { return false; }, ms);
}

// Writes the file name and lets the event loop run until the load has ended.
void Load(MpvMediaPlayer& player, const QString& file) {
  player.setFileName(file);
  EXPECT_TRUE(test::PumpUntil([&] { return player.readyState() != kReadyLoading; }));
}

// The position once it has held still for 100 ms: after a pause, the output may still account
// for what it had buffered, and the last position reaches the window thread as an event.
double Halted(MpvMediaPlayer& player) {
  double before = -1.0;
  for (int i = 0; i < 20 && player.currentPosition() != before; ++i) {
    before = player.currentPosition();
    Pump(100);
  }
  return player.currentPosition();
}

bool PlaysOut(MpvMediaPlayer& player, int timeoutMs = 5000) {
  return test::PumpUntil([&] { return player.playState() == kPlayStopped; }, timeoutMs);
}

class MpvPlayerTest : public ::testing::Test {
 protected:
  QString wav(const QString& name = QStringLiteral("tone.wav"), double seconds = 1.0) {
    const QString path = test::MakeWav(dir_.path(), name, seconds);
    EXPECT_FALSE(path.isEmpty()) << "could not write " << name.toStdString();
    return path;
  }
  QString path(const QString& name) const { return dir_.filePath(name); }

  QTemporaryDir dir_;
};

// ---- mapping of volume and audio output ----------------------------------------------------

TEST(MpvVolumeMapping, HundredthsOfDecibelsMapToCubicVolumeAndBack) {
  struct Row {
    int32_t hundredths;
    double volume;
  };
  for (const Row& row : {Row{0, 100.0}, Row{-600, 79.4328}, Row{-1806, 50.0034},
                         Row{-3680, 24.3594}, Row{-10000, 2.1544}}) {
    SCOPED_TRACE(row.hundredths);
    EXPECT_NEAR(MpvVolumeFromHundredthsDb(row.hundredths), row.volume, 0.001);
    EXPECT_EQ(HundredthsDbFromMpvVolume(MpvVolumeFromHundredthsDb(row.hundredths)), row.hundredths);
  }
  // Outside -100 dB .. 0 dB the value is clamped; silence reads as the quietest level.
  EXPECT_DOUBLE_EQ(MpvVolumeFromHundredthsDb(500), 100.0);
  EXPECT_EQ(HundredthsDbFromMpvVolume(MpvVolumeFromHundredthsDb(-20000)), -10000);
  EXPECT_EQ(HundredthsDbFromMpvVolume(0.0), -10000);
  EXPECT_EQ(HundredthsDbFromMpvVolume(130.0), 0);
}

TEST(MpvAudioConfigTest, EnvironmentSelectsTheOutput) {
  const QByteArray saved = qgetenv("QUAVERTONE_AUDIO");
  struct Row {
    const char* value;  // nullptr: unset
    const char* output;
    bool untimed;
  };
  for (const Row& row : {Row{nullptr, "", false}, Row{"null", "null", false},
                         Row{"null-fast", "null", true}, Row{"pulse", "", false}}) {
    SCOPED_TRACE(row.value ? row.value : "(unset)");
    if (row.value) {
      qputenv("QUAVERTONE_AUDIO", row.value);
    } else {
      qunsetenv("QUAVERTONE_AUDIO");
    }
    const MpvAudioConfig config = MpvAudioConfig::FromEnvironment();
    EXPECT_EQ(config.audioOutput, QString::fromLatin1(row.output));
    EXPECT_EQ(config.untimed, row.untimed);
  }
  qputenv("QUAVERTONE_AUDIO", "pcm:/tmp/a song.pcm");  // raw samples into a file
  const MpvAudioConfig pcm = MpvAudioConfig::FromEnvironment();
  EXPECT_EQ(pcm.audioOutput + " " + pcm.pcmFile, "pcm /tmp/a song.pcm");
  qputenv("QUAVERTONE_AUDIO", saved);
}

TEST_F(MpvPlayerTest, VolumeRoundTripsThroughMpvAcrossLoads) {
  MpvMediaPlayer player(kFast);
  EXPECT_EQ(player.volume(), 0);
  for (int32_t hundredths : {0, -600, -1806, -3680}) {
    player.setVolume(hundredths);
    EXPECT_NEAR(player.volume(), hundredths, 1);
  }
  Load(player, wav());
  EXPECT_NEAR(player.volume(), -3680, 1);
}

// ---- formats -------------------------------------------------------------------------------

class MpvFormatTest : public MpvPlayerTest, public ::testing::WithParamInterface<QString> {};

TEST_P(MpvFormatTest, LoadsAndPlaysToTheEndExactly) {
  const QString format = GetParam();
  const QString file =
      format == "wav" ? wav() : test::MakeEncoded(dir_.path(), "tone." + format, 1.0, format);
  ASSERT_FALSE(file.isEmpty()) << "could not encode " << format.toStdString();
  MpvMediaPlayer player(kFast);
  Load(player, file);
  EXPECT_EQ(player.readyState(), kReadyComplete);
  EXPECT_EQ(player.playState(), kPlayStopped);
  EXPECT_NEAR(player.duration(), 1.0, 0.1);
  EXPECT_EQ(player.selectionEnd(), player.duration());
  EXPECT_EQ(player.selectionStart(), 0.0);
  EXPECT_LT(player.currentPosition(), 0.5);

  player.play();
  // Untimed output may play a short song out before the state is read: playing, or at its end.
  EXPECT_TRUE(player.playState() != kPlayStopped ||
              player.currentPosition() == player.selectionEnd());
  ASSERT_TRUE(PlaysOut(player));
  EXPECT_EQ(player.currentPosition(), player.selectionEnd());
  EXPECT_EQ(player.currentPosition(), player.duration());
  EXPECT_EQ(player.fileName(), file);
  EXPECT_EQ(player.readyState(), kReadyComplete);  // still loaded
}

INSTANTIATE_TEST_SUITE_P(AcceptedTypes, MpvFormatTest,
                         ::testing::ValuesIn(QStringList{"wav"} + test::EncodedFormats()),
                         [](const ::testing::TestParamInfo<QString>& row) {
                           return row.param.toStdString();
                         });

// ---- files that cannot be played ---------------------------------------------------------

TEST_F(MpvPlayerTest, UnplayablePathsFailQuicklyOnPlay) {
  QFile(path("empty.mp3")).open(QIODevice::WriteOnly);
  QFile text(path("text.mp3"));
  ASSERT_TRUE(text.open(QIODevice::WriteOnly));
  text.write("This is not a song.\r\nIt only has a song's name.\r\n");
  text.close();
  QFile list(path("list.mp3"));
  ASSERT_TRUE(list.open(QIODevice::WriteOnly));
  list.write("#EXTM3U\n" + wav().toUtf8() + "\n");
  list.close();
  ASSERT_TRUE(QDir(dir_.path()).mkdir("folder"));
  wav("folder/inside.wav");
  ASSERT_EQ(mkfifo(path("pipe.mp3").toLocal8Bit().constData(), 0600), 0);

  MpvMediaPlayer player(kFast);
  for (const QString& name :
       {path("missing.mp3"), path("empty.mp3"), path("text.mp3"), path("list.mp3"), path("folder"),
        path("pipe.mp3"), QStringLiteral("/dev/zero")}) {
    SCOPED_TRACE(name.toStdString());
    QElapsedTimer timer;
    timer.start();
    Load(player, name);
    EXPECT_EQ(player.mediaStatus(), kMediaInvalid);
    EXPECT_FALSE(player.play());
    EXPECT_LT(timer.elapsed(), 2000) << "known to fail soon after the name is written";
    EXPECT_EQ(player.fileName(), name);
    EXPECT_EQ(player.readyState(), kReadyComplete);
    EXPECT_EQ(player.playState(), kPlayStopped);
    Pump(50);  // nothing from a play list or folder may start meanwhile
    EXPECT_EQ(player.playState(), kPlayStopped);
    EXPECT_EQ(player.currentPosition(), 0.0);
    EXPECT_EQ(player.duration(), 0.0);
  }
}

TEST_F(MpvPlayerTest, FailedLoadUnloadsThePreviousSongAndDoesNotStick) {
  const QString good = wav();
  MpvMediaPlayer player(kFast);
  Load(player, good);
  player.setCurrentPosition(0.5);
  Load(player, path("missing.wav"));
  EXPECT_EQ(player.currentPosition(), 0.0);
  EXPECT_FALSE(player.play());
  Load(player, good);
  EXPECT_TRUE(player.play());
  EXPECT_TRUE(PlaysOut(player));
}

// The failures that the contract does not cover, each told once by its kind however often the
// song is played: a play with no file, an output that cannot be opened, a backend that cannot
// start.
TEST_F(MpvPlayerTest, FailuresAreToldOnceByTheirKind) {
  struct Row {
    const char* what;
    QString output;  // mpv's "ao"
    QString file;
    MediaErrorKind kind;
  };
  const Row rows[] = {
      {"no file", QStringLiteral("null"), QString(), kMediaResourceError},
      {"no output", QStringLiteral("no-such-output"), wav(), kMediaOutputError},
      {"no backend", QStringLiteral("null:no-such-setting=1"), wav(), kMediaOutputError},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    MpvMediaPlayer player(MpvAudioConfig{row.output, false});
    std::vector<MediaErrorKind> told;
    QObject::connect(&player, &IMediaPlayer::errorOccurred,
                     [&](MediaErrorKind kind, const QString&) { told.push_back(kind); });
    Load(player, row.file);
    EXPECT_EQ(player.fileName(), row.file);
    for (int play = 0; play < 2; ++play) {
      EXPECT_FALSE(player.play());
      Pump(100);
    }
    EXPECT_EQ(told, std::vector<MediaErrorKind>{row.kind});
    EXPECT_EQ(player.mediaStatus(), kMediaInvalid);
    EXPECT_EQ(player.playState(), kPlayStopped);
  }
}

TEST_F(MpvPlayerTest, EmptyFileNameLeavesThePlayerIdle) {
  MpvMediaPlayer player(kFast);
  Load(player, wav());
  Load(player, QString());
  EXPECT_EQ(player.fileName(), QString());
  EXPECT_EQ(player.readyState(), kReadyComplete);
  EXPECT_EQ(player.mediaStatus(), kMediaNoMedia);
  EXPECT_FALSE(player.play());
}

TEST_F(MpvPlayerTest, UnusableAudioOutputIsAFailureNotSilence) {
  MpvMediaPlayer player(MpvAudioConfig{QStringLiteral("no-such-output"), false});
  Load(player, wav());
  EXPECT_FALSE(player.play());
  EXPECT_EQ(player.playState(), kPlayStopped);
}

TEST_F(MpvPlayerTest, BackendThatCannotStartReadsUninitialised) {
  // An output setting that mpv refuses leaves the backend unstarted.
  MpvMediaPlayer player(MpvAudioConfig{QStringLiteral("null:no-such-setting=1"), false});

  EXPECT_EQ(player.readyState(), kReadyComplete) << "idle until first used";
  const QString file = wav();
  Load(player, file);
  EXPECT_EQ(player.readyState(), kReadyUninitialized);
  EXPECT_EQ(player.fileName(), file);
  EXPECT_FALSE(player.play());
  player.pause();
  player.stop();
  player.setCurrentPosition(1.0);
  player.setVolume(-1806);
  EXPECT_EQ(player.volume(), -1806);
  EXPECT_EQ(player.playState(), kPlayStopped);
  EXPECT_EQ(player.currentPosition(), 0.0);
  EXPECT_EQ(player.duration(), 0.0);
}

// ---- transport and positions ---------------------------------------------------------------

TEST_F(MpvPlayerTest, SeekIsExactAndPlayContinuesFromThere) {
  MpvMediaPlayer player(kFast);
  Load(player, wav());
  player.setCurrentPosition(0.25);
  EXPECT_NEAR(player.currentPosition(), 0.25, 0.001);
  EXPECT_EQ(player.playState(), kPlayStopped);
  player.play();
  ASSERT_TRUE(PlaysOut(player));
  EXPECT_EQ(player.currentPosition(), player.selectionEnd());
  // Leaving the end by a seek makes the song playable again, and it plays out again.
  player.setCurrentPosition(player.selectionStart());
  EXPECT_LT(player.currentPosition(), 0.001);
  EXPECT_EQ(player.playState(), kPlayStopped);
  player.play();
  ASSERT_TRUE(PlaysOut(player));
  EXPECT_EQ(player.currentPosition(), player.duration());
}

TEST_F(MpvPlayerTest, StopAndPauseHaltWhereTheyAreAndPlayResumes) {
  MpvMediaPlayer player(kRealTime);
  const QString file = wav("long.wav", 2.0);
  Load(player, file);
  player.play();
  ASSERT_TRUE(test::PumpUntil([&] { return player.currentPosition() > 0.2; }));
  player.pause();
  EXPECT_EQ(player.playState(), kPlayPaused);
  const double paused = Halted(player);
  Pump(200);
  EXPECT_EQ(player.currentPosition(), paused);

  player.play();
  EXPECT_EQ(player.playState(), kPlayPlaying);
  EXPECT_GE(player.currentPosition(), paused);
  ASSERT_TRUE(test::PumpUntil([&] { return player.currentPosition() > paused + 0.2; }));
  player.stop();
  EXPECT_EQ(player.playState(), kPlayStopped);
  const double stopped = Halted(player);
  EXPECT_LT(stopped, 1.9);
  Pump(200);
  EXPECT_EQ(player.currentPosition(), stopped);
  EXPECT_EQ(player.fileName(), file);
  EXPECT_EQ(player.readyState(), kReadyComplete);

  player.play();  // continues, does not rewind
  EXPECT_GE(player.currentPosition(), stopped);
  player.stop();
}

TEST_F(MpvPlayerTest, PlayAfterTheEndStartsTheSongAgain) {
  MpvMediaPlayer player(kRealTime);
  Load(player, wav());
  player.setCurrentPosition(0.9);
  player.play();
  ASSERT_TRUE(PlaysOut(player));
  EXPECT_EQ(player.currentPosition(), player.duration());
  player.play();
  EXPECT_EQ(player.playState(), kPlayPlaying);
  EXPECT_LT(player.currentPosition(), 0.5);
  player.stop();
}

TEST_F(MpvPlayerTest, PositionWrittenWithoutALoadedFileStartsItsNextLoad) {
  const QString later = path("later.wav");
  MpvMediaPlayer player(kFast);
  Load(player, later);  // does not exist yet
  player.setCurrentPosition(0.5);
  wav("later.wav");
  Load(player, later);
  EXPECT_NEAR(player.currentPosition(), 0.5, 0.001);
  // It is spent by that load, and never carried to another file.
  Load(player, path("missing.wav"));
  player.setCurrentPosition(0.75);
  Load(player, later);
  EXPECT_LT(player.currentPosition(), 0.01);
}

TEST_F(MpvPlayerTest, RealTimeOutputPlaysAboutInRealTime) {
  MpvMediaPlayer player(kRealTime);
  Load(player, wav());
  QElapsedTimer timer;
  timer.start();
  player.play();
  ASSERT_TRUE(PlaysOut(player));
  EXPECT_GE(timer.elapsed(), 800);
  EXPECT_EQ(player.currentPosition(), player.selectionEnd());
}

// ---- file names, events, lifetime ----------------------------------------------------------

TEST_F(MpvPlayerTest, FileNamesWithBlanksCommasAndNonAsciiRoundTripAndPlay) {
  const QString folder = QStringLiteral("Müsik, Ölé 日本");
  ASSERT_TRUE(QDir(dir_.path()).mkdir(folder));
  const QString file = wav(folder + QStringLiteral("/a song, take 2 ü.wav"));
  MpvMediaPlayer player(kFast);
  Load(player, file);
  EXPECT_EQ(player.fileName(), file);
  EXPECT_NEAR(player.duration(), 1.0, 0.001);

  // A relative name is given back as written and loaded from the current folder.
  const QString previous = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(dir_.filePath(folder)));
  Load(player, QStringLiteral("a song, take 2 ü.wav"));
  QDir::setCurrent(previous);
  EXPECT_EQ(player.fileName(), QStringLiteral("a song, take 2 ü.wav"));
  EXPECT_TRUE(player.play());
  EXPECT_TRUE(PlaysOut(player));
}

TEST_F(MpvPlayerTest, EventsAreHandledOnTheCreatingThreadThroughTheEventLoop) {
  std::vector<QThread*> threads;
  const auto observe = [&](int) { threads.push_back(QThread::currentThread()); };
  MpvMediaPlayer player(kFast);
  player.setEventObserver(observe);
  Load(player, wav());
  EXPECT_FALSE(threads.empty());

  // A failing output: mpv reports the failed load after setFileName has returned. Only the
  // event loop runs meanwhile, so those events come through queued drains.
  MpvMediaPlayer failing(MpvAudioConfig{QStringLiteral("no-such-output"), false});
  failing.setEventObserver(observe);
  failing.setFileName(wav());
  const size_t afterLoad = threads.size();
  EXPECT_TRUE(test::PumpUntil([&] { return threads.size() > afterLoad; }));
  for (QThread* thread : threads)
    EXPECT_EQ(thread, QCoreApplication::instance()->thread());
}

TEST_F(MpvPlayerTest, DestroyingWithEventsPendingLeavesNoQueuedCalls) {
  const QString file = wav();
  for (int i = 0; i < 3; ++i) {
    auto player = std::make_unique<MpvMediaPlayer>(kFast);
    player->setFileName(file);
    player->play();
    player.reset();
    Pump(30);  // a drain queued for the destroyed player must not run
  }
}

}  // namespace
}  // namespace qvt
