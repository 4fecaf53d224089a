#include "player/window/TitleScroller.h"

namespace qvt {

TitleScroller::Tick TitleScroller::Next(double dblPosition, const QString& sName) {
  if (!bScrollTextTaken_ || dblPosition != dblScrollIndex_) {
    dblScrollIndex_ = dblPosition;
    lScrollPos_ = 1;
    sScrollText_ = sName;
    bScrollForward_ = true;
    bScrollTextTaken_ = true;
  }
  Tick tick{QString(), kStepMs};
  if (sScrollText_.size() <= kWidth) {  // fits: nothing to scroll
    tick.caption = sScrollText_;
    return tick;
  }
  if (lScrollPos_ + kWidth - 1 == sScrollText_.size()) {
    bScrollForward_ = false;
    tick.intervalMs = kRestMs;
  }
  if (lScrollPos_ == 1) {
    bScrollForward_ = true;
    tick.intervalMs = kRestMs;
  }
  tick.caption = sScrollText_.mid(lScrollPos_ - 1, kWidth);
  lScrollPos_ += bScrollForward_ ? 1 : -1;
  return tick;
}

}  // namespace qvt
