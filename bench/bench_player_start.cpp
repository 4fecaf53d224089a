// The real player program started on its saved list of 100,000 and of 1,000,000 songs: the
// time from its start until the list is loaded and it sits idle (none of its threads has used
// the CPU for a while), the peak of its memory by then and what it still holds. Killed
// afterwards, so that no run spends time saving the list; an empty list gives the floor. About
// 12 s.
#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>

#include "bench/Bench.h"
#include "bench/BenchProcess.h"
#include "tests/support/ProgramFolder.h"

namespace {

// Quiet for this long, the player is idle: longer than any pause of its own while it loads.
constexpr int kQuietMs = 500;
constexpr int kTimeoutMs = 120000;

struct Start {
  double seconds = 1e300;
  double rssMb = 0;      // the peak
  double settledMb = 0;  // what it holds once idle
};

// The best of `runs` starts; the memory of the last.
Start MeasureStarts(int songs, int runs) {
  qvt::test::ProgramFolder folder;
  qvt::bench::SaveConfigurationIn(folder.folder(), songs);
  Start best;
  for (int run = 0; run < runs; ++run) {
    QElapsedTimer clock;
    clock.start();
    QProcess* player = folder.start(QStringLiteral("Quavertone"));
    const double seconds =
        qvt::bench::SecondsUntilIdle(player->processId(), clock, kQuietMs, kTimeoutMs);
    best.seconds = std::min(best.seconds, seconds);
    best.rssMb = qvt::bench::PeakRssMb(player->processId());
    best.settledMb = qvt::bench::RssMb(player->processId());
    player->kill();
    player->waitForFinished(20000);
  }
  return best;
}

}  // namespace

QVT_BENCH(player_start) {
  // The floor: the same program with no list to read.
  const Start empty = MeasureStarts(0, 3);
  qvt::bench::Figure("restart_empty_s", empty.seconds, "s");
  qvt::bench::Figure("player_rss_empty_mb", empty.rssMb, "MB");
  const Start hundred = MeasureStarts(100000, 5);
  qvt::bench::Figure("restart_100k_s", hundred.seconds, "s");
  qvt::bench::Figure("player_rss_100k_mb", hundred.rssMb, "MB");
  qvt::bench::Figure("player_rss_settled_100k_mb", hundred.settledMb, "MB");
  const Start million = MeasureStarts(1000000, 3);
  qvt::bench::Figure("restart_1m_s", million.seconds, "s");
  qvt::bench::Figure("player_rss_1m_mb", million.rssMb, "MB");
  qvt::bench::Figure("player_rss_settled_1m_mb", million.settledMb, "MB");
}
