// The player window's bouncing title.
#include <gtest/gtest.h>
#include <QStringList>

#include "player/window/TitleScroller.h"

using qvt::TitleScroller;

namespace {

QString Chars(const QString& text, int from, int to) {
  return text.mid(from - 1, to - from + 1);
}

TEST(TitleScroller, FortyFiveCharactersBounceWithRestsAtBothEnds) {
  QString name;
  for (int i = 0; i < 45; ++i)
    name += QChar('A' + i % 26);
  TitleScroller s;
  const TitleScroller::Tick t1 = s.Next(0, name);
  const TitleScroller::Tick t2 = s.Next(0, name);
  const TitleScroller::Tick t3 = s.Next(0, name);
  EXPECT_EQ(t1.caption, Chars(name, 1, 44));
  EXPECT_EQ(t1.intervalMs, 1000);
  EXPECT_EQ(t2.caption, Chars(name, 2, 45));
  EXPECT_EQ(t2.intervalMs, 1000);
  EXPECT_EQ(t3.caption, Chars(name, 1, 44));
  EXPECT_EQ(t3.intervalMs, 1000);
}

TEST(TitleScroller, MovesOneCharacterPerStepAndRestartsOnANewSong) {
  const QString name = QString("0123456789").repeated(5);  // 50 characters
  TitleScroller s;
  std::vector<int> intervals;
  QStringList captions;
  for (int i = 0; i < 14; ++i) {
    const auto t = s.Next(3, name);
    captions << t.caption;
    intervals.push_back(t.intervalMs);
  }
  // Forward 1..7, back 6..1, forward again.
  EXPECT_EQ(captions[6], Chars(name, 7, 50));
  EXPECT_EQ(intervals[6], 1000);
  EXPECT_EQ(captions[7], Chars(name, 6, 49));
  EXPECT_EQ(intervals[7], 400);
  EXPECT_EQ(captions[12], Chars(name, 1, 44));
  EXPECT_EQ(intervals[12], 1000);
  EXPECT_EQ(intervals[1], 400);

  const QString other = QString("abcdefghij").repeated(5);
  const auto t = s.Next(4, other);
  EXPECT_EQ(t.caption, Chars(other, 1, 44)) << "a new song starts at its first character";
}

}  // namespace
