// How long the Updater takes to notice that the player has closed: from the moment the status
// file says "#FALSE#" to the Updater's next step (the first countdown window), with real timers.
// The countdown itself is not timed: the run stops when its first window opens.
#include <QFile>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "bench/Bench.h"
#include "platform/fakes/FakePlatform.h"
#include "platform/linux/LinuxSystem.h"
#include "tests/support/ProgressRecorder.h"
#include "tests/support/UpdaterRun.h"
#include "updater/UpdaterProgram.h"

namespace {

using Clock = std::chrono::steady_clock;

struct CountdownReached {};

// Notes when the first message window opens (the countdown) and stops the run there.
class CountdownWatch : public qvt::ProgressRecorder {
 public:
  Clock::time_point reached;
  void show(qvt::ProgressWindow window) override {
    if (window == qvt::ProgressWindow::Message) {
      reached = Clock::now();
      throw CountdownReached{};
    }
    ProgressRecorder::show(window);
  }
};

void writeStatus(const QString& path, const QByteArray& text) {
  QFile f(path + ".new");
  if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
    f.write(text);
  f.close();
  std::rename(QFile::encodeName(path + ".new").constData(), QFile::encodeName(path).constData());
}

// One run: the player closes `afterMs` after the Updater starts; the milliseconds until the
// Updater moved on.
double oneRun(int afterMs) {
  qvt::FakePlatform fake;
  qvt::LinuxEventLoop realLoop;
  qvt::platform().eventLoop = &realLoop;
  CountdownWatch watch;
  const QString status = fake.path("Status.tmp");
  writeStatus(status, "#TRUE#\r\n");
  Clock::time_point closed;
  std::thread player([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(afterMs));
    closed = Clock::now();
    writeStatus(status, "#FALSE#\r\n");
  });
  qvt::UpdaterProgram program(qvt::platform(), qvt::UpdateManifest::Trust{});  // without a key
  try {
    qvt::test::RunUpdater(program);
  } catch (const CountdownReached&) {
  } catch (const qvt::ProgramEnded&) {
  }
  player.join();
  return std::chrono::duration<double, std::milli>(watch.reached - closed).count();
}

}  // namespace

QVT_BENCH(updater) {
  constexpr int kRuns = 8;
  double total = 0;
  double worst = 0;
  for (int i = 0; i < kRuns; ++i) {
    // Close at different points of the 250 ms poll cycle.
    const double ms = oneRun(400 + i * 31);
    total += ms;
    worst = std::max(worst, ms);
  }
  qvt::bench::Figure("updater_wait_ms", total / kRuns, "ms");
  qvt::bench::Figure("updater_wait_max_ms", worst, "ms");
}
