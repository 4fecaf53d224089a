#pragma once
// The title scroller of the player and quick play windows: a 44-character window that moves
// over a long song name one character per tick (400 ms), rests 1 s at each end and bounces
// back and forth. Lengths count characters, so a name is never cut inside a character.

#include <QList>
#include <QString>
#include <cstdint>

namespace qvt {

class TitleScroller {
 public:
  static constexpr int kWidth = 44;
  static constexpr int kStepMs = 400;
  static constexpr int kRestMs = 1000;

  struct Tick {
    QString caption;  // the 44 characters to show
    int intervalMs;   // the timer's next interval
  };

  // Whether a name is longer than the window, so that it scrolls.
  static bool NeedsScrolling(const QString& sName);

  // One tick for the song at dblPosition named sName; a different position than the last
  // tick's starts again at the first character. A window with one song passes any constant.
  Tick Next(double dblPosition, const QString& sName);

 private:
  QList<uint> scrollText_;  // the name's characters
  double dblScrollIndex_ = 0;
  int32_t lScrollPos_ = 0;
  bool bScrollForward_ = false;
  bool bScrollTextTaken_ = false;
};

}  // namespace qvt
