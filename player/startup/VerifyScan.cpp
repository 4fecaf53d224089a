#include "player/startup/VerifyScan.h"

#include <QElapsedTimer>
#include <algorithm>
#include <atomic>
#include <utility>

#include "platform/FileSystem.h"
#include "player/startup/WorkerThread.h"

namespace qvt {

namespace {

// How often the window thread asks whether to stop while it waits.
constexpr int kStopPollMs = 20;
// The shortest time between two progress reports after the first.
constexpr qint64 kProgressMs = 40;

// The test of every song, on the worker; the cancel flag is looked at between songs.
void Scan(VerifyScan::Input& in, VerifyScan::Found& found, std::atomic<std::size_t>& tested,
          const std::atomic<bool>& cancelled) {
  for (std::size_t i = 0; i < in.paths.size(); ++i) {
    if (cancelled)
      return;
    const QString path = in.paths[i];
    if (!PlainFileExists(*in.fs, path)) {
      found.bad.push_back(i);
      ++found.missing;
    } else if (!in.types) {
      found.untyped.push_back(i);
    } else if (!VerifyScan::Accepts(VerifyScan::TypeOf(path), *in.types)) {
      found.bad.push_back(i);
    }
    tested.store(i + 1, std::memory_order_relaxed);
  }
  found.paths = std::move(in.paths);
}

// The window thread's side: the count of songs tested, read from the worker's counter, goes to
// onTested for the first song, then at most every kProgressMs, and for the last; stopRequested
// is asked after each report and at every tick.
class Reports {
 public:
  Reports(const std::atomic<std::size_t>& tested, const std::function<void(std::size_t)>& onTested,
          const std::function<bool()>& stopRequested)
      : tested_(tested), onTested_(onTested), stopRequested_(stopRequested) {}

  // False when asked to stop.
  bool operator()(bool bEnded) {
    const std::size_t now = tested_.load(std::memory_order_relaxed);
    if (shown_ == 0 && now > 0 && !report(1))
      return false;
    if (now > shown_ && (bEnded || since_.elapsed() >= kProgressMs) && !report(now))
      return false;
    return !asked();
  }

 private:
  bool report(std::size_t count) {
    shown_ = count;
    since_.start();
    onTested_(count);
    return !asked();
  }
  bool asked() const { return stopRequested_ && stopRequested_(); }

  const std::atomic<std::size_t>& tested_;
  const std::function<void(std::size_t)>& onTested_;
  const std::function<bool()>& stopRequested_;
  std::size_t shown_ = 0;
  QElapsedTimer since_;
};

}  // namespace

QString VerifyScan::TypeOf(const QString& path) {
  return path.mid(path.lastIndexOf(QLatin1Char('.')) + 1).toUpper();
}

bool VerifyScan::Accepts(const QString& type, const QString& types) {
  const auto isWordCharacter = [](QChar c) { return c.isLetterOrNumber(); };
  if (type.isEmpty() || !std::all_of(type.begin(), type.end(), isWordCharacter))
    return false;
  // An occurrence counts only where no letter or digit touches it: "MP3" is not "M", "P3" or
  // "MP" to "MP3 WAV", nor is "C" to "FLAC".
  for (qsizetype at = types.indexOf(type); at >= 0; at = types.indexOf(type, at + 1)) {
    const qsizetype end = at + type.size();
    if ((at == 0 || !isWordCharacter(types[at - 1])) &&
        (end == types.size() || !isWordCharacter(types[end])))
      return true;
  }
  return false;
}

std::optional<VerifyScan::Found> VerifyScan::run(const std::function<void(std::size_t)>& onTested,
                                                 const std::function<bool()>& stopRequested) {
  Found found;
  std::atomic<std::size_t> tested{0};
  WorkerThread worker(
      [&](const std::atomic<bool>& cancelled) { Scan(input_, found, tested, cancelled); },
      input_.bLowPriority);
  if (!worker.wait(kStopPollMs, Reports(tested, onTested, stopRequested)))
    return std::nullopt;
  return found;
}

}  // namespace qvt
