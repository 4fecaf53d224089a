#include "player/startup/VerifyScan.h"

#include <QEventLoop>
#include <QPromise>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <exception>
#include <limits>
#include <utility>

#include "platform/FileSystem.h"

namespace qvt {

namespace {

// How often the window thread asks whether to stop while it waits.
constexpr int kStopPollMs = 20;
// How many songs the worker tests between two progress reports.
constexpr std::size_t kProgressEvery = 64;

int ProgressCount(std::size_t count) {
  return static_cast<int>(std::min<std::size_t>(count, std::numeric_limits<int>::max()));
}

// The test of every song; the cancel flag is looked at between songs.
void Scan(QPromise<VerifyScan::Found>& promise, VerifyScan::Input& in) {
  VerifyScan::Found found;
  promise.setProgressRange(0, ProgressCount(in.paths.size()));
  for (std::size_t i = 0; i < in.paths.size(); ++i) {
    if (promise.isCanceled())
      return;
    const QString& path = in.paths[i];
    if (!PlainFileExists(*in.fs, path)) {
      found.bad.push_back(i);
      ++found.missing;
    } else if (!in.types) {
      found.untyped.push_back(i);
    } else if (!VerifyScan::Accepts(VerifyScan::TypeOf(path), *in.types)) {
      found.bad.push_back(i);
    }
    // The progress is taken every few songs (the window shows it at most 25 times a second);
    // the first and the last song always count.
    if (i == 0 || (i + 1) % kProgressEvery == 0 || i + 1 == in.paths.size())
      promise.setProgressValue(ProgressCount(i + 1));
  }
  found.paths = std::move(in.paths);
  promise.addResult(std::move(found));
}

}  // namespace

QString VerifyScan::TypeOf(const QString& path) {
  return path.mid(path.lastIndexOf(QLatin1Char('.')) + 1).toUpper();
}

bool VerifyScan::Accepts(const QString& type, const QString& types) {
  return !type.isEmpty() && types.contains(type);
}

VerifyScan::VerifyScan(Input input) : input_(std::move(input)) {}

VerifyScan::~VerifyScan() {
  watcher_.cancel();
}

std::optional<VerifyScan::Found> VerifyScan::run(const std::function<void(std::size_t)>& onTested,
                                                 const std::function<bool()>& stopRequested) {
  QEventLoop loop;
  std::exception_ptr failure;
  bool bStopped = false;
  const auto stop = [&] {
    bStopped = true;
    watcher_.cancel();
    loop.quit();
  };
  const auto stopWhenAsked = [&] {
    if (bStopped)
      return;
    try {
      if (stopRequested && stopRequested())
        stop();
    } catch (...) {
      failure = std::current_exception();
      stop();
    }
  };
  connect(&watcher_, &QFutureWatcherBase::progressValueChanged, &loop, [&](int tested) {
    if (bStopped)
      return;
    try {
      onTested(static_cast<std::size_t>(tested));
    } catch (...) {
      failure = std::current_exception();
      stop();
      return;
    }
    stopWhenAsked();
  });
  connect(&watcher_, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
  QTimer poll;
  poll.setInterval(kStopPollMs);
  connect(&poll, &QTimer::timeout, &loop, stopWhenAsked);

  QPromise<Found> promise;
  watcher_.setFuture(promise.future());
  promise.start();
  // The thread deletes itself once done, so that nothing here waits for it.
  const bool bLowPriority = input_.bLowPriority;
  QThread* worker =
      QThread::create([promise = std::move(promise), in = std::move(input_)]() mutable {
        Scan(promise, in);
        promise.finish();
      });
  connect(worker, &QThread::finished, worker, &QObject::deleteLater);
  worker->start(bLowPriority ? QThread::IdlePriority : QThread::InheritPriority);
  poll.start();
  loop.exec();

  if (failure)
    std::rethrow_exception(failure);
  QFuture<Found> future = watcher_.future();
  if (bStopped || future.isCanceled() || future.resultCount() == 0)
    return std::nullopt;
  return future.takeResult();
}

}  // namespace qvt
