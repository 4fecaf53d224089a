// The play list editor (offscreen, the dialogs answering, progress windows on screen as the
// user has them) on folders of hard-linked songs: Add All of 100,000 files; then, on 1,000,000
// files, Add All, Verify List, loading the list saved as a .qvl and opening the folder in the
// file box and in the folder box, each timed while a watchdog notes the longest time the window
// thread went without a pass of its event loop; then one song added to the list of a million. About
// 50 s on two busy cores, half of it making and removing the files.
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QPushButton>
#include <algorithm>
#include <cstdio>
#include <functional>

#include "bench/Bench.h"
#include "bench/BenchPlatform.h"
#include "bench/LinkedSongs.h"
#include "bench/Watchdog.h"
#include "player/playlists/DirListBox.h"
#include "player/playlists/FileListBox.h"
#include "player/playlists/ListFile.h"
#include "player/playlists/frmChoose.h"
#include "player/startup/MusicVariables.h"
#include "player/startup/SongSearch.h"
#include "shared/ui/Form.h"
#include "shared/ui/ProgressWindows.h"
#include "tests/support/PlayListOfTheTest.h"
#include "tests/support/PlayerWindowsFixture.h"

namespace {

constexpr int kHundredThousand = 100000;
constexpr int kMillion = 1000000;
constexpr int kRuns = 2;

struct Click {
  double seconds = 1e300;
  double stallMs = 1e300;
};

// The best of kRuns clicks, each after `prepare`: the machine's own load only adds to both. An
// operation that goes on as a job after the click is timed to its end, the event loop running.
Click Measure(QPushButton* button, const std::function<void()>& prepare,
              const std::function<bool()>& jobRunning = {}) {
  Click best;
  for (int run = 0; run < kRuns; ++run) {
    prepare();
    const qvt::bench::Watchdog watchdog;
    best.seconds = std::min(best.seconds, qvt::bench::Seconds([&] {
                              button->click();
                              while (jobRunning && jobRunning())
                                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
                            }));
    // The passes after the click: the repaints of what it changed.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    best.stallMs = std::min(best.stallMs, watchdog.longestMs());
  }
  return best;
}

// A box opening a folder: its time, and the longest stall of the windows meanwhile and in the
// repaint of the new entries after it.
Click Open(const std::function<void()>& open) {
  const qvt::bench::Watchdog watchdog;
  Click opened;
  opened.seconds = qvt::bench::Seconds(open);
  QCoreApplication::processEvents();
  opened.stallMs = watchdog.longestMs();
  return opened;
}

void ExpectSongs(int songs) {
  const double listed = qvt::test::PlayList().dblLastIndex() + 1;
  if (listed != songs)
    std::printf("  unexpected: %.0f songs in the list, not %d\n", listed, songs);
}

}  // namespace

QVT_BENCH(editor_million) {
  qvt::bench::EventLoopPlatform services;
  qvt::FakePlatform& fake = services.fake;
  qvt::platform().progressWindows = &qvt::test::ProgressWindows();
  qvt::bench::AcceptSongTypes(fake);
  qvt::test::PlayList().resetAll();
  qvt::frmChoose& w = qvt::test::Slot<qvt::frmChoose>().Get();
  w.show();
  const auto emptyList = [&] { qvt::bench::EmptyEditorList(w); };

  {
    const qvt::bench::LinkedSongs songs(fake.path(QStringLiteral("100k")), kHundredThousand);
    qvt::bench::ShowEditorFolder(w, songs.folder(), songs.name(0));
    qvt::bench::Figure("addall_100k_s", Measure(w.cmdAddAll, emptyList).seconds, "s");
    ExpectSongs(kHundredThousand);
  }

  const qvt::bench::LinkedSongs songs(fake.path(QStringLiteral("1m")), kMillion);
  const Click fileBox = Open([&] { w.filDisplay->SetPath(songs.folder()); });
  qvt::bench::Figure("filebox_open_1m_s", fileBox.seconds, "s");
  // The file box lists that folder already, so the folder box's change does not read it again.
  const Click dirBox = Open([&] { w.dirDisplay->SetPath(songs.folder()); });
  if (w.dirDisplay->Path() != songs.folder())
    std::printf("  unexpected: the folder box shows %s\n", qPrintable(w.dirDisplay->Path()));
  qvt::bench::Figure("dirbox_open_1m_s", dirBox.seconds, "s");
  qvt::bench::ShowEditorFolder(w, songs.folder(), songs.name(0));
  const Click addAll = Measure(w.cmdAddAll, emptyList);
  ExpectSongs(kMillion);
  const Click verify = Measure(
      w.cmdVerify, [] {}, [&w] { return w.JobRunning(); });
  const QStringList boxes = fake.dialogs.texts();
  if (boxes.isEmpty() ||
      boxes.last() != QStringLiteral("All songs in the list were found and should work"))
    std::printf("  unexpected: %s\n", qPrintable(boxes.join(QLatin1Char('|'))));

  const QString lists = fake.path(QStringLiteral("lists"));
  QDir().mkpath(lists);
  qvt::WriteListFile(qvt::files(), qvt::test::PlayList(), lists + QStringLiteral("/million.qvl"));
  qvt::bench::ShowEditorFolder(w, lists, QStringLiteral("million.qvl"));
  const Click load = Measure(w.cmdLoad, emptyList);
  ExpectSongs(kMillion);
  // One more song for the list of a million just loaded: the duplicate test meets a list that
  // it has not seen yet.
  qvt::bench::ShowEditorFolder(w, songs.folder(), songs.name(0));
  const Click addOne =
      Measure(w.cmdAdd, [] { qvt::GlobalMethods::ResetSearchState(qvt::test::PlayList()); });

  qvt::bench::Figure("addall_1m_s", addAll.seconds, "s");
  qvt::bench::Figure("verify_1m_s", verify.seconds, "s");
  qvt::bench::Figure("qvl_load_1m_s", load.seconds, "s");
  qvt::bench::Figure("ui_stall_addall_1m_ms", addAll.stallMs, "ms");
  qvt::bench::Figure("ui_stall_verify_1m_ms", verify.stallMs, "ms");
  qvt::bench::Figure("ui_stall_load_1m_ms", load.stallMs, "ms");
  qvt::bench::Figure("ui_stall_filebox_1m_ms", fileBox.stallMs, "ms");
  qvt::bench::Figure("ui_stall_dirbox_1m_ms", dirBox.stallMs, "ms");
  qvt::bench::Figure("add_to_1m_s", addOne.seconds, "s");
  qvt::bench::Figure("ui_stall_add_to_1m_ms", addOne.stallMs, "ms");
  qvt::bench::Figure("ui_stall_max_ms",
                     std::max({addAll.stallMs, verify.stallMs, load.stallMs, fileBox.stallMs,
                               dirBox.stallMs, addOne.stallMs}),
                     "ms");

  qvt::test::UnloadAllWindows();
  qvt::test::PlayList().resetAll();
}
