#include "player/playlists/SongListBox.h"

#include <gtest/gtest.h>
#include <QSignalSpy>
#include <QTest>
#include <stdexcept>

#include "player/startup/GlobalMethods.h"
#include "player/startup/MusicVariables.h"
#include "tests/support/PlayListOfTheTest.h"

namespace qvt {
namespace {

std::vector<QString> Names(int n) {
  std::vector<QString> names;
  for (int i = 0; i < n; ++i)
    names.push_back(QStringLiteral("Song %1.mp3").arg(i));
  return names;
}

TEST(SongListBox, EntriesAreSongsInOrderAndChangeOnlyWhenTold) {
  SongListBox lst;
  lst.SetItems(Names(3));
  lst.AddItem(QStringLiteral("Last.wav"));
  ASSERT_EQ(lst.ListCount(), 4);
  EXPECT_EQ(lst.List(3), QStringLiteral("Last.wav"));
  lst.SetList(1, QStringLiteral("Song 1.mp3 - Now Playing"));
  lst.SetList(9, QStringLiteral("ignored"));
  EXPECT_EQ(lst.List(1), QStringLiteral("Song 1.mp3 - Now Playing"));
  EXPECT_THROW(lst.List(4), std::out_of_range);
  lst.Clear();
  EXPECT_EQ(lst.ListCount(), 0);
}

TEST(SongListBox, SelectionFollowsTheSharedListHelpers) {
  test::PlayList().resetAll();
  test::PlayList().setLastIndex(4);
  SongListBox lst;
  lst.SetItems(Names(5));
  EXPECT_EQ(lst.ListIndex(), -1);
  EXPECT_EQ(GlobalMethods::GetSelectedIndex(test::PlayList(), lst),
            0);  // none selected reads as the first

  GlobalMethods::SelectListItem(lst, 3);
  EXPECT_TRUE(lst.Selected(3));
  EXPECT_FALSE(lst.Selected(2));
  EXPECT_EQ(lst.ListIndex(), 3);
  EXPECT_EQ(GlobalMethods::GetSelectedIndex(test::PlayList(), lst), 3);

  GlobalMethods::SelectListItem(lst, 7);  // no such entry: ignored
  EXPECT_EQ(lst.ListIndex(), 3);
  EXPECT_THROW(lst.SetListIndex(5), std::out_of_range);

  lst.SetListIndex(-1);
  EXPECT_EQ(lst.ListIndex(), -1);
  EXPECT_FALSE(lst.Selected(3));
}

TEST(SongListBox, DoubleClickOnAnEntrySelectsItAndSignals) {
  SongListBox lst;
  lst.resize(200, 200);
  lst.SetItems(Names(3));
  lst.show();
  QSignalSpy spy(&lst, &SongListBox::DblClick);
  const QPoint second = lst.visualRect(lst.model()->index(1, 0)).center();
  QTest::mouseClick(lst.viewport(), Qt::LeftButton, {}, second);
  QTest::mouseDClick(lst.viewport(), Qt::LeftButton, {}, second);
  EXPECT_EQ(spy.count(), 1);
  EXPECT_EQ(lst.ListIndex(), 1);

  QTest::mouseDClick(lst.viewport(), Qt::LeftButton, {}, QPoint(100, 190));  // below the rows
  EXPECT_EQ(spy.count(), 1);
}

}  // namespace
}  // namespace qvt
