#include "tests/support/Processes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <csignal>

#include "tests/support/ProgramFolder.h"

namespace qvt::test {

namespace {

const QString kDeleted = QStringLiteral(" (deleted)");

// The executable of a live process, as the kernel names it; empty for an ended process.
QString ExecutableOf(const QString& pid) {
  QString target = QFile::symLinkTarget(QStringLiteral("/proc/") + pid + QStringLiteral("/exe"));
  if (target.endsWith(kDeleted))
    target.chop(kDeleted.size());
  return target;
}

}  // namespace

std::vector<pid_t> ProcessesOf(const QString& executable) {
  // The kernel names the executable by its canonical path; the file itself may be gone.
  const QFileInfo info(executable);
  const QString wanted =
      QFileInfo(info.absolutePath()).canonicalFilePath() + QLatin1Char('/') + info.fileName();
  std::vector<pid_t> found;
  const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
  for (const QString& entry : entries) {
    bool numeric = false;
    const int pid = entry.toInt(&numeric);
    if (numeric && ExecutableOf(entry) == wanted)
      found.push_back(static_cast<pid_t>(pid));
  }
  return found;
}

bool WaitUntilGone(const QString& executable, int timeoutMs) {
  return WaitFor([&] { return ProcessesOf(executable).empty(); }, timeoutMs);
}

bool EndProcessesOf(const QString& executable, int graceMs) {
  for (pid_t pid : ProcessesOf(executable))
    ::kill(pid, SIGTERM);
  if (WaitUntilGone(executable, graceMs))
    return true;
  for (pid_t pid : ProcessesOf(executable))
    ::kill(pid, SIGKILL);
  WaitUntilGone(executable, graceMs);
  return false;
}

}  // namespace qvt::test
