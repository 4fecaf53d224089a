#include "player/startup/WorkerThread.h"

#include <pthread.h>
#include <sched.h>
#include <QTimer>

#include "platform/base/Check.h"

namespace qvt {

namespace {

// The thread runs only when no other thread of the machine wants the processor.
void LowerPriority() {
  sched_param param{};
  param.sched_priority = 0;
  const int error = pthread_setschedparam(pthread_self(), SCHED_IDLE, &param);
  QVT_CHECK(lcPlaylist(), error == 0, error);
}

}  // namespace

WorkerThread::WorkerThread(Work work, bool bLowPriority)
    : thread_([this, work = std::move(work), bLowPriority] { run(work, bLowPriority); }) {}

WorkerThread::~WorkerThread() {
  cancelled_ = true;
  join();
}

void WorkerThread::join() {
  if (thread_.joinable())
    thread_.join();
}

// On the worker thread. The waiting loop is woken by a queued call, which Qt makes safe from
// any thread.
void WorkerThread::run(const Work& work, bool bLowPriority) {
  if (bLowPriority)
    LowerPriority();
  try {
    work(cancelled_);
  } catch (...) {
    failure_ = std::current_exception();
  }
  ended_ = true;
  QMetaObject::invokeMethod(&loop_, "quit", Qt::QueuedConnection);
}

bool WorkerThread::wait(int intervalMs, const Tick& onTick) {
  bool bStopped = false;
  bool bInTick = false;
  std::exception_ptr failure;
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, &loop_, [&] {
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
    cancelled_ = true;
  join();
  if (failure)
    std::rethrow_exception(failure);
  if (failure_)
    std::rethrow_exception(failure_);
  return !bStopped && onTick(true);
}

}  // namespace qvt
