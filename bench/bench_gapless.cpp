// How two songs join: one continuous sweep cut into two WAV files, played as a two-song list by
// the playback controller through libmpv, whose raw samples go into a pipe that this bench
// reads as a sound card would (44100 frames a second, with a buffer of 1024 frames, and
// silence wherever the pipe is empty when frames are due). The figure is how far the second
// song's samples stand from where the sweep would have them (silence or samples put in at the
// join, samples lost there), in milliseconds: the best of three runs, since a busy machine
// can only add silence (mpv late to fill the small buffer), never take it away.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "bench/Bench.h"
#include "bench/BenchPlatform.h"
#include "platform/media/MpvMediaPlayer.h"
#include "player/startup/MusicVariables.h"
#include "player/window/PlaybackController.h"
#include "tests/support/AudioFixtures.h"
#include "tests/support/EventPump.h"
#include "tests/support/PlayListOfTheTest.h"

namespace {

constexpr int kRate = 44100;
constexpr int kSongFrames = 3 * kRate;  // three seconds each
constexpr int kWindow = 2000;           // frames compared to find an offset
constexpr double kTolerance = 0.02 * 32767;

// Reads 16-bit stereo frames from a pipe at the sample rate from the first frame on, keeping
// the left channel; a frame that is due while the pipe is empty is silence.
class PacedReader {
 public:
  explicit PacedReader(const QString& fifo) {
    // Read and write: the pipe stays open while mpv closes and opens its end.
    fd_ = ::open(QFile::encodeName(fifo).constData(), O_RDWR | O_NONBLOCK);
    ::fcntl(fd_, F_SETPIPE_SZ, 4096);
    thread_ = std::thread([this] { Run(); });
  }
  ~PacedReader() { Stop(); }
  std::vector<qint16> Stop() {
    stop_ = true;
    if (thread_.joinable())
      thread_.join();
    if (fd_ >= 0)
      ::close(std::exchange(fd_, -1));
    return left_;
  }

 private:
  void Run() {
    using Clock = std::chrono::steady_clock;
    std::optional<Clock::time_point> start;
    qint64 frames = 0;
    while (!stop_) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      const qint64 due =
          start ? std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - *start)
                              .count() *
                          kRate / 1000000 -
                      frames
                : 1;
      if (due <= 0)
        continue;
      const qint64 got = Take(due);
      if (!start) {
        if (got > 0)
          start = Clock::now();
        frames += got;
        continue;
      }
      left_.insert(left_.end(), static_cast<size_t>(due - got), 0);  // the pipe ran dry
      frames += due;
    }
  }
  // Up to `wanted` frames that are in the pipe now.
  qint64 Take(qint64 wanted) {
    qint64 got = 0;
    while (got < wanted) {
      const ssize_t n = ::read(fd_, buffer_ + pending_, sizeof buffer_ - pending_);
      if (n <= 0)
        break;
      pending_ += static_cast<size_t>(n);
      size_t used = 0;
      for (; used + 4 <= pending_ && got < wanted; used += 4, ++got) {
        qint16 sample;
        std::memcpy(&sample, buffer_ + used, sizeof sample);
        left_.push_back(sample);
      }
      std::memmove(buffer_, buffer_ + used, pending_ - used);
      pending_ -= used;
    }
    return got;
  }

  int fd_ = -1;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::vector<qint16> left_;
  char buffer_[4096];
  size_t pending_ = 0;
};

// The offset in `out` at which the tone's frames from `at` on are found, searched in
// [from, to]; nothing when they are found nowhere.
std::optional<qint64> Offset(const std::vector<qint16>& out, qint64 at, qint64 from, qint64 to) {
  std::optional<qint64> best;
  double bestError = std::numeric_limits<double>::max();
  for (qint64 d = from; d <= to; ++d) {
    if (at + d < 0 || at + d + kWindow > static_cast<qint64>(out.size()))
      continue;
    double error = 0;
    for (qint64 k = 0; k < kWindow && error < bestError; ++k) {
      const double diff =
          out[static_cast<size_t>(at + d + k)] - qvt::test::SweepSample(at + k, kRate);
      error += diff * diff;
    }
    if (error < bestError) {
      bestError = error;
      best = d;
    }
  }
  if (!best || std::sqrt(bestError / kWindow) > kTolerance)
    return std::nullopt;
  return best;
}

// Frames put in (or lost) at the join, plus frames around it that are not the tone.
double JoinGapFrames(const std::vector<qint16>& out) {
  const std::optional<qint64> start = Offset(out, 0, 0, kRate);
  if (!start)
    return kRate;
  const std::optional<qint64> after =
      Offset(out, kSongFrames + 100, *start - kRate / 10, *start + kRate);
  if (!after)
    return kRate;
  qint64 wrong = 0;
  for (qint64 k = kSongFrames - kRate / 20; k < kSongFrames + kRate / 20; ++k) {
    const qint64 shift = k < kSongFrames ? *start : *after;
    const auto i = static_cast<size_t>(k + shift);
    if (i < out.size() && std::abs(out[i] - qvt::test::SweepSample(k, kRate)) > kTolerance)
      ++wrong;
  }
  return static_cast<double>(std::abs(*after - *start) + wrong);
}

// Plays the two pieces as a list and answers the frames of the gap at their join.
double PlayAndMeasure(const QString& folder) {
  const QString a = qvt::test::MakeSweepWav(folder, QStringLiteral("a.wav"), 3.0, kRate, 0);
  const QString b =
      qvt::test::MakeSweepWav(folder, QStringLiteral("b.wav"), 3.0, kRate, kSongFrames);
  const QString pcm = folder + QStringLiteral("/out.pcm");
  QFile::remove(pcm);
  ::mkfifo(QFile::encodeName(pcm).constData(), 0600);
  PacedReader card(pcm);
  qvt::test::PlayList().replaceAll({a, b}, {QStringLiteral("a"), QStringLiteral("b")});
  {
    qvt::MpvMediaPlayer player(qvt::MpvAudioConfig{QStringLiteral("pcm"), false, pcm});
    qvt::bench::NullView view;
    qvt::PlaybackController controller(qvt::test::PlayList(), qvt::platform(), view, player);
    int ends = 0;
    QObject::connect(&player, &qvt::IMediaPlayer::ended, [&] {
      if (++ends < 2) {
        controller.timWhenStop_Timer();
      } else {
        controller.cmdStop_Click();
      }
    });
    controller.cmdPlay_Click();
    qvt::test::PumpUntil([&] { return ends >= 2; }, 20000);
  }
  const double gap = JoinGapFrames(card.Stop());
  return gap;
}

}  // namespace

QVT_BENCH(gapless) {
  qvt::bench::EventLoopPlatform services;
  QTemporaryDir dir;
  double frames = PlayAndMeasure(dir.path());
  for (int run = 1; run < 3; ++run)
    frames = std::min(frames, PlayAndMeasure(dir.path()));
  qvt::bench::Figure("gapless_join_gap_ms", 1000.0 * frames / kRate, "ms");
  qvt::test::PlayList().resetAll();
}
