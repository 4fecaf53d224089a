// The player with a 100,000-song configuration: loading and saving it (progress window
// suppressed, then shown offscreen); and the CPU of the real program while it plays.
#include <unistd.h>
#include <QFile>
#include <QProcess>
#include <QThread>

#include "bench/Bench.h"
#include "bench/BenchPlatform.h"
#include "platform/fakes/FakePlatform.h"
#include "platform/linux/LinuxSystem.h"
#include "player/startup/GlobalMethods.h"
#include "player/startup/MusicVariables.h"
#include "player/window/Configuration.h"
#include "shared/ui/ProgressWindows.h"
#include "tests/support/AudioFixtures.h"
#include "tests/support/InstalledProgress.h"
#include "tests/support/PlayListOfTheTest.h"
#include "tests/support/PlayerWindowsFixture.h"
#include "tests/support/ProgramFolder.h"
#include "tests/support/TestFiles.h"

namespace {

constexpr int kSongs = 100000;

using Host = qvt::test::FakeConfigurationHost;

double LoadMs(Host& host, bool hidden) {
  return 1000 * qvt::bench::BestSeconds(5, [&] {
           qvt::test::PlayList().resetAll();
           qvt::GlobalMethods::SetProcessingVisibility(qvt::platform(), qvt::test::PlayList(),
                                                       hidden ? 2 : 1);
           qvt::test::PlayList().setLastIndex(-1);
           bool has = false;
           qvt::Configuration::LoadConfiguration(qvt::platform(), qvt::test::PlayList(), host, has);
         });
}

double CpuSeconds(qint64 pid) {
  QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!stat.open(QIODevice::ReadOnly))
    return 0;
  const QList<QByteArray> fields = stat.readAll().split(' ');
  if (fields.size() < 15)
    return 0;
  return (fields[13].toDouble() + fields[14].toDouble()) /
         static_cast<double>(sysconf(_SC_CLK_TCK));
}

}  // namespace

QVT_BENCH(configuration) {
  qvt::bench::EventLoopPlatform services;
  Host host;
  qvt::bench::FillPlayList(kSongs, qvt::bench::AlbumFolder);
  bool has = false;
  const double save =
      1000 * qvt::bench::BestSeconds(5, [&] {
        qvt::Configuration::SaveConfiguration(qvt::platform(), qvt::test::PlayList(), host, has);
      });
  qvt::bench::Figure("config_save_100k_ms", save, "ms");
  qvt::bench::Figure("config_load_100k_ms", LoadMs(host, true), "ms");
  qvt::platform().progressWindows = &qvt::test::ProgressWindows();
  qvt::bench::Figure("config_load_100k_shown_ms", LoadMs(host, false), "ms");
  qvt::SetProcessingSuppressed(false);
  qvt::test::PlayList().resetAll();
}

QVT_BENCH(player_process) {
  qvt::test::ProgramFolder folder;
  const QString song = qvt::test::MakeWav(folder.folder(), QStringLiteral("long.wav"), 40.0, 22050);
  QProcess* q =
      folder.start(QStringLiteral("Quavertone"), {song}, {QStringLiteral("QUAVERTONE_AUDIO=null")});
  QThread::msleep(3000);  // started and playing
  const double before = CpuSeconds(q->processId());
  QThread::msleep(30000);
  const double after = CpuSeconds(q->processId());
  qvt::bench::Figure("idle_cpu_percent", 100.0 * (after - before) / 30.0, "%");
  q->kill();
  q->waitForFinished(5000);
}
