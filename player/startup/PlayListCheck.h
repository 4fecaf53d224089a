#pragma once
// The play list integrity check of the editor's "Verify List", as a job (player/startup/Job.h).
// start shows the progress bar window and tests every song of a snapshot of the list on the
// job's thread, and returns. Each report moves the bar; when the test has finished, on the window
// thread: the songs whose type could not be known are tested with the types file's boxes, the
// window closes, the boxes ask and tell, and the bad songs leave the list as it is then, in one
// change. cancel (the editor closing while the songs are tested) closes the window and leaves
// the list as it was, with no box. `ended` runs once either way, last.
//
//   PlayListCheck check(services, mv, {.stopRequested = ..., .hold = ..., .ended = ...});
//   check.start();   // JobRun (player/startup/Job.h)

#include <QString>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>

#include "player/startup/Job.h"
#include "player/startup/MusicVariables.h"
#include "player/startup/VerifyScan.h"

namespace qvt {

struct Services;

namespace GlobalMethods {

class PlayListCheck final : public JobRun {
 public:
  using Hooks = JobHooks;

  // services, mv and whatever the hooks use outlive the check.
  PlayListCheck(const Services& services, MusicVariables& mv, Hooks hooks);
  ~PlayListCheck() override;

  void cancel() override;

 private:
  // Without songs: "No play list loaded, ..." and the end at once.
  void begin() override;
  void tested(int count);
  void finish(VerifyScan::Found found);
  void stopped();

  const Services& services_;
  MusicVariables& mv_;
  PlayListVersion version_;        // the list as it was tested
  SongArray names_;                // its names, for the progress texts
  std::size_t shown_ = 0;          // the songs the bar shows tested
  std::optional<QString> unkept_;  // the types read with an error box before the test
  std::unique_ptr<Job<VerifyScan::Found>> job_;
};

}  // namespace GlobalMethods
}  // namespace qvt
