#include "bench/Watchdog.h"

#include <algorithm>

namespace qvt::bench {

Watchdog::Watchdog() {
  timer_.setInterval(0);
  QObject::connect(&timer_, &QTimer::timeout, [this] {
    const qint64 now = clock_.nsecsElapsed();
    longest_ = std::max(longest_, now - last_);
    last_ = now;
  });
  clock_.start();
  timer_.start();
}

double Watchdog::longestMs() const {
  return static_cast<double>(std::max(longest_, clock_.nsecsElapsed() - last_)) / 1e6;
}

}  // namespace qvt::bench
