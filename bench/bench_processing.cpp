// Progress window speed: 100,000 updates of a shown progress bar window, the way the player
// reports loading a large play list (a new two-line message and one bar step per song), against
// the bare event passes that every update makes anyway; and the message window resized on every
// update, as a download reports its byte count.
#include <ctime>

#include "bench/Bench.h"
#include "platform/fakes/FakePlatform.h"
#include "shared/ui/ProgressWindows.h"
#include "shared/ui/frmDeterminedProcessing.h"
#include "tests/support/InstalledProgress.h"
#include "tests/support/PlayerWindowsFixture.h"

namespace {

constexpr int kUpdates = 100000;
constexpr int kRuns = 3;

QString message(int i) {
  return QStringLiteral("Re-Adding...\r\nTrack %1 - Some Song.mp3").arg(i);
}

}  // namespace

QVT_BENCH(processing) {
  qvt::FakePlatform fake;
  qvt::platform().progressWindows = &qvt::test::ProgressWindows();
  qvt::SetProcessingSuppressed(false);

  int paints = 0;
  const std::clock_t cpuStart = std::clock();
  const double bar = qvt::bench::BestSeconds(kRuns, [&] {
    qvt::ShowDeterminedProcessing(0, kUpdates, false, "Loading Large Play list");
    auto& form = qvt::test::Slot<qvt::frmDeterminedProcessing>().Get();
    const int before = form.paints();
    for (int i = 0; i < kUpdates; ++i)
      qvt::UpdateProcessing(message(i));
    paints = form.paints() - before;
    qvt::HideProcessing();
  });
  const double barCpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC / kRuns;
  const double passes = qvt::bench::BestSeconds(kRuns, [] {
    for (int i = 0; i < kUpdates; ++i)
      qvt::DoEvents();
  });
  const double resized = qvt::bench::BestSeconds(kRuns, [] {
    qvt::ShowProcessing("Downloading...", true, 0);
    for (int i = 0; i < kUpdates / 10; ++i) {
      qvt::UpdateProcessing(QStringLiteral("%1 Bytes Downloaded...").arg(4096 * i));
    }
    qvt::HideProcessing();
  });

  qvt::bench::Figure("processing_update_100k_ms", bar * 1000, "ms");
  qvt::bench::Figure("processing_update_100k_cpu_ms", barCpu * 1000, "ms");
  qvt::bench::Figure("processing_update_100k_paints", paints, "paints");
  qvt::bench::Figure("processing_event_pass_100k_ms", passes * 1000, "ms");
  qvt::bench::Figure("processing_message_resize_10k_ms", resized * 1000, "ms");
}
