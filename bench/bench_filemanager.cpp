// clsFileManager: writing and reading value lines, and reading one very long line.
#include <QFile>

#include "bench/Bench.h"
#include "platform/fakes/FakePlatform.h"
#include "shared/FileManager.h"

namespace {

constexpr int kLines = 100000;

void writeLines(const QString& path) {
  qvt::clsFileManager fm(qvt::platform());
  fm.OpenFile(path, 2, true);
  for (int i = 0; i < kLines; ++i) {
    fm.SaveVariable(QStringLiteral("/home/user/Music/Artist/Album/Song %1.mp3").arg(i), true);
    fm.SaveVariable(int32_t(i), true);
    fm.SaveVariable(i * 0.25, true);
    fm.SaveVariable(i % 2 == 0, true);
    fm.WriteLineToFile(true);
  }
  fm.CloseFile(true);
}

double readLines(const QString& path) {
  qvt::clsFileManager fm(qvt::platform());
  fm.OpenFile(path, 1, true);
  double sum = 0;
  while (fm.ReadNextLine()) {
    for (int16_t i = 0; i < 4; ++i) {
      const qvt::Variant v = fm.GetVarFromFile(i, true);
      if (v.isDouble())
        sum += v.toDouble();
    }
  }
  fm.CloseFile(true);
  return sum;
}

}  // namespace

QVT_BENCH(file_manager) {
  qvt::FakePlatform fake;
  const QString path = fake.path("bench.qvs");
  const double writeSeconds = qvt::bench::BestSeconds(3, [&] { writeLines(path); });
  qvt::bench::Figure("value_lines_write_100k_ms", writeSeconds * 1000, "ms");
  const double readSeconds = qvt::bench::BestSeconds(3, [&] { readLines(path); });
  qvt::bench::Figure("value_lines_read_100k_ms", readSeconds * 1000, "ms");

  const QString longPath = fake.path("long.qvs");
  {
    QFile file(longPath);
    file.open(QIODevice::WriteOnly);
    file.write(QByteArray(16 << 20, ','));
  }
  const double longSeconds = qvt::bench::BestSeconds(3, [&] {
    qvt::clsFileManager fm(qvt::platform());
    fm.OpenFile(longPath, 1, true);
    fm.ReadNextLine();
    fm.GetVarFromFile(32767, true);
    fm.CloseFile(true);
  });
  qvt::bench::Figure("line_16mb_commas_read_ms", longSeconds * 1000, "ms");
}
