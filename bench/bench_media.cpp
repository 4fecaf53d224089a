// Media player figures: creating a player, loading a song, failing on an unplayable file,
// reading the position (the playback timers poll it), playing a short song out untimed.
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include "bench/Bench.h"
#include "platform/media/MpvMediaPlayer.h"
#include "tests/support/AudioFixtures.h"

namespace {

const qvt::MpvAudioConfig kFast{QStringLiteral("null"), true};

// Writes the file name and runs the event loop until the load has ended.
void Load(qvt::MpvMediaPlayer& player, const QString& path) {
  player.setFileName(path);
  while (player.readyState() == qvt::kReadyLoading)
    QCoreApplication::processEvents();
}

void PlayOut(qvt::MpvMediaPlayer& player) {
  player.play();
  while (player.playState() != qvt::kPlayStopped)
    QCoreApplication::processEvents();
}

}  // namespace

QVT_BENCH(media) {
  QTemporaryDir dir;
  const QString wav = qvt::test::MakeWav(dir.path(), "tone.wav", 1.0);
  const QString text = dir.filePath("text.mp3");
  QFile file(text);
  if (!file.open(QIODevice::WriteOnly))
    return;
  file.write("not a song\r\n");
  file.close();

  qvt::bench::Figure("media_create_destroy_ms",
                     1000 * qvt::bench::BestSeconds(5, [] { qvt::MpvMediaPlayer player(kFast); }),
                     "ms");
  qvt::MpvMediaPlayer player(kFast);
  qvt::bench::Figure("media_load_wav_ms",
                     1000 * qvt::bench::BestSeconds(10, [&] { Load(player, wav); }), "ms");
  qvt::bench::Figure("media_fail_unplayable_ms",
                     1000 * qvt::bench::BestSeconds(10,
                                                    [&] {
                                                      Load(player, text);
                                                      (void)player.play();  // refused: it failed
                                                    }),
                     "ms");
  Load(player, wav);
  constexpr int kReads = 10000;
  double sum = 0.0;
  const double seconds = qvt::bench::Seconds([&] {
    for (int i = 0; i < kReads; ++i)
      sum += player.currentPosition() + player.playState();
  });
  qvt::bench::Figure("media_position_and_state_read_us", 1e6 * seconds / kReads, "us");
  qvt::bench::Figure("media_play_out_1s_untimed_ms",
                     1000 * qvt::bench::BestSeconds(5,
                                                    [&] {
                                                      Load(player, wav);
                                                      PlayOut(player);
                                                    }),
                     "ms");
}
