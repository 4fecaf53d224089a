#include "bench/BenchPlatform.h"

#include <vector>

#include "player/startup/MusicVariables.h"
#include "shared/Processor.h"

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
  auto& mv = SharedMusicVariables();
  mv.replaceAll(std::move(paths), std::move(names));
}

QString AlbumFolder(int song) {
  return QStringLiteral("/home/user/Music/Artist %1/Album/").arg(song / 10);
}

}  // namespace qvt::bench
