#include "player/startup/Job.h"

#include <pthread.h>
#include <sched.h>

namespace qvt {

void RunAtIdlePriority() {
  sched_param param{};
  param.sched_priority = 0;
  const int error = pthread_setschedparam(pthread_self(), SCHED_IDLE, &param);
  QVT_CHECK(lcPlaylist(), error == 0, error);
}

void JobRun::step(const std::function<void()>& fn, bool bHeld) {
  const auto run = [&] {
    try {
      fn();
    } catch (...) {
      if (bRunning_)
        end();
      throw;
    }
  };
  if (bHeld && hooks_.hold)
    hooks_.hold(run);
  else
    run();
}

void JobRun::end() {
  bRunning_ = false;
  if (hooks_.ended)
    hooks_.ended();
}

}  // namespace qvt
