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
//   check.start();

#include <QString>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>

#include "player/startup/MusicVariables.h"
#include "player/startup/VerifyScan.h"

namespace qvt {

template <class T>
class Job;
struct Services;

namespace GlobalMethods {

class PlayListCheck {
 public:
  struct Hooks {
    // Asked between the boxes that end the check; true stops it there, the list as it was.
    std::function<bool()> stopRequested;
    // Runs the end of the check (its boxes) as an operation on the window; nothing: directly.
    std::function<void(const std::function<void()>&)> hold;
    std::function<void()> ended;
  };

  // services, mv and whatever the hooks use outlive the check.
  PlayListCheck(const Services& services, MusicVariables& mv, Hooks hooks);
  ~PlayListCheck();
  PlayListCheck(const PlayListCheck&) = delete;
  PlayListCheck& operator=(const PlayListCheck&) = delete;

  // Once. Without songs it shows "No play list loaded, ..." and ends at once.
  void start();
  // Ends a check whose songs are still being tested; nothing once its boxes have begun.
  void cancel();
  // Started and not yet ended.
  bool running() const { return bRunning_; }

 private:
  void tested(int count);
  void finished(VerifyScan::Found found);
  void finish(VerifyScan::Found found);
  void stopped();
  void end();

  const Services& services_;
  MusicVariables& mv_;
  Hooks hooks_;
  bool bRunning_ = false;
  PlayListVersion version_;        // the list as it was tested
  SongArray names_;                // its names, for the progress texts
  std::size_t shown_ = 0;          // the songs the bar shows tested
  std::optional<QString> unkept_;  // the types read with an error box before the test
  std::unique_ptr<Job<VerifyScan::Found>> job_;
};

}  // namespace GlobalMethods
}  // namespace qvt
