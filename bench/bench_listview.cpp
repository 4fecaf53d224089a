// The play list view on 100,000 songs: opening it from the player's "&View Play List" (load,
// rebuild, marker, selection and the first paint), and the reset after a song change that only
// moves the " - Now Playing" marker, repaint included; then opening it on 1,000,000 songs, and
// the search there for a song at the end of the list.
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <cstdio>

#include "bench/Bench.h"
#include "bench/BenchPlatform.h"
#include "bench/Watchdog.h"
#include "platform/fakes/FakeMediaPlayer.h"
#include "platform/fakes/FakePlatform.h"
#include "platform/linux/LinuxSystem.h"
#include "player/playlists/SongListBox.h"
#include "player/playlists/frmList.h"
#include "player/playlists/frmSearch.h"
#include "player/startup/GlobalMethods.h"
#include "player/startup/MusicVariables.h"
#include "player/window/frmMusic.h"
#include "tests/support/InstalledProgress.h"
#include "tests/support/PlayListOfTheTest.h"
#include "tests/support/PlayerWindowsFixture.h"

namespace {

constexpr int kSongs = 100000;
constexpr int kManySongs = 1000000;

// The view as the user last left it: gone, so that the next opening loads and fills it.
void DiscardView() {
  if (qvt::test::Slot<qvt::frmList>().IsLoaded())
    delete &qvt::test::Slot<qvt::frmList>().Get();
  qvt::test::PlayList().bListWindowOpen = false;
}

// Search/Next Song in the view's search window, the term a fragment (in other letter case) of
// only the name of song `song`: the best of three searches from the start of the list, the
// selection and its paint included.
double SearchSeconds(int song) {
  qvt::test::Slot<qvt::frmList>().Get().cmdSearch->click();
  qvt::frmSearch& search = qvt::test::Slot<qvt::frmSearch>().Get();
  double best = 1e300;
  for (int run = 0; run < 3; ++run) {
    search.txtWord->clear();  // a new term: the search starts again at the first song
    search.txtWord->setText(QStringLiteral("track %1 -").arg(song));
    best = std::min(best, qvt::bench::Seconds([&] {
                      search.cmdNext->click();
                      QCoreApplication::processEvents();
                    }));
  }
  if (search.LastFound() != song)
    std::printf("  unexpected: found %.0f\n", search.LastFound());
  return best;
}

}  // namespace

QVT_BENCH(listview) {
  qvt::bench::EventLoopPlatform services;
  qvt::FakeMediaFactory media;  // the player window's embedded player
  qvt::frmMusic& player = qvt::test::Slot<qvt::frmMusic>().Get();
  qvt::GlobalMethods::SetProcessingVisibility(qvt::platform(), qvt::test::PlayList(),
                                              2);  // no progress window
  qvt::bench::FillPlayList(kSongs, [](int) { return QStringLiteral("/home/user/Music/"); });
  player.SetPosition(kSongs / 2);

  const auto openView = [&] {
    DiscardView();
    player.cmdView->click();
    QCoreApplication::processEvents();  // the first paint
  };
  qvt::bench::Figure("listview_open_100k_s", qvt::bench::BestSeconds(3, openView), "s");

  qvt::frmList& view = qvt::test::Slot<qvt::frmList>().Get();
  int position = 0;
  const double mark = qvt::bench::BestSeconds(20, [&] {
    position = (position + 7919) % kSongs;  // far apart: the view scrolls every time
    player.SetPosition(position);
    view.reset();
    QCoreApplication::processEvents();
  });
  qvt::bench::Figure("listview_mark_ms", 1000 * mark, "ms");

  qvt::bench::FillPlayList(kManySongs, [](int) { return QStringLiteral("/home/user/Music/"); });
  player.SetPosition(kManySongs / 2);
  qvt::bench::Figure("listview_open_1m_s", qvt::bench::BestSeconds(2, openView), "s");
  const qvt::bench::Watchdog searchWatchdog;
  qvt::bench::Figure("search_1m_ms", 1000 * SearchSeconds(kManySongs - 1), "ms");
  qvt::bench::Figure("ui_stall_search_1m_ms", searchWatchdog.longestMs(), "ms");

  qvt::test::UnloadAllWindows();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  qvt::SetProcessingSuppressed(false);
  qvt::test::PlayList().resetAll();
}
