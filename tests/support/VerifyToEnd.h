#pragma once
// Runs the play list integrity check to its end as the editor starts it: its job reports and
// ends through queued signals, so the event loop is pumped until the check has ended.

#include <memory>
#include <utility>

#include "player/startup/GlobalMethods.h"
#include "player/startup/Job.h"
#include "tests/support/EventPump.h"

namespace qvt::test {

inline void VerifyToEnd(const Services& services, MusicVariables& mv, JobHooks hooks = {}) {
  const std::unique_ptr<JobRun> check =
      GlobalMethods::VerifyPlayList(services, mv, std::move(hooks));
  check->start();
  PumpUntil([&] { return !check->running(); }, 600000);
}

}  // namespace qvt::test
