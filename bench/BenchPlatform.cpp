#include "bench/BenchPlatform.h"

#include <QFile>
#include <vector>

#include "player/playlists/FileListBox.h"
#include "player/playlists/frmChoose.h"
#include "player/startup/MusicVariables.h"
#include "shared/Processor.h"
#include "tests/support/PlayListOfTheTest.h"

namespace qvt::bench {

EventLoopPlatform::EventLoopPlatform() {
  platform().eventLoop = &eventLoop;
  platform().progressWindows = nullptr;
}

void FillPlayList(int songs, const std::function<QString(int)>& folderOf) {
  const auto count = static_cast<std::size_t>(songs);
  std::vector<QString> paths(count), names(count);
  for (std::size_t i = 0; i < count; ++i) {
    const int n = static_cast<int>(i);
    names[i] = QStringLiteral("Track %1 - Some Song Title.mp3").arg(n);
    paths[i] = folderOf(n) + names[i];
  }
  auto& mv = test::PlayList();
  mv.replaceAll(std::move(paths), std::move(names));
}

QString AlbumFolder(int song) {
  return QStringLiteral("/home/user/Music/Artist %1/Album/").arg(song / 10);
}

bool AcceptSongTypes(const FakePlatform& fake) {
  QFile types(fake.path(QStringLiteral("AcceptedFileTypes.qvc")));
  return types.open(QIODevice::WriteOnly) && types.write("\"MP3 WAV OGG\"\r\n") > 0;
}

void EmptyEditorList(frmChoose& w) {
  test::PlayList().resetAll();
  test::PlayList().setLastIndex(-1);
  w.RefillEditorList();
}

void ShowEditorFolder(frmChoose& w, const QString& folder, const QString& current) {
  w.filDisplay->SetPath(folder);
  for (int i = 0; i < w.filDisplay->ListCount(); ++i) {
    if (w.filDisplay->List(i) == current)
      w.filDisplay->SetListIndex(i);
  }
}

}  // namespace qvt::bench
