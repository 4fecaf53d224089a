// The play list editor on large lists, on the real window (offscreen) with the dialogs
// answering: Add All of a folder of 20,000 files into an empty list and again (every file a
// duplicate), and loading a 100,000-song .qvl, and the same list as an M3U8, into an empty
// list and again (every song a duplicate). Slow loading off, progress windows suppressed.
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <algorithm>

#include "bench/Bench.h"
#include "bench/BenchPlatform.h"
#include "platform/fakes/FakePlatform.h"
#include "platform/linux/LinuxSystem.h"
#include "player/playlists/ForeignList.h"
#include "player/playlists/ListFile.h"
#include "player/playlists/frmChoose.h"
#include "player/startup/MusicVariables.h"
#include "shared/ui/Form.h"
#include "tests/support/InstalledProgress.h"
#include "tests/support/PlayListOfTheTest.h"
#include "tests/support/PlayerWindowsFixture.h"

namespace {

constexpr int kFiles = 20000;
constexpr int kSongs = 100000;
constexpr int kRuns = 3;

void MakeFiles(const QString& folder) {
  QDir().mkpath(folder);
  for (int i = 0; i < kFiles; ++i) {
    QFile f(folder +
            QStringLiteral("/Track %1 - Some Song Title.mp3").arg(i, 5, 10, QLatin1Char('0')));
    f.open(QIODevice::WriteOnly);
  }
}

void MakeListFile(const QString& path) {
  qvt::bench::FillPlayList(kSongs, qvt::bench::AlbumFolder);
  qvt::WriteListFile(qvt::files(), qvt::test::PlayList(), path);
}

// Best of kRuns: an empty list, one click; then the second click on the full list.
void Measure(qvt::frmChoose& w, QPushButton* button, const char* first, const char* again) {
  double best = 1e300;
  double bestAgain = 1e300;
  for (int run = 0; run < kRuns; ++run) {
    qvt::bench::EmptyEditorList(w);
    best = std::min(best, qvt::bench::Seconds([&] { button->click(); }));
    bestAgain = std::min(bestAgain, qvt::bench::Seconds([&] { button->click(); }));
  }
  // What the clicks did: every song in the list once, and the dialogs the last click showed.
  qvt::bench::Figure(
      QString::fromLatin1(first).replace(QStringLiteral("_s"), QStringLiteral("_songs")),
      qvt::test::PlayList().dblLastIndex() + 1, QStringLiteral("songs"));
  qvt::bench::Figure(QString::fromLatin1(first), best, QStringLiteral("s"));
  qvt::bench::Figure(QString::fromLatin1(again), bestAgain, QStringLiteral("s"));
}

}  // namespace

QVT_BENCH(playlists) {
  qvt::bench::EventLoopPlatform services;
  qvt::FakePlatform& fake = services.fake;
  qvt::SetProcessingSuppressed(true);
  qvt::test::PlayList().resetAll();
  qvt::test::PlayList().bLowPriorityLoading = false;
  const QString songs = fake.path(QStringLiteral("songs"));
  const QString lists = fake.path(QStringLiteral("lists"));
  MakeFiles(songs);
  QDir().mkpath(lists);
  MakeListFile(lists + QStringLiteral("/big.qvl"));
  (void)qvt::ExportM3u8(qvt::files(), lists + QStringLiteral("/big.qvl"),
                        lists + QStringLiteral("/big.m3u8"));
  qvt::test::PlayList().setLastIndex(-1);

  qvt::frmChoose& w = qvt::test::Slot<qvt::frmChoose>().Get();
  w.show();
  qvt::bench::ShowEditorFolder(w, songs, QStringLiteral("Track 00000 - Some Song Title.mp3"));
  Measure(w, w.cmdAddAll, "addall_20k_s", "addall_20k_dups_s");
  qvt::bench::ShowEditorFolder(w, lists, QStringLiteral("big.qvl"));
  Measure(w, w.cmdLoad, "qvl_load_100k_s", "qvl_load_100k_dups_s");
  qvt::bench::ShowEditorFolder(w, lists, QStringLiteral("big.m3u8"));
  Measure(w, w.cmdLoad, "m3u8_load_100k_s", "m3u8_load_100k_dups_s");

  qvt::test::UnloadAllWindows();
  qvt::SetProcessingSuppressed(false);
  qvt::test::PlayList().resetAll();
}
