#include "player/startup/WorkerThread.h"

#include <sys/eventfd.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <cstdint>
#include <utility>

#include "platform/base/Check.h"
#include "player/startup/Job.h"

namespace qvt {

WorkerThread::WorkerThread(Work work, bool bLowPriority, std::function<void()> onCancel)
    : onCancel_(std::move(onCancel)),
      wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      thread_([this, work = std::move(work), bLowPriority] { run(work, bLowPriority); }) {
  QVT_CHECK(lcPlaylist(), wakeFd_ >= 0, errno);
}

WorkerThread::~WorkerThread() {
  cancel();
  join();
  if (wakeFd_ >= 0)
    close(wakeFd_);
}

void WorkerThread::cancel() {
  if (cancelled_.exchange(true) || ended_)
    return;
  if (onCancel_)
    onCancel_();
}

void WorkerThread::join() {
  if (thread_.joinable())
    thread_.join();
}

// On the worker thread. The waiting loop is woken through an event counter that the window
// thread's event loop watches: a plain write and read, which orders the two threads without
// any of Qt's cross-thread machinery. Should the counter be missing, the next tick sees the end.
void WorkerThread::run(const Work& work, bool bLowPriority) {
  if (bLowPriority)
    RunAtIdlePriority();
  try {
    work(cancelled_);
  } catch (...) {
    failure_ = std::current_exception();
  }
  ended_ = true;
  if (wakeFd_ >= 0) {
    const std::uint64_t one = 1;
    const ssize_t written = write(wakeFd_, &one, sizeof one);
    QVT_CHECK(lcPlaylist(), written == sizeof one, errno);
  }
}

bool WorkerThread::wait(int intervalMs, const Tick& onTick) {
  bool bStopped = false;
  bool bInTick = false;
  std::exception_ptr failure;
  QSocketNotifier wake(QSocketNotifier::Read);
  if (wakeFd_ >= 0) {
    wake.setSocket(wakeFd_);
    wake.setEnabled(true);
  }
  QObject::connect(&wake, &QSocketNotifier::activated, &loop_, [this] {
    std::uint64_t count = 0;
    if (read(wakeFd_, &count, sizeof count) == sizeof count)
      loop_.quit();
  });
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, &loop_, [&] {
    if (ended_) {
      loop_.quit();
      return;
    }
    if (bStopped || bInTick)
      return;
    bInTick = true;
    try {
      bStopped = !onTick(false);
    } catch (...) {
      failure = std::current_exception();
      bStopped = true;
    }
    bInTick = false;
    if (bStopped)
      loop_.quit();
  });
  tick.start(intervalMs);
  // The windows get a pass however soon the work ends: the wait is one for the user as well.
  loop_.processEvents();
  while (!ended_ && !bStopped) {
    // A loop that cannot run means the program is ending: the work stops.
    if (loop_.exec() < 0)
      bStopped = true;
  }
  tick.stop();
  if (bStopped)
    cancel();
  join();
  if (failure)
    std::rethrow_exception(failure);
  if (failure_)
    std::rethrow_exception(failure_);
  return !bStopped && onTick(true);
}

}  // namespace qvt
