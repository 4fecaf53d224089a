#pragma once
// Long work as a job. The work runs on a thread of the job's own over data it owns (a snapshot
// of the list, never the live one) and reports through a QPromise; every report reaches the
// window thread as a queued signal of a QFutureWatcher, so the click that starts a job returns at
// once and nothing runs inside it. A job finishes exactly once on the window thread: with its
// result (finished), or cancelled (canceled): by cancel(), by the work giving up (a cancel it saw,
// or a failure, which is logged), or by a handler that threw (logged too). After that no handler
// runs again; reports still on their way are dropped.
//
//   Job<Found> job(bLowPriority, {.progress = [&](int done) { ... },
//                                 .finished = [&](Found found) { ... },
//                                 .canceled = [&] { ... }});
//   job.start([paths](QPromise<Found>& promise) {   // on the job's thread
//     promise.setProgressRange(0, n);
//     for (...) { if (promise.isCanceled()) return; ...; promise.setProgressValue(i + 1); }
//     promise.addResult(std::move(found));
//   });
//   job.cancel();  // the window closes: canceled runs now, nothing else comes
//
// Progress values rise; QFuture passes the first and the last and at most 25 a second between
// them. The thread runs at idle priority when bLowPriority; the destructor cancels the work
// without running a handler and waits for its thread.

#include <QFutureWatcher>
#include <QPromise>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <exception>
#include <functional>
#include <memory>
#include <utility>

#include "platform/base/Check.h"

namespace qvt {

// The calling thread runs only when no other thread of the machine wants the processor.
void RunAtIdlePriority();

// What a window hands an operation that it runs as jobs.
struct JobHooks {
  // Asked between the boxes of the operation; true: the window is closing, the operation stops.
  std::function<bool()> stopRequested;
  // Runs a step that shows boxes (they run an event loop of their own) as an operation on the
  // window, so that a close meanwhile waits for it; nothing: directly.
  std::function<void(const std::function<void()>&)> hold;
  // Once, when the operation has ended in any way, last.
  std::function<void()> ended;
};

// An operation made of jobs and of the steps on the window thread between them (the boxes). It
// runs from start until it ends, once: ended runs then. Its window holds it, cancels it when it
// closes and learns whether it still runs.
class JobRun {
 public:
  explicit JobRun(JobHooks hooks) : hooks_(std::move(hooks)) {}
  virtual ~JobRun() = default;
  JobRun(const JobRun&) = delete;
  JobRun& operator=(const JobRun&) = delete;

  // Once: the first step, which may end the operation already.
  void start() {
    bRunning_ = true;
    step([this] { begin(); });
  }
  // Ends the operation while one of its jobs runs; nothing while a step shows its boxes (the
  // step asks stopRequested) or once it has ended.
  virtual void cancel() = 0;
  bool running() const { return bRunning_; }

 protected:
  virtual void begin() = 0;
  // Runs a step on the window thread, held when it shows boxes; a step that throws ends the
  // operation, and the failure goes on.
  void step(const std::function<void()>& fn, bool bHeld = false);
  bool stopRequested() const { return hooks_.stopRequested && hooks_.stopRequested(); }
  void end();

 private:
  JobHooks hooks_;
  bool bRunning_ = false;
};

template <class T>
class Job {
 public:
  struct Handlers {
    std::function<void(int done)> progress;  // the work's latest progress value
    std::function<void(T result)> finished;  // the work ran to its end with a result
    std::function<void()> canceled;          // it did not
  };
  using Work = std::function<void(QPromise<T>& promise)>;

  Job(bool bLowPriority, Handlers handlers)
      : bLowPriority_(bLowPriority), handlers_(std::move(handlers)) {
    pool_.setMaxThreadCount(1);
    QObject::connect(&watcher_, &QFutureWatcherBase::progressValueChanged, &watcher_,
                     [this](int done) {
                       if (bRunning_ && handlers_.progress)
                         deliver([&] { handlers_.progress(done); });
                     });
    QObject::connect(&watcher_, &QFutureWatcherBase::finished, &watcher_, [this] { end(); });
  }
  ~Job() {
    bRunning_ = false;
    QObject::disconnect(&watcher_, nullptr, nullptr, nullptr);
    watcher_.cancel();
    pool_.waitForDone();
  }
  Job(const Job&) = delete;
  Job& operator=(const Job&) = delete;

  // Starts the work (once). The watcher follows the promise before the work can report.
  void start(Work work) {
    QPromise<T> promise;
    watcher_.setFuture(promise.future());
    promise.start();
    bRunning_ = true;
    // The job follows its own promise, connected above; the task's future says nothing more.
    (void)QtConcurrent::run(&pool_, [promise = std::move(promise), work = std::move(work),
                                     bLowPriority = bLowPriority_]() mutable {
      if (bLowPriority)
        RunAtIdlePriority();
      try {
        work(promise);
      } catch (...) {
        promise.setException(std::current_exception());
      }
      promise.finish();
    });
  }
  // Cancels a running job: the work is told to stop, canceled runs now.
  void cancel() {
    if (!bRunning_)
      return;
    bRunning_ = false;
    watcher_.cancel();
    if (handlers_.canceled)
      handlers_.canceled();
  }
  // Started and not yet finished or cancelled.
  bool running() const { return bRunning_; }

 private:
  // A handler that throws ends the job: its failure is logged and the work cancelled.
  template <class Call>
  void deliver(const Call& call) {
    try {
      call();
    } catch (...) {
      LogDropped(lcPlaylist());
      stop();
    }
  }
  // cancel() from a delivery: a failure of the canceled handler is logged too.
  void stop() {
    try {
      cancel();
    } catch (...) {
      LogDropped(lcPlaylist());
    }
  }

  void end() {
    if (!bRunning_)
      return;
    QFuture<T> future = watcher_.future();
    if (!future.isCanceled() && future.resultCount() > 0) {
      bRunning_ = false;
      T result = future.takeResult();
      deliver([&] { handlers_.finished(std::move(result)); });
      return;
    }
    try {
      future.waitForFinished();  // the work's failure, when it failed
    } catch (...) {
      LogDropped(lcPlaylist());
    }
    stop();
  }

  bool bLowPriority_;
  Handlers handlers_;
  bool bRunning_ = false;
  QThreadPool pool_;
  QFutureWatcher<T> watcher_;
};

}  // namespace qvt
