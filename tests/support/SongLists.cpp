#include "tests/support/SongLists.h"

#include "player/startup/MusicVariables.h"

namespace qvt::test {

void SetSongList(const QStringList& paths, const QStringList& names) {
  MusicVariablesState& mv = MusicVariables();
  mv.sSongPaths = std::vector<QString>(paths.begin(), paths.end());
  mv.sSongNames = std::vector<QString>(names.begin(), names.end());
  mv.sSongNames.resize(paths.size());
  mv.dblLastIndex = static_cast<double>(paths.size()) - 1;
}

QStringList NamesAfterFiles(const QStringList& paths) {
  QStringList names;
  for (const QString& p : paths)
    names << p.section('/', -1) + QStringLiteral(" name");
  return names;
}

}  // namespace qvt::test
