#pragma once
// Responsiveness of the window thread: a zero-interval timer notes the time of every pass of
// the event loop, and the longest gap between two passes is the longest time the windows were
// frozen. Counts from its construction to the call of longestMs.

#include <QElapsedTimer>
#include <QTimer>

namespace qvt::bench {

class Watchdog {
 public:
  Watchdog();
  double longestMs() const;

 private:
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 last_ = 0;
  qint64 longest_ = 0;
};

}  // namespace qvt::bench
