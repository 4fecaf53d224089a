#include "bench/BenchProcess.h"

#include <QDir>
#include <QFile>
#include <QThread>

#include "bench/BenchPlatform.h"
#include "platform/fakes/FakePlatform.h"
#include "player/startup/MusicVariables.h"
#include "player/window/Configuration.h"
#include "tests/support/PlayListOfTheTest.h"
#include "tests/support/TestFiles.h"

namespace qvt::bench {

namespace {

QByteArray ProcFile(long long pid, const QString& name) {
  QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(name));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A field of /proc/PID/status given in kB, in MB.
double StatusMb(long long pid, const char* field) {
  const QByteArray status = ProcFile(pid, QStringLiteral("status"));
  const qsizetype at = status.indexOf(field);
  if (at < 0)
    return 0;
  const qsizetype from = at + static_cast<qsizetype>(qstrlen(field));
  const long kb =
      status.mid(from, status.indexOf('\n', from) - from).trimmed().split(' ').first().toLong();
  return static_cast<double>(kb) / 1024.0;
}

}  // namespace

void SaveConfigurationIn(const QString& programFolder, int songs) {
  FakePlatform fake;
  fake.programFolder.path = programFolder;
  test::FakeConfigurationHost host;
  FillPlayList(songs, AlbumFolder);
  bool has = false;
  Configuration::SaveConfiguration(qvt::platform(), test::PlayList(), host, has);
  test::PlayList().resetAll();
}

long long CpuNs(long long pid) {
  long long sum = 0;
  const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
  for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    // The first field of schedstat: the time on the CPU, in nanoseconds.
    sum += ProcFile(pid, QStringLiteral("task/%1/schedstat").arg(task))
               .split(' ')
               .first()
               .toLongLong();
  }
  return sum;
}

double PeakRssMb(long long pid) {
  return StatusMb(pid, "VmHWM:");
}

double RssMb(long long pid) {
  return StatusMb(pid, "VmRSS:");
}

double SecondsUntilIdle(long long pid, const QElapsedTimer& clock, int quietMs, int timeoutMs) {
  long long used = CpuNs(pid);
  qint64 lastUse = clock.nsecsElapsed();
  while (clock.nsecsElapsed() - lastUse < quietMs * 1000000LL && clock.elapsed() < timeoutMs) {
    QThread::usleep(1000);
    const long long now = CpuNs(pid);
    if (now != used) {
      used = now;
      lastUse = clock.nsecsElapsed();
    }
  }
  return static_cast<double>(lastUse) / 1e9;
}

}  // namespace qvt::bench
