// The file box on large folders: listing 20,000 and 100,000 files (all names, then a pattern
// that keeps a tenth), painting the first screen of 100,000 names, and the folder box on a
// folder with 2,000 subfolders.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "bench/Bench.h"
#include "platform/fakes/FakePlatform.h"
#include "player/playlists/DirListBox.h"
#include "player/playlists/FileListBox.h"

namespace {

void MakeFiles(const QString& folder, int count) {
  QDir().mkpath(folder);
  for (int i = 0; i < count; ++i) {
    const char* ext = i % 10 == 0 ? ".wav" : ".mp3";
    QFile f(folder + QStringLiteral("/Song %1").arg(count - i, 6, 10, QLatin1Char('0')) + ext);
    f.open(QIODevice::WriteOnly);
  }
}

void FileBoxFigures(const QString& folder, int count) {
  qvt::FileListBox box(qvt::platform());
  box.resize(300, 600);
  const double all = qvt::bench::BestSeconds(3, [&] {
    box.SetPath(QStringLiteral("/"));
    box.SetPath(folder);
  });
  const double wav = qvt::bench::BestSeconds(3, [&] {
    box.SetPattern(QStringLiteral("*.mp3"));
    box.SetPattern(QStringLiteral("*.wav"));
  });
  const QString n = QString::number(count / 1000) + QStringLiteral("k");
  qvt::bench::Figure("file_box_list_" + n + "_ms", all * 1000, "ms");
  qvt::bench::Figure("file_box_two_patterns_" + n + "_ms", wav * 1000, "ms");
  box.SetPattern(QStringLiteral("*.*"));
  box.show();
  const double paint = qvt::bench::Seconds([&] { box.grab(); });
  qvt::bench::Figure("file_box_first_paint_" + n + "_ms", paint * 1000, "ms");
}

}  // namespace

QVT_BENCH(file_list_boxes) {
  qvt::FakePlatform fake;
  QTemporaryDir dir;
  MakeFiles(dir.path() + QStringLiteral("/20k"), 20000);
  FileBoxFigures(dir.path() + QStringLiteral("/20k"), 20000);
  MakeFiles(dir.path() + QStringLiteral("/100k"), 100000);
  FileBoxFigures(dir.path() + QStringLiteral("/100k"), 100000);

  const QString many = dir.path() + QStringLiteral("/folders");
  for (int i = 0; i < 2000; ++i)
    QDir().mkpath(many + QStringLiteral("/Album %1").arg(i));
  qvt::DirListBox folders(qvt::platform());
  const double show = qvt::bench::BestSeconds(3, [&] {
    folders.SetPath(dir.path());
    folders.SetPath(many);
  });
  qvt::bench::Figure("folder_box_2000_subfolders_ms", show * 1000, "ms");
}
