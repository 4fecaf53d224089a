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

}  // namespace qvt
