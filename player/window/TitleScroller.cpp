#include "player/window/TitleScroller.h"

namespace qvt {

namespace {

QString FromCharacters(const QList<uint>& characters) {
  return QString::fromUcs4(reinterpret_cast<const char32_t*>(characters.constData()),
                           characters.size());
}

}  // namespace

bool TitleScroller::NeedsScrolling(const QString& sName) {
  return sName.toUcs4().size() > kWidth;
}

TitleScroller::Tick TitleScroller::Next(double dblPosition, const QString& sName) {
  if (!bScrollTextTaken_ || dblPosition != dblScrollIndex_) {
    dblScrollIndex_ = dblPosition;
    lScrollPos_ = 1;
    bScrollForward_ = true;
    bScrollTextTaken_ = true;
  }
  scrollText_ = sName.toUcs4();
  const auto length = static_cast<int32_t>(scrollText_.size());
  Tick tick{QString(), kStepMs};
  if (length <= kWidth) {  // fits: nothing to scroll
    tick.caption = sName;
    return tick;
  }
  // At (or, should the name have become shorter, beyond) the far end: turn back.
  if (lScrollPos_ + kWidth - 1 >= length) {
    bScrollForward_ = false;
    tick.intervalMs = kRestMs;
  }
  if (lScrollPos_ == 1) {
    bScrollForward_ = true;
    tick.intervalMs = kRestMs;
  }
  tick.caption = FromCharacters(scrollText_.mid(lScrollPos_ - 1, kWidth));
  lScrollPos_ += bScrollForward_ ? 1 : -1;
  return tick;
}

}  // namespace qvt
