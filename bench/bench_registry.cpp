// Two processes writing the registry store at once: each writes 1,000 values into a store that
// neither has opened before (so both also create its tables), one transaction per value. The
// figure is the wall time until both are done.
#include <sys/wait.h>
#include <unistd.h>
#include <QTemporaryDir>
#include <cstdio>

#include "bench/Bench.h"
#include "platform/registry/SqliteRegistry.h"

namespace {

constexpr int kWriters = 2;
constexpr int kValuesPerWriter = 1000;

// Runs in the child: 0 when every write succeeded.
int writeValues(const QString& path, int writer) {
  qvt::SqliteRegistry store(path);
  const QString key = "Software\\Writers\\W" + QString::number(writer);
  if (!store.createKey(qvt::kHkeyCurrentUser, key).ok())
    return 1;
  for (int i = 0; i < kValuesPerWriter; ++i) {
    const qvt::RegistryValue value{qvt::kRegDword, QByteArray::number(i)};
    if (!store.setValue(qvt::kHkeyCurrentUser, key, "v" + QString::number(i), value).ok())
      return 1;
  }
  return 0;
}

}  // namespace

QVT_BENCH(registry_writers) {
  QTemporaryDir dir;
  const QString path = dir.filePath("registry.sqlite3");
  bool allWritten = true;
  const double seconds = qvt::bench::Seconds([&] {
    pid_t children[kWriters];
    for (int w = 0; w < kWriters; ++w) {
      children[w] = ::fork();
      if (children[w] == 0)
        ::_exit(writeValues(path, w));
    }
    for (pid_t child : children) {
      int status = 0;
      ::waitpid(child, &status, 0);
      allWritten = allWritten && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
  });
  if (!allWritten)
    std::printf("  a writer failed\n");
  qvt::bench::Figure("registry_two_writers_ms", seconds * 1000.0, "ms");
}
