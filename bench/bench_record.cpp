// Record notation speed: a play list of 100,000 songs (two quoted texts per record, about
// 10 MB) written through a temporary file, synced and renamed into place, then read back into
// pre-sized arrays the way the player loads its list.
#include <vector>

#include "bench/Bench.h"
#include "platform/fakes/FakePlatform.h"
#include "shared/RecordNotation.h"

namespace {

constexpr int kSongs = 100000;
constexpr int kRuns = 7;

QString songName(int i) {
  return QStringLiteral("Track %1 - Some Song Title.mp3").arg(i, 5, 10, QLatin1Char('0'));
}

QString songPath(int i) {
  return QStringLiteral("/home/user/Music/Artist %1/Album/").arg(i / 10, 4, 10, QLatin1Char('0')) +
         songName(i);
}

}  // namespace

QVT_BENCH(record_notation) {
  qvt::FakePlatform fake;
  const QString file = fake.path("bench.qvl");
  std::vector<QString> paths(kSongs), names(kSongs);
  for (int i = 0; i < kSongs; ++i) {
    paths[i] = songPath(i);
    names[i] = songName(i);
  }

  const double write = qvt::bench::BestSeconds(kRuns, [&] {
    qvt::RecordWriter writer(qvt::files(), file);
    for (int i = 0; i < kSongs; ++i)
      writer.writePathName(paths[i], names[i]);
    writer.commit();
  });

  std::vector<QString> readPaths(kSongs), readNames(kSongs);
  const double read = qvt::bench::BestSeconds(kRuns, [&] {
    qvt::RecordReader reader(qvt::files(), file);
    for (int i = 0; i < kSongs; ++i) {
      readPaths[i] = reader.readText();
      readNames[i] = reader.readText();
    }
  });
  if (readPaths != paths || readNames != names)
    qFatal("record bench: the list did not read back");

  qvt::bench::Figure("record_write_100k_ms", write * 1000, "ms");
  qvt::bench::Figure("record_read_100k_ms", read * 1000, "ms");
  qvt::bench::Figure("record_file_100k_bytes", double(qvt::RecordReader(qvt::files(), file).size()),
                     "bytes");
}
