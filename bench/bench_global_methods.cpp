// Figures of the shared play list operations on a list of 100,000 songs: the duplicate path
// search that adding songs relies on, and the integrity check.
#include <QDir>
#include <QFile>
#include <QString>
#include <cstdio>
#include <vector>

#include "bench/Bench.h"
#include "bench/BenchPlatform.h"
#include "platform/fakes/FakePlatform.h"
#include "player/startup/GlobalMethods.h"
#include "player/startup/MusicVariables.h"
#include "shared/Processor.h"
#include "tests/support/PlayListOfTheTest.h"
#include "tests/support/VerifyToEnd.h"

namespace {

constexpr int kSongs = 100000;

QString songPath(const QString& folder, int i) {
  return QStringLiteral("%1/Artist %2/Song number %3.mp3").arg(folder).arg(i % 997).arg(i);
}

void setList(const std::vector<QString>& paths) {
  qvt::MusicVariables& mv = qvt::test::PlayList();
  std::vector<QString> names;
  names.reserve(paths.size());
  for (const QString& p : paths)
    names.push_back(p.section('/', -1));
  mv.replaceAll(paths, std::move(names));
}

}  // namespace

QVT_BENCH(findsongpath) {
  qvt::test::PlayList().resetAll();
  std::vector<QString> paths;
  for (int i = 0; i < kSongs; ++i)
    paths.push_back(songPath(QStringLiteral("/home/u/Music"), i));
  setList(paths);
  // Half of the terms are in the list (in another case), half are not.
  std::vector<QString> terms;
  for (int i = 0; i < kSongs; ++i) {
    terms.push_back(i % 2 == 0 ? paths[static_cast<std::size_t>(i)].toUpper()
                               : songPath(QStringLiteral("/home/u/Other"), i));
  }
  int found = 0;
  const double seconds = qvt::bench::Seconds([&] {
    qvt::GlobalMethods::FindSongPath(qvt::test::PlayList(), QStringLiteral("init99999"));
    for (const QString& term : terms)
      found += qvt::GlobalMethods::FindSongPath(qvt::test::PlayList(), term) >= 0;
    qvt::GlobalMethods::FindSongPath(qvt::test::PlayList(), QStringLiteral("stop"));
  });
  if (found != kSongs / 2)
    std::printf("  unexpected: %d found\n", found);
  qvt::bench::Figure(QStringLiteral("findsongpath_100k_x_100k_s"), seconds, QStringLiteral("s"));
  qvt::test::PlayList().resetAll();
}

QVT_BENCH(verify_playlist) {
  qvt::FakePlatform fake;
  qvt::test::PlayList().resetAll();
  if (!qvt::bench::AcceptSongTypes(fake))
    return;
  const QString folder = fake.path(QStringLiteral("songs"));
  QDir().mkpath(folder);
  std::vector<QString> paths;
  for (int i = 0; i < kSongs; ++i) {
    paths.push_back(QStringLiteral("%1/Song %2.mp3").arg(folder).arg(i));
    QFile song(paths.back());
    if (!song.open(QIODevice::WriteOnly))
      return;
  }
  setList(paths);
  qvt::GlobalMethods::SetProcessingVisibility(qvt::platform(), qvt::test::PlayList(), 2);
  const double seconds =
      qvt::bench::Seconds([] { qvt::test::VerifyToEnd(qvt::platform(), qvt::test::PlayList()); });
  if (fake.dialogs.texts() != QStringList{"All songs in the list were found and should work"}) {
    std::printf("  unexpected boxes: %d\n", static_cast<int>(fake.dialogs.shown.size()));
  }
  qvt::bench::Figure(QStringLiteral("verify_100k_s"), seconds, QStringLiteral("s"));
  qvt::GlobalMethods::SetProcessingVisibility(qvt::platform(), qvt::test::PlayList(), 1);
  qvt::test::PlayList().resetAll();
}
