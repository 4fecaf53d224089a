// The play list view as a user meets it: the list with the song now playing marked, rebuilds
// with and without progress, the marker following the song, Select and double click, the saved
// size, the layout on resize, docking of the search window and the player's "&View Play List".
#include <gtest/gtest.h>
#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

#include "player/playlists/ListViewLogic.h"
#include "player/playlists/SongListBox.h"
#include "player/playlists/frmList.h"
#include "player/playlists/frmSearch.h"
#include "player/window/frmMusic.h"
#include "shared/Twips.h"
#include "tests/support/PlayListOfTheTest.h"
#include "tests/support/PlayerWindowsFixture.h"
#include "tests/support/ProgressRecorder.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WindowTest.h"

using namespace qvt;

namespace {

class FrmListTest : public test::WindowTest {
 protected:
  // The player window with a play list of `count` songs named "Song <i>.mp3", at `position`.
  frmMusic& Player(int count, double position = 0) {
    frmMusic& player = test::Slot<frmMusic>().Get();
    fake.dialogs.shown.clear();  // the first run's welcome
    SetSongs(count);
    player.SetPosition(position);
    return player;
  }
  static void SetSongs(int count) {
    std::vector<QString> names;
    std::vector<QString> paths;
    for (int i = 0; i < count; ++i) {
      names.push_back(QStringLiteral("Song %1.mp3").arg(i));
      paths.push_back(QStringLiteral("/music/Song %1.mp3").arg(i));
    }
    test::PlayList().replaceAll(paths, names);
  }
  static QString Entry(const frmList& view, int i) { return view.lstList->List(i); }
  // Song `marked` is the one marked now playing, selected and named in the title and status
  // bar; song `plain` is shown without the mark.
  static void ExpectMarked(const frmList& view, int plain, int marked) {
    EXPECT_EQ(Entry(view, plain), QStringLiteral("Song %1.mp3").arg(plain));
    EXPECT_EQ(Entry(view, marked), QStringLiteral("Song %1.mp3 - Now Playing").arg(marked));
    EXPECT_EQ(view.lstList->ListIndex(), marked);
    EXPECT_EQ(view.MarkedIndex(), marked);
    EXPECT_EQ(view.windowTitle(),
              QStringLiteral("Play List - Now Playing - Song %1.mp3").arg(marked));
    EXPECT_EQ(view.StatusText(), QStringLiteral("Now Playing - Song %1.mp3").arg(marked));
  }
  QString ConfigPath() const { return fake.path("listViewConfig.qvs"); }
  static QString Shots() {
    QDir().mkpath(QStringLiteral(QVT_BINARY_DIR "/screenshots"));
    return QStringLiteral(QVT_BINARY_DIR "/screenshots/");
  }
};

TEST_F(FrmListTest, OpensWithEverySongAndTheCurrentOneMarked) {
  Player(20, 3);
  frmList& view = test::Slot<frmList>().Get();
  EXPECT_TRUE(test::PlayList().bListWindowOpen);
  ASSERT_EQ(view.lstList->ListCount(), 20);
  ExpectMarked(view, 2, 3);
  EXPECT_EQ(test::PlayList().dblListShownLastIndex, 19);
  EXPECT_EQ(view.cmdPlay->text(), "Select");
  EXPECT_EQ(view.cmdSearch->text(), "Search");
  EXPECT_EQ(view.cmdCancel->text(), "Done");
  EXPECT_EQ(view.stbList->toolTip(), "Double Click Here to highlight currently playing song");
  EXPECT_EQ(view.size(), QSize(356, 359)) << "design size without a saved one";
  view.show();
  view.grab().save(Shots() + "frmList.png");
}

TEST_F(FrmListTest, ProgressWindowOnlyForLongListsWhileThePlayerIsNotMinimised) {
  struct Row {
    int songs;
    bool minimised;
    bool shown;
  } rows[] = {{501, false, false}, {502, false, true}, {502, true, false}};
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.songs << (r.minimised ? " minimised" : ""));
    frmMusic& player = Player(r.songs, 7);
    player.show();
    if (r.minimised)
      player.showMinimized();
    ProgressRecorder progress;
    frmList& view = test::Slot<frmList>().Get();
    EXPECT_EQ(progress.count(ProgressRecorder::Op::Show, ProgressWindow::Bar), r.shown ? 1 : 0);
    EXPECT_EQ(test::PlayList().bListRefreshPending, r.minimised);
    EXPECT_EQ(view.lstList->ListCount(), r.songs);
    EXPECT_EQ(Entry(view, 7), "Song 7.mp3 - Now Playing");
    if (r.shown) {
      const QStringList texts = progress.texts(ProgressWindow::Bar);
      ASSERT_EQ(texts.size(), r.songs + 1);
      EXPECT_EQ(texts.front(), "Starting to fill visual list");
      EXPECT_EQ(texts.back(), "Finalizing List...\r\nSong 501.mp3");
      EXPECT_TRUE(progress.log().contains("range bar: 0..500"))
          << progress.log().join("|").left(200).toStdString();
      EXPECT_FALSE(progress.bar.bVisible) << "hidden at the end";
    }
    test::UnloadAllWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    test::PlayList().resetAll();
  }
}

// Closing the list window while it goes through a long list ends the pass at once: the window
// closes, and the progress window with it.
TEST_F(FrmListTest, ClosingTheWindowDuringTheFillEndsIt) {
  Player(5000, 7).show();
  ProgressRecorder progress;
  int texts = 0;
  progress.onText = [&](const QString&) {
    if (++texts == 10)
      test::Slot<frmList>().Loaded()->close();
  };
  test::Slot<frmList>().Get();
  progress.onText = nullptr;
  EXPECT_EQ(texts, 10);
  EXPECT_FALSE(test::PlayList().bListWindowOpen);
  EXPECT_FALSE(progress.bar.bVisible);
}

TEST_F(FrmListTest, RestoringTheMinimisedPlayerMarksTheSongThatStartedMeanwhile) {
  frmMusic& player = Player(10, 1);
  player.show();
  player.showMinimized();
  frmList& view = test::Slot<frmList>().Get();
  ASSERT_TRUE(test::PlayList().bListRefreshPending);
  player.SetPosition(6);  // changed without a reset
  player.showNormal();
  EXPECT_FALSE(test::PlayList().bListRefreshPending);
  EXPECT_EQ(Entry(view, 1), "Song 1.mp3");
  EXPECT_EQ(Entry(view, 6), "Song 6.mp3 - Now Playing");
  EXPECT_EQ(view.StatusText(), "Now Playing - Song 6.mp3");
}

TEST_F(FrmListTest, TheMarkerFollowsTheSongThatStarts) {
  frmMusic& player = Player(10, 2);
  frmList& view = test::Slot<frmList>().Get();
  player.StartPlay(5);
  ExpectMarked(view, 2, 5);
}

// The view learns of a change from the list's change count, not its size.
TEST_F(FrmListTest, AnEditRebuildsWhateverTheSize) {
  frmMusic& player = Player(4, 0);
  frmList& view = test::Slot<frmList>().Get();
  const QStringList renamed = {"A", "B", "C", "D"};
  for (std::size_t i = 0; i < 4; ++i)
    test::PlayList().setSongName(i, renamed[static_cast<int>(i)]);
  player.SetPosition(1);
  view.reset();
  EXPECT_EQ(Entry(view, 0), "A");
  EXPECT_EQ(Entry(view, 1), "B - Now Playing");
  EXPECT_EQ(Entry(view, 2), "C") << "same size, other names: rebuilt";

  test::PlayList().append("/music/E", "E");
  view.reset();
  ASSERT_EQ(view.lstList->ListCount(), 5);
  EXPECT_EQ(Entry(view, 2), "C");
  EXPECT_EQ(Entry(view, 4), "E");
  EXPECT_EQ(test::PlayList().dblListShownLastIndex, 4);
}

// A list that was emptied (no play list) or never filled is filled even when the new play
// list has the size of the last rebuild.
TEST_F(FrmListTest, AnEmptiedViewIsFilledAgainForAListOfTheOldSize) {
  Player(1, 0);
  frmList& view = test::Slot<frmList>().Get();
  EXPECT_EQ(view.lstList->ListCount(), 1) << "one song: last index 0 as at the start";
  test::PlayList().setLastIndex(-1);
  view.reset();
  EXPECT_EQ(view.lstList->ListCount(), 0);
  EXPECT_EQ(view.StatusText(), "No List Loaded");
  test::PlayList().setLastIndex(0);
  view.reset();
  ASSERT_EQ(view.lstList->ListCount(), 1);
  EXPECT_EQ(Entry(view, 0), "Song 0.mp3 - Now Playing");
}

TEST_F(FrmListTest, WithoutAPlayListEveryActionSaysSo) {
  Player(0);
  frmList& view = test::Slot<frmList>().Get();
  view.show();
  EXPECT_EQ(view.StatusText(), "No List Loaded");
  QTest::mouseClick(view.cmdPlay, Qt::LeftButton);
  QTest::mouseClick(view.cmdSearch, Qt::LeftButton);
  QTest::mouseDClick(view.lstList->viewport(), Qt::LeftButton);
  EXPECT_EQ(fake.dialogs.texts(),
            QStringList({"No play list loaded", "No play list loaded", "No playlist loaded"}));
  EXPECT_FALSE(test::Slot<frmSearch>().IsLoaded());
}

TEST_F(FrmListTest, SelectAndDoubleClickStartTheChosenSong) {
  frmMusic& player = Player(10, 4);
  frmList& view = test::Slot<frmList>().Get();
  view.show();
  view.lstList->SetListIndex(-1);
  QTest::mouseClick(view.cmdPlay, Qt::LeftButton);
  EXPECT_EQ(player.Position(), 0) << "nothing selected: the first song";
  EXPECT_EQ(player.lblCurrentSong->text(), "Song 0.mp3");
  EXPECT_EQ(Entry(view, 0), "Song 0.mp3 - Now Playing");

  view.lstList->SetListIndex(3);
  QTest::mouseClick(view.cmdPlay, Qt::LeftButton);
  EXPECT_EQ(player.Position(), 3);

  const QRect row = view.lstList->visualRect(view.lstList->model()->index(6, 0));
  QTest::mouseDClick(view.lstList->viewport(), Qt::LeftButton, {}, row.center());
  EXPECT_EQ(player.Position(), 6);
  EXPECT_EQ(view.StatusText(), "Now Playing - Song 6.mp3");
  EXPECT_TRUE(fake.dialogs.shown.empty());
}

TEST_F(FrmListTest, DoubleClickOnTheStatusBarMarksTheCurrentSong) {
  frmMusic& player = Player(5, 0);
  frmList& view = test::Slot<frmList>().Get();
  view.show();
  player.SetPosition(2);
  QTest::mouseDClick(view.stbList->findChild<QLabel*>(), Qt::LeftButton);
  EXPECT_EQ(Entry(view, 2), "Song 2.mp3 - Now Playing");
  EXPECT_EQ(view.lstList->ListIndex(), 2);
}

TEST_F(FrmListTest, ViewPlayListShowsTheViewWithTheCurrentSongSelected) {
  frmMusic& player = Player(8, 5);
  player.show();
  QTest::mouseClick(player.cmdView, Qt::LeftButton);
  ASSERT_TRUE(test::Slot<frmList>().IsLoaded());
  frmList& view = test::Slot<frmList>().Get();
  EXPECT_TRUE(view.isVisible());
  EXPECT_TRUE(test::PlayList().bListWindowOpen);
  EXPECT_EQ(view.lstList->ListIndex(), 5);
  EXPECT_EQ(Entry(view, 5), "Song 5.mp3 - Now Playing");
}

TEST_F(FrmListTest, ClosingHidesKeepsTheWindowLoadedAndItsSizeSurvivesARestart) {
  frmMusic& player = Player(3, 0);
  frmList& view = test::Slot<frmList>().Get();
  view.show();
  view.SetHeight(6000);
  view.SetWidth(7500);
  view.close();  // the close box
  EXPECT_FALSE(view.isVisible());
  EXPECT_TRUE(test::Slot<frmList>().IsLoaded());
  EXPECT_FALSE(test::PlayList().bListWindowOpen);
  EXPECT_EQ(test::ReadAll(ConfigPath()), "6000,7500\r\n");

  QTest::mouseClick(player.cmdView, Qt::LeftButton);
  EXPECT_EQ(&test::Slot<frmList>().Get(), &view) << "the same window again";
  EXPECT_EQ(view.Height(), 6000);
  EXPECT_EQ(view.Width(), 7500);
  EXPECT_TRUE(test::PlayList().bListWindowOpen);

  // A restart: every window gone without its handlers, the view loaded afresh.
  test::UnloadAllWindows();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  Player(3, 0);
  frmList& again = test::Slot<frmList>().Get();
  EXPECT_EQ(again.Height(), 6000);
  EXPECT_EQ(again.Width(), 7500);
}

TEST_F(FrmListTest, ASavedSizeThatCannotBeReadKeepsTheDesignSize) {
  const char* files[] = {"40000,7500\r\n", "6000\r\n", "tall,wide\r\n", "0,7500\r\n"};
  for (const char* file : files) {
    SCOPED_TRACE(file);
    ASSERT_TRUE(test::WriteAll(ConfigPath(), file));
    Player(3, 0);
    frmList& view = test::Slot<frmList>().Get();
    EXPECT_EQ(view.size(), QSize(356, 359));
    EXPECT_EQ(view.lstList->ListCount(), 3) << "filled normally";
    test::UnloadAllWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

TEST_F(FrmListTest, TheControlsFollowTheWindowSizeAndKeepTheirPlaceWhenTooSmall) {
  Player(3, 0);
  frmList& view = test::Slot<frmList>().Get();
  view.show();
  view.resize(480, 600);
  // The layout works on the outer size, frame included.
  const double W = view.Width();
  const double H = view.Height();
  const double B = view.cmdPlay->height() * 15.0;
  const double S = view.stbList->height() * 15.0;
  const auto px = [](double twips) { return qRound(twips / 15); };
  const int top = px(H - B - 500 - S);
  const int width = px(W / 4);
  const int left = px((W - W / 4) / 8);
  EXPECT_EQ(view.lstList->geometry(), QRect(px(50), px(10), px(W - 200), top));
  EXPECT_EQ(view.cmdPlay->geometry(), QRect(left, top, width, px(B)));
  EXPECT_EQ(view.cmdSearch->geometry(), QRect(px((W - W / 4) / 8 + W / 4 + 50), top, width, px(B)));
  EXPECT_EQ(view.cmdCancel->geometry(),
            QRect(px((W - W / 4) / 8 + 2 * (W / 4 + 50)), top, width, px(B)));
  EXPECT_EQ(view.stbList->geometry(), QRect(0, 600 - px(S), 480, px(S)));
  EXPECT_LT(view.cmdCancel->geometry().right(), 480) << "Select, Search, Done fit side by side";
  const QRect list = view.lstList->geometry();
  view.resize(200, 40);  // too low for the list: it keeps its size
  EXPECT_EQ(view.lstList->geometry(), list);
  EXPECT_EQ(view.cmdPlay->width(), qRound(view.Width() / 4 / 15));
}

TEST_F(FrmListTest, TheSearchWindowDocksAtTheRightEdgeAndClosesWithTheView) {
  struct Row {
    int screenWidth;  // pixels
    bool narrowed;
  } rows[] = {{1024, false}, {500, true}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.screenWidth);
    fake.screen.width = r.screenWidth;
    Player(20, 4);
    frmList& view = test::Slot<frmList>().Get();
    view.show();
    view.move(30, 40);
    QTest::mouseClick(view.cmdSearch, Qt::LeftButton);
    ASSERT_TRUE(test::Slot<frmSearch>().IsLoaded());
    frmSearch& search = test::Slot<frmSearch>().Get();
    EXPECT_TRUE(search.isVisible());
    if (r.narrowed) {
      EXPECT_EQ(view.Width(), TwipsOf(r.screenWidth) - search.Width());
      EXPECT_EQ(view.Left(), 0);
    } else {
      EXPECT_EQ(view.width(), 356);
      EXPECT_EQ(view.pos(), QPoint(30, 40)) << "it stays where it was";
    }
    EXPECT_EQ(search.frameGeometry().topLeft(),
              QPoint(view.frameGeometry().right() + 1, view.frameGeometry().top()));
    if (!r.narrowed) {
      QPixmap both(view.width() + search.width(), view.height());
      both.fill(Qt::white);
      QPainter painter(&both);
      painter.drawPixmap(0, 0, view.grab());
      painter.drawPixmap(view.width(), 33, search.grab());
      painter.end();
      both.save(Shots() + "frmSearch.png");
    }
    QTest::mouseClick(view.cmdCancel, Qt::LeftButton);
    EXPECT_FALSE(view.isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(test::Slot<frmSearch>().IsLoaded());
    test::UnloadAllWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

TEST(ListViewDock, OpeningNarrowsAndMovesTheViewOnlyWhenBothDoNotFit) {
  struct Row {
    double left, width, screen;
    ListView::Dock expected;
  } rows[] = {
      // Side by side with room to spare.
      {1000, 5000, 15000, {1000, 5000, 6000, 700}},
      // Too wide together: the view takes what the search window leaves, at the left edge.
      {1000, 12000, 15000, {0, 11000, 11000, 700}},
      // Fits, but the search window would leave the screen: the same squeeze.
      {8000, 5000, 15000, {0, 11000, 11000, 700}},
  };
  for (const Row& r : rows) {
    const ListView::Dock d = ListView::DockOnOpen(r.left, 200, r.width, 4000, r.screen);
    EXPECT_EQ(d.listLeft, r.expected.listLeft);
    EXPECT_EQ(d.listWidth, r.expected.listWidth);
    EXPECT_EQ(d.searchLeft, r.expected.searchLeft);
    EXPECT_EQ(d.searchTop, r.expected.searchTop);
  }
  const ListView::Dock resized = ListView::DockOnResize(2000, 100, 12000, 4000, 15000);
  EXPECT_EQ(resized.listWidth, 11000);
  EXPECT_EQ(resized.searchLeft, 14000) << "docked at the edge before the view narrows";
  EXPECT_EQ(resized.searchTop, 600);
}

}  // namespace
