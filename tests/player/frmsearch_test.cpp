// The song search beside the play list view: each press selects the next name containing the
// term, without regard to letter case and without wrapping round; a changed term starts again.
#include <gtest/gtest.h>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "player/playlists/SongListBox.h"
#include "player/playlists/frmList.h"
#include "player/playlists/frmSearch.h"
#include "player/startup/GlobalMethods.h"
#include "player/window/frmMusic.h"
#include "tests/support/PlayListOfTheTest.h"
#include "tests/support/PlayerWindowsFixture.h"
#include "tests/support/WindowTest.h"

using namespace qvt;

namespace {

const QStringList kExample = {"My Favorite Song.mp3", "Intro.mp3", "songbird.wav"};

class FrmSearchTest : public test::WindowTest {
 protected:
  // The player with the play list `names`, its list view, and the search window opened there.
  frmSearch& Open(const QStringList& names = kExample) {
    test::Slot<frmMusic>().Get();
    fake.dialogs.shown.clear();  // the first run's welcome
    std::vector<QString> list(names.begin(), names.end());
    test::PlayList().replaceAll(list, list);
    frmList& view = test::Slot<frmList>().Get();
    view.show();
    QTest::mouseClick(view.cmdSearch, Qt::LeftButton);
    return test::Slot<frmSearch>().Get();
  }
  // Presses "&Search/Next Song" once for each entry of the result; -1 means the "No results
  // found" box. Returns the selections seen.
  std::vector<int> Presses(frmSearch& search, int count) {
    std::vector<int> seen;
    for (int i = 0; i < count; ++i) {
      const std::size_t boxes = fake.dialogs.shown.size();
      QTest::mouseClick(search.cmdNext, Qt::LeftButton);
      const int selected = test::Slot<frmList>().Get().lstList->ListIndex();
      if (fake.dialogs.shown.size() > boxes) {
        const MessageBoxSpec& box = fake.dialogs.shown.back();
        EXPECT_EQ(box.text, "No results found");
        EXPECT_EQ(box.title, "No Results");
        EXPECT_EQ(box.buttons, MsgButtons::OkOnly);
        EXPECT_EQ(selected, -1) << "no match clears the selection";
        seen.push_back(-1);
      } else {
        seen.push_back(selected);
      }
    }
    return seen;
  }
};

TEST_F(FrmSearchTest, ControlsAsDesigned) {
  frmSearch& search = Open();
  EXPECT_EQ(search.windowTitle(), "Song Search");
  EXPECT_EQ(search.size(), QSize(255, 202));
  EXPECT_TRUE(search.Label1->text().startsWith(
      "Enter a letter, word, or phraze to search song names for.  Casing does not matter.  "));
  EXPECT_TRUE(search.Label1->text().endsWith("'My Favorite Song.mp3' will be found."));
  EXPECT_EQ(search.Label1->font().family(), "Tahoma");
  EXPECT_EQ(search.txtWord->text(), "");
  EXPECT_EQ(search.cmdNext->text(), "&Search/Next Song");
  EXPECT_EQ(search.cmdDone->text(), "&Done");
  EXPECT_TRUE(search.cmdNext->isDefault());
  EXPECT_EQ(search.txtWord->nextInFocusChain(), search.cmdNext);
  EXPECT_EQ(search.LastFound(), -1);
}

TEST_F(FrmSearchTest, EachPressFindsTheNextMatchThenNoneThenStartsAgain) {
  frmSearch& search = Open();
  QTest::keyClicks(search.txtWord, "song");
  EXPECT_EQ(Presses(search, 4), std::vector<int>({0, 2, -1, 0}));
  // Enter in the text box presses the default button.
  QTest::keyClick(search.txtWord, Qt::Key_Return);
  EXPECT_EQ(test::Slot<frmList>().Get().lstList->ListIndex(), 2);
}

TEST_F(FrmSearchTest, TermsFindTheSameNamesInAnyLetterCase) {
  for (const char* term : {"SONG", "Song", "song"}) {
    SCOPED_TRACE(term);
    frmSearch& search = Open();
    search.txtWord->setText(term);
    EXPECT_EQ(Presses(search, 3), std::vector<int>({0, 2, -1}));
    test::UnloadAllWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

TEST_F(FrmSearchTest, ChangingTheTermStartsAtTheFirstSong) {
  frmSearch& search = Open({"ab", "b", "ab", "b"});
  search.txtWord->setText("b");
  EXPECT_EQ(Presses(search, 3), std::vector<int>({0, 1, 2}));
  search.txtWord->setText("ab");
  EXPECT_EQ(search.LastFound(), -1);
  EXPECT_EQ(Presses(search, 1), std::vector<int>({0}));
}

TEST_F(FrmSearchTest, AnEmptyTermMatchesEverySongInTurn) {
  frmSearch& search = Open();
  EXPECT_EQ(Presses(search, 4), std::vector<int>({0, 1, 2, -1}));
}

TEST_F(FrmSearchTest, TermsThatReadAsSearchCommandsFindNothing) {
  frmSearch& search = Open({"initial.mp3", "stop it.mp3", "Intro.mp3"});
  struct Row {
    const char* term;
    int found;
  } rows[] = {{"init", -1}, {"initial", -1}, {"stop", -1}, {"stop it", -1}, {"Init", 0}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.term);
    search.txtWord->setText(r.term);
    EXPECT_EQ(Presses(search, 1), std::vector<int>({r.found}));
  }
}

// A long list is scanned while the windows answer: the answer names the list as it stands
// afterwards, and a term typed meanwhile drops it.
TEST_F(FrmSearchTest, ALongListIsSearchedWhileTheWindowsAnswer) {
  QStringList names;
  for (int i = 0; i < 40000; ++i)
    names << (i == 15000 || i == 38000 ? "needle" : "hay");
  frmSearch& search = Open(names);
  search.txtWord->setText("needle");
  fake.eventLoop.onPass = [] {
    if (test::PlayList().dblLastIndex() == 39999)
      GlobalMethods::RemoveSongAt(test::PlayList(), 0);  // the player drops a song meanwhile
  };
  EXPECT_EQ(Presses(search, 1), std::vector<int>({14999}));
  fake.eventLoop.onPass = [&search] { search.txtWord->setText("hay"); };
  const std::size_t boxes = fake.dialogs.shown.size();
  QTest::mouseClick(search.cmdNext, Qt::LeftButton);
  fake.eventLoop.onPass = nullptr;
  EXPECT_EQ(search.LastFound(), -1);
  EXPECT_EQ(fake.dialogs.shown.size(), boxes);
  EXPECT_EQ(Presses(search, 1), std::vector<int>({0}));
}

TEST_F(FrmSearchTest, DoneUnloadsTheSearchWindowOnly) {
  frmSearch& search = Open();
  QTest::mouseClick(search.cmdDone, Qt::LeftButton);
  EXPECT_FALSE(test::Slot<frmSearch>().IsLoaded());
  EXPECT_TRUE(test::Slot<frmList>().Get().isVisible());
}

}  // namespace
