#pragma once
// A long piece of work on a thread of its own while the window thread waits for it in a local
// event loop, so that the windows keep answering. The thread is always joined before wait
// returns, and by the destructor, so whatever the work uses need only outlive this object. A
// cancel is a flag that the work looks at often: a cancelled wait returns within milliseconds.
//
// The work and the window thread share only what the caller gives both (atomics, or data under
// a lock); anything else the work writes is read once wait has returned.
//
//   std::atomic<std::size_t> done{0};
//   WorkerThread worker([&](const std::atomic<bool>& cancelled) { ... }, bLowPriority);
//   const bool bFinished = worker.wait(20, [&](bool bEnded) { return !stopRequested(); });

#include <QEventLoop>
#include <atomic>
#include <exception>
#include <functional>
#include <thread>

namespace qvt {

class WorkerThread {
 public:
  // The work; `cancelled` set means it is to return as soon as it can.
  using Work = std::function<void(const std::atomic<bool>& cancelled)>;
  // What the window thread does while it waits; false cancels the work.
  using Tick = std::function<bool(bool bEnded)>;

  // Starts the work at once, at the scheduler's idle priority when bLowPriority. onCancel, when
  // given, runs on the window thread whenever the work is cancelled, before the thread is
  // joined: for work that waits on something the flag cannot reach (a transfer, a socket).
  WorkerThread(Work work, bool bLowPriority, std::function<void()> onCancel = {});
  // Cancels the work and joins its thread.
  ~WorkerThread();
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Runs the event loop until the work has returned (once). onTick runs every intervalMs
  // meanwhile (never inside itself) and once after the work returned, with bEnded. A false
  // answer cancels the work, as does an exception out of onTick or a program that is ending.
  // Answers true when the work ran to its end and the last tick went on; false when cancelled.
  // An exception out of the work or out of onTick goes on to the caller from here, once the
  // thread is joined.
  bool wait(int intervalMs, const Tick& onTick);

 private:
  void run(const Work& work, bool bLowPriority);
  void cancel();
  void join();

  QEventLoop loop_;
  std::function<void()> onCancel_;
  int wakeFd_;  // an event counter the work writes when it has returned; -1 if none
  std::atomic<bool> cancelled_{false};
  std::atomic<bool> ended_{false};
  std::exception_ptr failure_;  // the work's, written by it, read once it is joined
  std::thread thread_;
};

}  // namespace qvt
