#include "player/playlists/SongListBox.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QScrollBar>
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

// A view of a play list of a million songs keeps its place and its selection when songs go:
// the removal reaches it as rows removed (or, for songs in many places, as rows moved), never
// as a reset, which would scroll it to the top and clear the selection.
TEST(SongListBox, RemovingSongsKeepsTheViewsPlaceAndSelection) {
  constexpr std::size_t kSongs = 1'000'000;
  constexpr int kSelected = 500'000;
  std::vector<std::size_t> scattered;  // songs in far more places than one at a time
  for (std::size_t k = 1; k < kSongs; k += 997)
    scattered.push_back(k);
  const struct {
    const char* removal;
    std::vector<std::size_t> songs;
  } removals[] = {
      {"one song above the view", {10}},
      {"one song below the view", {kSongs - 5}},
      {"a run of songs just above the selection", {499'990, 499'991, 499'992}},
      {"songs in many places", scattered},
  };
  for (const auto& r : removals) {
    SCOPED_TRACE(r.removal);
    MusicVariables mv;
    mv.clear();
    const std::vector<QString> names = Names(static_cast<int>(kSongs));
    mv.appendAll(SongArray(names), SongArray(names));
    SongListBox lst;
    lst.ShowModel(&mv);
    lst.resize(300, 200);
    lst.show();
    lst.SetListIndex(kSelected);
    QApplication::processEvents();
    const int scroll = lst.verticalScrollBar()->value();
    ASSERT_GT(scroll, 0);

    mv.removeSorted(r.songs);
    QApplication::processEvents();
    EXPECT_EQ(mv.dblLastIndex(), static_cast<double>(kSongs - r.songs.size()) - 1);
    EXPECT_EQ(lst.verticalScrollBar()->value(), scroll);
    ASSERT_NE(lst.ListIndex(), -1);
    EXPECT_EQ(lst.List(lst.ListIndex()), names[kSelected]);
    EXPECT_EQ(lst.currentIndex().data().toString(), names[kSelected]);
  }
}

}  // namespace
}  // namespace qvt
