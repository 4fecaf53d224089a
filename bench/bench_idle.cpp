// How often the real player wakes up while it sits stopped with a play list: the context
// switches of all its threads over ten seconds, per second. Under its own session bus when
// dbus-run-session is there, so that the desktop's media controls are served meanwhile.
#include <signal.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>

#include "bench/Bench.h"
#include "bench/BenchProcess.h"
#include "tests/support/ProgramFolder.h"

namespace {

constexpr int kSongs = 100;
constexpr int kMeasureSeconds = 10;

// Voluntary and involuntary context switches of every thread of the process so far.
long ContextSwitches(qint64 pid) {
  long sum = 0;
  const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
  for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    QFile status(tasks.filePath(task + QStringLiteral("/status")));
    if (!status.open(QIODevice::ReadOnly))
      continue;
    for (const QByteArray& line : status.readAll().split('\n')) {
      if (line.startsWith("voluntary_ctxt_switches:") ||
          line.startsWith("nonvoluntary_ctxt_switches:")) {
        sum += line.mid(line.indexOf(':') + 1).trimmed().toLong();
      }
    }
  }
  return sum;
}

// "idle-run" leaves the player's process id in "idle-run.pid" and becomes the player, under
// a session bus of its own when it can have one.
void WriteIdleRun(const qvt::test::ProgramFolder& folder) {
  folder.write(QStringLiteral("idle-run"),
               "#!/bin/sh\nrun='echo $$ > \"$0.pid\"; exec \"$(dirname \"$0\")/Quavertone\"'\n"
               "command -v dbus-run-session >/dev/null && exec dbus-run-session -- sh -c \"$run\" "
               "\"$0\"\nexec sh -c \"$run\" \"$0\"\n");
  QFile(folder.path(QStringLiteral("idle-run")))
      .setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

}  // namespace

QVT_BENCH(idle_player) {
  qvt::test::ProgramFolder folder;
  qvt::bench::SaveConfigurationIn(folder.folder(), kSongs);
  WriteIdleRun(folder);
  QProcess* process = folder.start(QStringLiteral("idle-run"));
  qvt::test::WaitFor([&] { return folder.read(QStringLiteral("Status.tmp")) == "#TRUE#\r\n"; },
                     20000);
  QThread::msleep(3000);  // the list is loaded and the player idle
  const qint64 pid = folder.read(QStringLiteral("idle-run.pid")).trimmed().toLongLong();
  const long before = ContextSwitches(pid);
  QThread::msleep(kMeasureSeconds * 1000);
  const long after = ContextSwitches(pid);
  qvt::bench::Figure("idle_wakeups_per_s", static_cast<double>(after - before) / kMeasureSeconds,
                     "/s");
  ::kill(static_cast<pid_t>(pid), SIGTERM);
  if (!process->waitForFinished(20000))
    process->kill();
}
