// Songs whose folder moved, on the editor window (offscreen): Find Moved Songs on a list of
// 100,000 songs, every one missing, with a folder of 100,000 files to look in (the existence
// checks, one scan of the folder, the matching and the relinking); Relink Folder on the same
// list. Progress windows suppressed, the dialogs answering.
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <algorithm>

#include "bench/Bench.h"
#include "bench/BenchPlatform.h"
#include "player/playlists/frmChoose.h"
#include "player/startup/MusicVariables.h"
#include "shared/ui/Form.h"
#include "tests/support/InstalledProgress.h"
#include "tests/support/PlayListOfTheTest.h"
#include "tests/support/PlayerWindowsFixture.h"

namespace {

constexpr int kSongs = 100000;
constexpr int kRuns = 3;

// The list's songs as they lie now: the album folders below `root`.
void MakeLibrary(const QString& root) {
  for (int i = 0; i < kSongs; ++i) {
    const QString folder = root + qvt::bench::AlbumFolder(i).mid(QStringLiteral("/home").size());
    if (i % 10 == 0)
      QDir().mkpath(folder);
    QFile(folder + QStringLiteral("Track %1 - Some Song Title.mp3").arg(i))
        .open(QIODevice::WriteOnly);
  }
}

// The best of kRuns clicks, each on the list as it was before the move.
double Measure(qvt::FakePlatform& fake, QPushButton* button, const QString& input,
               const QString& folder) {
  double best = 1e300;
  for (int run = 0; run < kRuns; ++run) {
    qvt::bench::FillPlayList(kSongs, qvt::bench::AlbumFolder);
    if (!input.isEmpty())
      fake.dialogs.inputAnswers = {input};
    fake.dialogs.folderAnswers = {folder};
    fake.dialogs.shown.clear();
    best = std::min(best, qvt::bench::Seconds([&] { button->click(); }));
  }
  return best;
}

}  // namespace

QVT_BENCH(moved_songs) {
  qvt::bench::EventLoopPlatform services;
  qvt::FakePlatform& fake = services.fake;
  qvt::SetProcessingSuppressed(true);
  qvt::test::PlayList().resetAll();
  const QString moved = fake.path(QStringLiteral("moved"));
  MakeLibrary(moved);
  qvt::frmChoose& w = qvt::test::Slot<qvt::frmChoose>().Get();
  w.show();

  const double find = Measure(fake, w.cmdFindMoved, QString(), moved);
  // What the clicks did: every song relinked into the folder the files moved to.
  const auto relinked = std::count_if(qvt::test::PlayList().sSongPaths().begin(),
                                      qvt::test::PlayList().sSongPaths().end(),
                                      [&](const QString& p) { return p.startsWith(moved); });
  qvt::bench::Figure(QStringLiteral("find_moved_100k_found"), static_cast<double>(relinked),
                     QStringLiteral("songs"));
  qvt::bench::Figure(QStringLiteral("find_moved_100k_s"), find, QStringLiteral("s"));
  const double relink = Measure(fake, w.cmdRelink, QStringLiteral("/home/user/Music"),
                                moved + QStringLiteral("/user/Music"));
  qvt::bench::Figure(QStringLiteral("relink_100k_ms"), relink * 1000, QStringLiteral("ms"));

  qvt::test::UnloadAllWindows();
  qvt::SetProcessingSuppressed(false);
  qvt::test::PlayList().resetAll();
}
